#pragma once
// The two dialogs that edit components outside the design surface in a list beside an
// inspector, without their windows:
//
//   TProjectForm    "系统工程设置": the screens of the default project "Default.spj" (the
//                   template of every new project), imported from and exported to "*.spj" files;
//   TMultiCardForm  "子卡通讯参数设置": the cascaded sub-cards of one screen's container.
//
// Each list node carries the identity of its component, so a node always reaches the component
// it was made for, whatever texts the inspector gives them. The inspector is the editor's own
// (TPropertyEditor); a component is freed only after the inspector has moved off it.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "editor/core/Dialogs.h"
#include "editor/core/PropertyEditor.h"
#include "model/ComponentManager.h"
#include "model/FormConstructEx.h"
#include "platform/component/Component.h"

namespace editor {

// The image index of a screen and of a sub-card in the lists.
inline constexpr int ScreenImageIndex = 18;
// A screen drives at most this many sub-cards.
inline constexpr int MaxSubCards = 32;

struct TListNode {
  std::string Text;  // GBK
  int ImageIndex = -1;
  uint64_t Identity = 0;
  bool operator==(const TListNode&) const = default;
};

class TListFormView {
 public:
  virtual ~TListFormView() = default;
  // The list `LEDTreeView` shows these nodes: items are kept and renamed in place, missing ones
  // added, surplus ones deleted.
  virtual void SetNodes(const std::vector<TListNode>& nodes) = 0;
  // Selects a node (-1: none). The view does not report this selection back.
  virtual void SelectNode(int index) = 0;
  // The dialog's inspector.
  virtual TPropertyEditor& Inspector() = 0;
  virtual void Close() = 0;
};

class TMultiCardView : public TListFormView {
 public:
  // "增加子卡[&A]".
  virtual void SetAddEnabled(bool enabled) = 0;
};

// What both dialogs share: the nodes, the selection and the inspector that follows it.
class TListForm {
 public:
  TListForm(const TListForm&) = delete;
  TListForm& operator=(const TListForm&) = delete;

  // A node was selected or clicked: the inspector shows its component.
  void NodeSelected(int index);

  const std::vector<TListNode>& Nodes() const { return nodes_; }
  int Selected() const { return selected_; }

 protected:
  explicit TListForm(TListFormView& view) : view_(view) {}
  virtual ~TListForm() = default;

  // The listed components, in node order.
  virtual std::vector<platform::TComponent*> Items() const = 0;
  virtual std::string TextOf(const platform::TComponent& item) const = 0;
  virtual uint64_t IdentityOf(const platform::TComponent& item) const = 0;
  virtual int ImageIndexOf(const platform::TComponent& item) const = 0;

  // The nodes anew from the components, the selection kept where it still is a node.
  void Rebuild();
  // The nodes anew and `index` selected (-1: none); the inspector shows its component.
  void RebuildAndSelect(int index);
  void ClearNodes();
  // The dialog closed: the inspector shows nothing and reports to nobody, the list is empty.
  void EndShowing();
  // The component of a node; null when the node is gone or its component is.
  platform::TComponent* ItemOf(int index) const;
  // The inspector leaves the selected node's component for the node that will follow it once
  // it is gone (the next one, else the one before, else none); returns that node's index after
  // the deletion.
  int LeaveSelected();

  TListFormView& view_;
  std::vector<TListNode> nodes_;
  int selected_ = -1;
};

class TProjectForm : public TListForm {
 public:
  // `programDir`: where "Default.spj" lives (OS path ending in "/").
  TProjectForm(TListFormView& view, TDialogs& dialogs, std::string programDir,
               const model::TComponentManager& registry = model::ComponentManager());
  ~TProjectForm() override;

  // Shown: both copies read from "Default.spj" (empty when it does not read or holds anything
  // but screens at its top level), the list built, the inspector empty.
  void Show();
  // "增加显示屏[&A]": a screen "LEDScreen" n, "控制卡" i in both copies.
  void AddScreen();
  // "删除选中显示屏[&D]": the selected node's screen goes from both copies.
  void DeleteScreen();
  // "导入设置[&I]": a project file replaces both copies.
  void Import();
  // "导出设置[&O]": the edit copy to a project file (asking before one is overwritten).
  void Export();
  // "设为缺省[&F]": the edit copy becomes "Default.spj", once confirmed.
  void SetDefault();
  // "退出[&X]".
  void Exit();
  // The dialog closed, however: the inspector empties and both copies go.
  void Closed();

  // The two copies of the default project's screens: the one being edited, and one that keeps
  // every screen's last unique Text. Null while the dialog is not shown.
  platform::TComponent* EditCopy() const { return edit_.get(); }
  platform::TComponent* ShadowCopy() const { return shadow_.get(); }

 protected:
  std::vector<platform::TComponent*> Items() const override;
  std::string TextOf(const platform::TComponent& item) const override;
  uint64_t IdentityOf(const platform::TComponent& item) const override;
  int ImageIndexOf(const platform::TComponent&) const override { return ScreenImageIndex; }

 private:
  void InspectorChanged(platform::TObject* sender);
  void EmptyCopies();
  // Reads object text (OS path) into both copies; false, both empty, when the file does not
  // read or holds anything but screens at the top.
  bool ReadCopies(const std::string& osPath);
  // Writes the edit copy as plain object text; false, with a message, when it could not be.
  bool WriteEditCopy(const std::string& osPath);

  TDialogs& dialogs_;
  std::string programDir_;
  const model::TComponentManager& registry_;
  std::unique_ptr<platform::TComponent> edit_;
  std::unique_ptr<platform::TComponent> shadow_;
};

class TMultiCardForm : public TListForm {
 public:
  explicit TMultiCardForm(TMultiCardView& view);
  ~TMultiCardForm() override;

  // Shown on a screen's sub-card container: a node per sub-card, the first one selected and
  // in the inspector.
  void Show(model::TCards& cards);
  // "增加子卡[&A]": a new sub-card, selected; nothing while there are 32.
  void AddCard();
  // "删除子卡[&D]": the selected node's sub-card is freed.
  void DeleteCard();
  // "返回[&X]".
  void Exit();
  // The dialog closed, however: the inspector empties.
  void Closed();

  bool AddEnabled() const { return addEnabled_; }

 protected:
  std::vector<platform::TComponent*> Items() const override;
  std::string TextOf(const platform::TComponent& item) const override;
  uint64_t IdentityOf(const platform::TComponent& item) const override;
  int ImageIndexOf(const platform::TComponent&) const override { return ScreenImageIndex; }

 private:
  void UpdateAddButton();

  TMultiCardView& cardView_;
  platform::TComponentRef<model::TCards> cards_;
  bool addEnabled_ = false;
};

}  // namespace editor
