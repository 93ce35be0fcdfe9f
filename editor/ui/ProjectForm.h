#pragma once
// The project dialog "系统工程设置" (TProjectForm) and the sub-card dialog "子卡通讯参数设置"
// (TMultiCardForm): a list `LEDTreeView` beside the editor's inspector, and their buttons. Thin
// views over editor/core's controllers.
#include "skin/SkinImagePanel.h"
#include <QDialog>
#include <memory>
#include <string>
#include <vector>

#include "editor/core/ProjectForm.h"
#include "editor/ui/ModalRun.h"
#include "editor/ui/PropertyEditor.h"

class QPushButton;
class QTreeWidget;

namespace editor::ui {

// What both dialogs show: the list in one panel, the inspector in another, a column of buttons.
class TListFormBase : public QDialog, protected TMultiCardView {
 public:
  QTreeWidget* List() const { return list_; }
  TPropertyEditorView* InspectorView() const { return inspector_; }
  skin::TskPanel* ListPanel() const { return listPanel_; }
  skin::TskPanel* PropertyPanel() const { return propertyPanel_; }
  // The buttons, by object name.
  QPushButton* ButtonNamed(const char* name) const;

 protected:
  // The panels' captions, and the buttons as {object name, caption} in order.
  TListFormBase(TDialogs& dialogs, const char* listCaption, const char* propertyCaption,
                const std::vector<std::pair<const char*, const char*>>& buttons, QWidget* parent);
  ~TListFormBase() override;
  // Set by the derived view once its controller exists.
  void Connect(TListForm& controller);

  // TMultiCardView
  void SetNodes(const std::vector<TListNode>& nodes) override;
  void SelectNode(int index) override;
  TPropertyEditor& Inspector() override;
  void SetAddEnabled(bool enabled) override;

  std::vector<QPushButton*> buttons_;

 private:
  TQtPropertyChooser chooser_;
  skin::TskPanel* listPanel_;
  skin::TskPanel* propertyPanel_;
  QTreeWidget* list_;
  TPropertyEditorView* inspector_;
  bool syncing_ = false;
};

class TProjectFormView : public TListFormBase {
 public:
  // `programDir`: where "Default.spj" lives (OS path ending in "/").
  TProjectFormView(TDialogs& dialogs, std::string programDir, QWidget* parent = nullptr);
  ~TProjectFormView() override;

  // Shows the dialog modally.
  void Execute(const TModalRun& run = {});
  TProjectForm& Controller() { return *controller_; }

 private:
  void Close() override;
  std::unique_ptr<TProjectForm> controller_;
};

class TMultiCardFormView : public TListFormBase {
 public:
  explicit TMultiCardFormView(TDialogs& dialogs, QWidget* parent = nullptr);
  ~TMultiCardFormView() override;

  // Shows the dialog modally on a screen's sub-card container.
  void Execute(model::TCards& cards, const TModalRun& run = {});
  TMultiCardForm& Controller() { return *controller_; }

 private:
  void Close() override;
  std::unique_ptr<TMultiCardForm> controller_;
};

}  // namespace editor::ui
