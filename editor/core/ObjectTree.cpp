#include "ObjectTree.h"

#include "model/FormConstructEx.h"
#include "platform/base/GbkText.h"

namespace editor {

namespace {

struct TClassIcon {
  std::string_view ClassName;
  int Index;
};

constexpr TClassIcon ClassIcons[] = {
    {"TLEDScreen", 18},        {"TLeaf", 12},       {"TText", 19},          {"TMultiText", 20},
    {"TPhoto", 21},            {"TAVIPlayer", 22},  {"TDateTimeComponent", 23}, {"TCountUp", 24},
    {"TCountDown", 25},        {"TMultiString", 33}, {"TAnalogClock", 25},  {"TWordObject", 36},
    {"TTableObject", 37},      {"TStringFile", 33}, {"TCampaignTime", 38},
};

TTreeEntry EntryOf(platform::TComponent& component, std::string text) {
  TTreeEntry entry;
  entry.Text = std::move(text);
  entry.ImageIndex = ClassImageIndex(component.ClassName());
  entry.Component = &component;
  return entry;
}

}  // namespace

int ClassImageIndex(std::string_view className) {
  for (const TClassIcon& icon : ClassIcons)
    if (platform::GbkSameText(icon.ClassName, className)) return icon.Index;
  return -1;
}

std::optional<std::string> PublishedText(platform::TComponent& component) {
  const platform::TPropInfo* text = component.ClassInfo().FindProperty("Text");
  if (!text || text->Kind() != platform::tkString) return std::nullopt;
  return text->GetStr(component);
}

std::optional<std::vector<TTreeEntry>> ObjectTreeEntries(const model::TConstructer& root) {
  if (platform::TComponent* first = root.Components(0); first && !PublishedText(*first)) return std::nullopt;
  std::vector<TTreeEntry> screens;
  for (model::TLEDScreen* screen : root.Screens()) {
    TTreeEntry& screenEntry = screens.emplace_back(EntryOf(*screen, screen->Text()));
    for (model::TLeaf* page : screen->Pages()) {
      TTreeEntry& pageEntry = screenEntry.Children.emplace_back(EntryOf(*page, page->Text()));
      for (platform::TComponent* object : page->OwnedComponents())
        if (std::optional<std::string> text = PublishedText(*object))
          pageEntry.Children.push_back(EntryOf(*object, std::move(*text)));
    }
  }
  return screens;
}

std::optional<TTreePosition> TreePosition(const model::TConstructer& root, const platform::TComponent& component) {
  const std::vector<model::TLEDScreen*> screens = root.Screens();
  for (int s = 0; s < int(screens.size()); ++s) {
    if (screens[size_t(s)] == &component) return TTreePosition{s, 0};
    const std::vector<model::TLeaf*> pages = screens[size_t(s)]->Pages();
    for (int p = 0; p < int(pages.size()); ++p)
      if (pages[size_t(p)] == &component || component.Owner() == pages[size_t(p)]) return TTreePosition{s, p};
  }
  return std::nullopt;
}

}  // namespace editor
