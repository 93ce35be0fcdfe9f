#pragma once
// The property inspector's model (`TPropertyList`): one object, or a multi-selection held in a
// TComponentCollection, turned into the tree of rows the inspector shows. Which properties
// appear, in which order, under which caption and in which colour is decided by the object's
// published `PropertyTable` (model/PropertyTable.h): the inspector keeps no list of its own.
// Values are read through the published properties and turned into display text; writing goes
// through the dotted-path accessors of platform/component/PropertyPath.h, which this unit
// re-exports.
//
// Texts (paths, captions, values) are GBK, kept whole however long they are.
//
// The rows never outlive what they show: the list watches its root (and, for a multi-selection,
// every member); a freed root empties the list, a freed member rebuilds it without that member,
// and OnRowsFreed tells the view.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/component/Component.h"
#include "platform/component/PropertyPath.h"

namespace platform {
class TStrings;
}

namespace editor {

// The path accessors the inspector writes through.
using platform::PathGetObject;
using platform::PathGetOrd;
using platform::PathKind;
using platform::PathPropInfo;
using platform::PathSetObject;
using platform::PathSetOrd;
using platform::PathSetStr;

// Row states.
enum TNodeState : uint8_t { nsPlain = 0, nsClosed = 1, nsOpen = 2, nsElement = 3 };

struct TPropertyNode {
  std::string Path;       // from Root, "Font.Name"; empty in the header node
  std::string Caption;    // shown in the name column
  std::string ValueText;  // shown in the value column
  // The object whose property the row shows (for a multi-selection, its first member).
  platform::TObject* Instance = nullptr;
  const platform::TPropInfo* Property = nullptr;  // null in the header node
  bool ReadOnly = false;  // sets, objects of other classes, missing objects
  uint8_t State = nsPlain;
  int32_t Color = 0;      // of the caption, from the table's third field
  int32_t Element = 0;    // a set element's ordinal
  std::vector<std::unique_ptr<TPropertyNode>> Children;
};

// The table an object publishes as `PropertyTable`; null when it has none.
const platform::TStrings* PropertyTableOf(const platform::TObject* object);

class TPropertyList : private platform::TFreeWatcher {
 public:
  TPropertyList();
  ~TPropertyList();
  TPropertyList(const TPropertyList&) = delete;
  TPropertyList& operator=(const TPropertyList&) = delete;

  platform::TObject* Root() const { return root_; }
  // Frees the rows; with an object, builds them afresh (also for the same object again, so
  // every row starts in its first open or closed state).
  void SetRoot(platform::TObject* root);

  // Visible rows: the header's children and, below them, the children of open rows.
  int ItemCount() const;
  // Rows if every expandable row were open.
  int ItemMaxCount() const;
  // The row at a visible index, in display order (a parent before its children); null outside.
  TPropertyNode* Items(int index) const;
  // Its depth: 0 for the header's children.
  int Level(int index) const;
  // Re-reads the value text of every row, keeping the tree and its open and closed rows.
  void Refresh();

  // The object itself: its caption and "[" + class caption + "]"; null without a root.
  const TPropertyNode* Header() const { return header_.get(); }

  // The caption of path prefix + name in the table of `object` (of Root, or of its first member
  // for a multi-selection, when null); the name itself when there is none.
  std::string CaptionOf(std::string_view prefix, std::string_view name,
                        const platform::TObject* object = nullptr) const;
  // The colour of that path's row, or 0.
  int32_t ColorOf(std::string_view prefix, std::string_view name, const platform::TObject* object = nullptr) const;

  // The root itself when it is a single object, else its members.
  std::vector<platform::TObject*> Targets() const;
  // The object whose table captions the rows (Root, or the first member).
  platform::TObject* TableObject() const;

  // Told after the rows were rebuilt because something they showed was freed (Root is null when
  // the root itself went).
  std::function<void()> OnRowsFreed;

 private:
  void ComponentFreed(platform::TComponent& component) override;
  void Build(const platform::TComponent* leaving);
  void WatchRoot();

  platform::TObject* root_ = nullptr;
  std::unique_ptr<TPropertyNode> header_;
};

}  // namespace editor
