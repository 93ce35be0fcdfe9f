#pragma once
// The table editor `TTableForm` ("表格编辑器") and its new-table dialog `TNewgridForm`
// ("请输入表格属性"), thin over editor/core/TableEditor.h. The tool bar `tobFile` holds the file
// and table buttons, `tobFont` the line, colour, font and alignment controls; the table view
// stands where the scroll box `scbMain` stood.
#include <QDialog>
#include <QSize>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "editor/core/TableEditor.h"
#include "editor/ui/ModalRun.h"

class QAction;
class QSpinBox;
class QToolBar;
class QToolButton;

namespace skin {
class TskFontComboBox;
class TskFontSizeComboBox;
}  // namespace skin

namespace editor::ui {

class TColorComboBox;
class TLineComboBox;
class TTableView;

class TNewgridForm : public QDialog, public TNewgridDialog {
 public:
  explicit TNewgridForm(QWidget* parent = nullptr);

  // Shows the values, runs the dialog modally and gives back what was typed: "确  定" returns
  // mrNewgridOk, "取  消" and closing mrNewgridCancel.
  int Execute(TNewTableSettings& values) override;
  // How the dialog runs modally (empty: its modal loop); a test's run ends it with done().
  TModalRun RunModal;

  void SetValues(const TNewTableSettings& values);
  TNewTableSettings Values() const;

  QSpinBox* RowCount() const { return rows_; }
  QSpinBox* ColCount() const { return cols_; }
  QSpinBox* RowHeight() const { return height_; }
  QSpinBox* ColWidth() const { return width_; }
  TColorComboBox* LineColor() const { return lineColor_; }
  TColorComboBox* BackColor() const { return backColor_; }
  TLineComboBox* LineWidth() const { return lineWidth_; }

 private:
  QSpinBox* rows_;
  QSpinBox* cols_;
  QSpinBox* height_;
  QSpinBox* width_;
  TColorComboBox* lineColor_;
  TColorComboBox* backColor_;
  TLineComboBox* lineWidth_;
};

class TTableForm : public QDialog, public TTableEditorView {
 public:
  // `settings` is "Param.ini"; the new-table dialog is the program's TNewgridForm.
  TTableForm(TDialogs& dialogs, TNewgridDialog& newgrid, platform::TSettingsFile settings, QWidget* parent = nullptr);
  ~TTableForm() override;

  TTableEditor& Editor() { return *editor_; }
  TTableView* View() const { return view_; }

  // The table object's double-click: the editor on `gbkFile`, sized so that the table view's
  // viewport is the screen's size, shown modally; the file name it ends with.
  std::string Edit(const std::string& gbkFile, int screenWidth, int screenHeight);
  // Sizes the window so that the table view's viewport is width x height: now when it is
  // shown, else as it is shown (before the table takes the viewport's size).
  void SizeForScreen(int width, int height);
  // How the dialog runs modally (empty: its modal loop).
  TModalRun RunModal;

  // A tool-bar action by its object name ("tbNew", "tbOpen", ...).
  QAction* Action(const char* name) const;
  QToolBar* FileBar() const { return fileBar_; }
  TLineComboBox* LineWidthBox() const { return lineWidth_; }
  TColorComboBox* LineColorBox() const { return lineColor_; }
  TColorComboBox* BackColorBox() const { return backColor_; }
  skin::TskFontComboBox* FontSelect() const { return fontName_; }
  skin::TskFontSizeComboBox* FontSizeSelect() const { return fontSize_; }
  TColorComboBox* FontColorSelect() const { return fontColor_; }
  QToolButton* BoldButton() const { return bold_; }
  QToolButton* ItalicButton() const { return italic_; }
  QToolButton* UnderlineButton() const { return underline_; }

  // TTableEditorView
  void SetCaption(const std::string& gbk) override;
  void ShowTable(model::TTableReport* table) override;
  void SetLineWidthIndex(int index) override;
  void SetLineColor(platform::TColor color) override;
  void SetBackColor(platform::TColor color) override;
  void SetFontControls(const TFontControls& font) override;
  TFontControls FontControls() const override;

  // Closing goes through the editor's close request, which may refuse.
  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QAction* AddAction(QToolBar* bar, const char* name, const char* hint, std::function<void()> run);
  void ApplyScreenSize();

  std::unique_ptr<TTableEditor> editor_;
  QToolBar* fileBar_;
  QToolBar* fontBar_;
  TTableView* view_;
  TLineComboBox* lineWidth_;
  TColorComboBox* lineColor_;
  TColorComboBox* backColor_;
  skin::TskFontComboBox* fontName_;
  skin::TskFontSizeComboBox* fontSize_;
  QToolButton* bold_;
  QToolButton* italic_;
  QToolButton* underline_;
  TColorComboBox* fontColor_;
  std::optional<QSize> screenSize_;
};

}  // namespace editor::ui
