#pragma once
// Project files for the editor's tests, written by the project tree itself: a layout gives the
// number of pages of each screen (0: a screen without pages), and the screens are named after
// the file so a test can tell which file the editor loaded.
#include <string>
#include <vector>

#include "editor/core/Main.h"
#include "model/ComponentManager.h"
#include "model/FormConstructEx.h"
#include "model/LoadMode.h"

namespace editor::test {

using TLayout = std::vector<int>;

// Registers the editor's classes and sets the load mode a running editor has.
inline void PrepareModel() {
  RegisterDisplayClasses(model::ComponentManager());
  model::SetLoadMode(model::LoadModeNormal);
}

// Writes a project of `layout` to `osPath`; screen i is named `name` + "-" + i and is `width`
// pixels wide. Needs PrepareModel().
inline bool WriteProject(const std::string& osPath, const TLayout& layout, const std::string& name,
                         int width = 512) {
  model::TConstructer root(nullptr);
  root.DeleteScreen(0);
  for (size_t i = 0; i < layout.size(); ++i) {
    model::TLEDScreen* screen = root.AddScreen(name + "-" + std::to_string(i));
    screen->SetScreenWidth(width);
    while (root.GetLeafCount(int(i)) > layout[i]) root.DeleteLeaf(int(i), 0);
    while (root.GetLeafCount(int(i)) < layout[i]) root.AddLeaf(int(i));
  }
  return root.SaveToFile(osPath);
}

// The pages of each screen of a root.
inline TLayout LayoutOf(const model::TConstructer& root) {
  TLayout layout;
  for (int i = 0; i < root.ScreenCount(); ++i) layout.push_back(root.GetLeafCount(i));
  return layout;
}

}  // namespace editor::test
