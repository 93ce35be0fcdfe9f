#pragma once
// The object tree `ObjectList` of the main window: one top-level node per screen, under it one
// node per page, under each page one node per display object that publishes `Text`. Each node
// shows its component's `Text` with the icon of its class, and knows its component: the tree's
// clicks and commands act on the node's own component, never on the first one that happens to
// share its text.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/component/Component.h"

namespace model {
class TConstructer;
}

namespace editor {

// The icons of `ImageList1` the tree uses: indexes 0 .. ObjectImageCount - 1.
inline constexpr int ObjectImageCount = 39;

// The image index of a class in the object tree (class name compared ignoring case); -1 for a
// class without an icon.
int ClassImageIndex(std::string_view className);

// Tree levels.
inline constexpr int ScreenLevel = 0, PageLevel = 1, ObjectLevel = 2;

struct TTreeEntry {
  std::string Text;  // GBK
  int ImageIndex = -1;
  platform::TComponent* Component = nullptr;
  std::vector<TTreeEntry> Children;
};

// The published `Text` of a component; nothing when its class publishes none.
std::optional<std::string> PublishedText(platform::TComponent& component);

// What the tree shows for `root`, screens in component order. Nothing (the tree is left as it
// is) when the root's first component publishes no `Text`.
std::optional<std::vector<TTreeEntry>> ObjectTreeEntries(const model::TConstructer& root);

// Where a node's component sits: its screen's index and its page's index (0 for a screen).
struct TTreePosition {
  int Screen = -1;
  int Page = 0;
};
// The position of a screen, a page or a display object of `root`; nothing for any other
// component.
std::optional<TTreePosition> TreePosition(const model::TConstructer& root, const platform::TComponent& component);

}  // namespace editor
