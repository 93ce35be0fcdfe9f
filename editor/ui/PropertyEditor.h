#pragma once
// The property inspector's window: a scroll area showing the grid of editor/core's
// TPropertyEditor, with its in-place edit (`TPropEdit`), its button (`TSimpleButton`) and its
// pop-up list (`TPropertySelect`). All logic and drawing is the core's; this passes input on
// and places the widgets where the core says.
//
// Use: make it with the dialogs and a chooser, put it in the main window's `ObjectInspect`
// panel (TDesignFormView::PlaceInspector), then set Editor().Root and Editor().OnChanged.
#include <QAbstractScrollArea>
#include <QLineEdit>
#include <QTimer>
#include <functional>
#include <memory>

#include "editor/core/PropertyEditor.h"

namespace editor::ui {

class TPropertySelect;
class TSimpleButton;

// The in-place edit: no frame, "宋体" 9 pt. Up, Down, Page Up, Page Down and Enter become the
// grid's actions after the edit's own handling; a double click (also a second press within
// the double-click time of a press in the value column) becomes action 7. While the pop-up
// list shows, keys go to the list.
class TPropEdit : public QLineEdit {
 public:
  explicit TPropEdit(QWidget* parent = nullptr);

  std::function<void(TEditAction)> OnAction;
  // A left press at a time in ms: true when it makes a double click.
  std::function<bool(int64_t timeMs)> OnPress;
  TPropertySelect* List = nullptr;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void Act(TEditAction action);
};

// Font and colour dialogs as the Qt program shows them (modal).
class TQtPropertyChooser : public TPropertyChooser {
 public:
  bool ChooseFont(platform::TFontDescription& font) override;
  bool ChooseColor(platform::TColor& color) override;
};

class TPropertyEditorView : public QAbstractScrollArea, private TPropertyEditorWindow {
 public:
  TPropertyEditorView(TDialogs& dialogs, TPropertyChooser& chooser, QWidget* parent = nullptr,
                      const TPropertyDescription& editors = PropertyEditorTable());
  ~TPropertyEditorView() override;

  TPropertyEditor& Editor() { return *editor_; }
  TPropEdit* Edit() const { return edit_; }
  TSimpleButton* Button() const { return button_; }
  TPropertySelect* Select() const { return select_.get(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  // TPropertyEditorWindow
  int ClientWidth() const override;
  int ClientHeight() const override;
  void Invalidate() override;
  int DoubleClickTime() const override;
  void SetEditVisible(bool visible) override;
  void SetEditBounds(const platform::TRect& bounds) override;
  void SetEditReadOnly(bool readOnly) override;
  std::string EditText() const override;
  void SetEditText(const std::string& gbk) override;
  void FocusEdit(bool selectAll) override;
  void SetButton(bool visible, TButtonGlyph glyph, const platform::TRect& bounds) override;
  void SetScrollBar(bool visible, int count, int page, int position) override;
  void ShowList(const std::vector<std::string>& items, int itemIndex, const platform::TRect& bounds) override;
  void HideList() override;
  int ListTextWidth(const std::vector<std::string>& items) const override;

  void Move(QPoint pos);

  std::unique_ptr<TPropertySelect> select_;
  TPropEdit* edit_;
  TSimpleButton* button_;
  std::unique_ptr<TPropertyEditor> editor_;
  QTimer dragScroll_;
  QPoint lastMouse_;
  bool settingBar_ = false;
};

}  // namespace editor::ui
