#include "PropertyList.h"

#include <algorithm>
#include <cstdio>

#include "editor/core/Design.h"
#include "model/PropertyTable.h"
#include "platform/base/DateTime.h"
#include "platform/base/GbkText.h"
#include "platform/component/Strings.h"

namespace editor {

using platform::TObject;
using platform::TPropInfo;
using platform::TTypeInfo;

namespace {

bool IsType(const TTypeInfo& type, std::string_view name) { return platform::GbkSameText(type.Name(), name); }

// The classes whose rows open onto their own properties.
bool OpensOnProperties(const TObject& object) {
  const std::string& name = object.ClassName();
  return platform::GbkSameText(name, "TFont") || platform::GbkSameText(name, "TControlScrollBar") ||
         platform::GbkSameText(name, "TCommunication");
}

// The published properties of an object's class sorted by name, events left out.
std::vector<const TPropInfo*> ListedProperties(const TObject& object) {
  std::vector<const TPropInfo*> listed;
  for (const TPropInfo* p : object.ClassInfo().SortedProperties())
    if (p->Kind() != platform::tkMethod) listed.push_back(p);
  return listed;
}

// A member's property of that name counts as common only when its type is the same: a
// `Method` of another enumeration or a `Font` of another kind would take the first member's
// values.
bool SameType(const TPropInfo& a, const TPropInfo& b) {
  return a.Kind() == b.Kind() && platform::GbkSameText(a.PropType().Name(), b.PropType().Name());
}

std::string ColorText(int64_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", unsigned(uint32_t(value)));
  return text;
}

int TreeCount(const TPropertyNode& node, bool everyExpandable) {
  int n = 0;
  for (const auto& child : node.Children) {
    ++n;
    if (child->State == nsOpen || (everyExpandable && child->State == nsClosed))
      n += TreeCount(*child, everyExpandable);
  }
  return n;
}

// The visible row `index` below `node` (counting down `index`), with its depth.
TPropertyNode* FindVisible(const TPropertyNode& node, int& index, int depth, int& level) {
  for (const auto& child : node.Children) {
    if (index == 0) {
      level = depth;
      return child.get();
    }
    --index;
    if (child->State == nsOpen)
      if (TPropertyNode* found = FindVisible(*child, index, depth + 1, level)) return found;
  }
  return nullptr;
}

}  // namespace

const platform::TStrings* PropertyTableOf(const TObject* object) {
  if (!object) return nullptr;
  return dynamic_cast<const platform::TStrings*>(
      platform::PathGetObject(const_cast<TObject*>(object), "PropertyTable"));
}

// ---- Building -----------------------------------------------------------------------------------

namespace {

// Builds and refreshes rows with the captions of one table.
class TRowBuilder {
 public:
  TRowBuilder(const TPropertyList& list, const TObject* tableObject) : list_(list), table_(tableObject) {}

  std::string Caption(std::string_view prefix, std::string_view name) const {
    return list_.CaptionOf(prefix, name, table_);
  }
  // A property is shown only when its table gives it a caption other than its own name.
  bool Visible(std::string_view prefix, std::string_view name) const { return Caption(prefix, name) != name; }

  std::unique_ptr<TPropertyNode> Row(const std::string& prefix, const TPropInfo& p, TObject* instance) const {
    auto node = std::make_unique<TPropertyNode>();
    node->Path = prefix + p.Name();
    node->Caption = Caption(prefix, p.Name());
    node->Color = list_.ColorOf(prefix, p.Name(), table_);
    node->Instance = instance;
    node->Property = &p;
    switch (p.Kind()) {
      case platform::tkSet: {
        node->State = nsOpen;
        node->ReadOnly = true;
        const int count = platform::SetElementCount(p.PropType());
        for (int e = 0; e < count; ++e) {
          auto element = std::make_unique<TPropertyNode>();
          element->Path = node->Path;
          element->Caption = Caption("", platform::GetEnumName(*p.PropType().ElementType(), e));
          element->Color = node->Color;
          element->State = nsElement;
          element->Element = e;
          element->Instance = instance;
          element->Property = &p;
          node->Children.push_back(std::move(element));
        }
        break;
      }
      case platform::tkClass: {
        TObject* object = p.GetObject(*instance);
        if (!object) {
          node->ReadOnly = true;
        } else if (OpensOnProperties(*object)) {
          node->State = nsOpen;
          AddChildren(*node, *object);
        } else {
          node->ReadOnly = true;
        }
        break;
      }
      default:
        break;
    }
    Refresh(*node);
    return node;
  }

  void AddChildren(TPropertyNode& node, TObject& object) const {
    const std::string prefix = node.Path + ".";
    for (const TPropInfo* sub : ListedProperties(object))
      if (Visible(prefix, sub->Name())) node.Children.push_back(Row(prefix, *sub, &object));
  }

  // Recomputes the value text of `node` (and of the rows under it that show live values).
  void Refresh(TPropertyNode& node) const {
    if (!node.Property || !node.Instance) return;
    const TPropInfo& p = *node.Property;
    const TTypeInfo& type = p.PropType();
    TObject& instance = *node.Instance;
    switch (p.Kind()) {
      case platform::tkInteger: {
        const int64_t value = p.GetOrd(instance);
        node.ValueText = IsType(type, "TColor") ? ColorText(value) : std::to_string(value);
        break;
      }
      case platform::tkEnumeration:
        node.ValueText = Caption("", platform::GetEnumName(type, p.GetOrd(instance)));
        break;
      case platform::tkFloat:
        node.ValueText = IsType(type, "TDateTime") ? platform::FormatDateTime(p.GetFloat(instance))
                                                   : Caption("", type.Name());
        break;
      case platform::tkString:
        node.ValueText = p.GetStr(instance);
        break;
      case platform::tkSet: {
        const uint32_t bits = uint32_t(p.GetOrd(instance));
        std::string text = "[";
        bool first = true;
        for (auto& element : node.Children) {
          const bool present = element->Element < 32 && (bits >> element->Element & 1u);
          element->ValueText = Caption("", present ? "True" : "False");
          if (!present) continue;
          if (!first) text += ",";
          text += element->Caption;
          first = false;
        }
        node.ValueText = text + "]";
        break;
      }
      case platform::tkClass: {
        TObject* object = p.GetObject(instance);
        node.ValueText = object ? "[" + Caption("", object->ClassName()) + "]" : Caption("", type.Name());
        if (node.ReadOnly) break;
        // The rows below read the object the property holds now.
        for (auto& child : node.Children) {
          if (!object) child->Instance = nullptr;
          else child->Instance = object;
          Refresh(*child);
        }
        break;
      }
      default:
        node.ValueText = Caption("", type.Name());
        break;
    }
  }

 private:
  const TPropertyList& list_;
  const TObject* table_;
};

void RefreshTree(const TRowBuilder& builder, TPropertyNode& node) {
  for (auto& child : node.Children) builder.Refresh(*child);
}

}  // namespace

TPropertyList::TPropertyList() = default;

TPropertyList::~TPropertyList() = default;

void TPropertyList::SetRoot(TObject* root) {
  header_.reset();
  UnwatchAll();
  root_ = root;
  if (!root_) return;
  WatchRoot();
  Build(nullptr);
}

void TPropertyList::WatchRoot() {
  Watch(dynamic_cast<platform::TComponent*>(root_));
  if (auto* collection = dynamic_cast<TComponentCollection*>(root_))
    for (int i = 0; i < collection->Count(); ++i) Watch(collection->Items(i));
}

std::vector<TObject*> TPropertyList::Targets() const {
  std::vector<TObject*> targets;
  if (auto* collection = dynamic_cast<TComponentCollection*>(root_)) {
    for (int i = 0; i < collection->Count(); ++i) targets.push_back(collection->Items(i));
  } else if (root_) {
    targets.push_back(root_);
  }
  return targets;
}

TObject* TPropertyList::TableObject() const {
  if (auto* collection = dynamic_cast<TComponentCollection*>(root_)) return collection->Items(0);
  return root_;
}

void TPropertyList::Build(const platform::TComponent* leaving) {
  std::vector<TObject*> members;
  for (TObject* t : Targets())
    if (static_cast<const TObject*>(leaving) != t) members.push_back(t);
  const bool multi = dynamic_cast<TComponentCollection*>(root_) != nullptr;

  header_ = std::make_unique<TPropertyNode>();
  header_->Instance = members.empty() ? nullptr : members.front();
  if (auto* component = dynamic_cast<platform::TComponent*>(root_))
    header_->Caption = CaptionOf("", component->Name(), header_->Instance);
  header_->ValueText = "[" + CaptionOf("", root_->ClassName(), header_->Instance) + "]";
  if (members.empty()) return;

  TObject* first = members.front();
  const TRowBuilder builder(*this, first);
  std::vector<const TPropInfo*> shown;
  const std::vector<const TPropInfo*> listed = ListedProperties(*first);
  if (!multi) {
    shown = listed;
  } else {
    // The properties every member has, of the same type, each captioned in its own table.
    for (const TPropInfo* p : listed)
      if (builder.Visible("", p->Name())) shown.push_back(p);
    for (size_t m = 1; m < members.size() && !shown.empty(); ++m) {
      const TRowBuilder own(*this, members[m]);
      std::erase_if(shown, [&](const TPropInfo* p) {
        const TPropInfo* q = members[m]->ClassInfo().FindProperty(p->Name());
        return !q || !SameType(*p, *q) || !own.Visible("", q->Name());
      });
    }
    std::erase_if(shown, [](const TPropInfo* p) { return platform::GbkSameText(p->Name(), "Name"); });
  }

  // Rows follow the table, whose first lines (as many as there are properties) are walked.
  const platform::TStrings* table = PropertyTableOf(first);
  if (!table) return;
  const int lines = std::min(int(shown.size()), table->Count());
  for (int i = 0; i < lines; ++i) {
    const std::string_view key = model::TBasePropertyTable::KeyOf(table->Strings(i));
    auto match = std::find_if(shown.begin(), shown.end(),
                              [&](const TPropInfo* p) { return platform::GbkSameText(p->Name(), key); });
    if (match == shown.end() || !builder.Visible("", (*match)->Name())) continue;
    header_->Children.push_back(builder.Row("", **match, first));
  }
}

void TPropertyList::Refresh() {
  if (!header_) return;
  RefreshTree(TRowBuilder(*this, TableObject()), *header_);
}

int TPropertyList::ItemCount() const { return header_ ? TreeCount(*header_, false) : 0; }

int TPropertyList::ItemMaxCount() const { return header_ ? TreeCount(*header_, true) : 0; }

TPropertyNode* TPropertyList::Items(int index) const {
  if (!header_ || index < 0) return nullptr;
  int level = 0;
  return FindVisible(*header_, index, 0, level);
}

int TPropertyList::Level(int index) const {
  if (!header_ || index < 0) return 0;
  int level = 0;
  FindVisible(*header_, index, 0, level);
  return level;
}

std::string TPropertyList::CaptionOf(std::string_view prefix, std::string_view name, const TObject* object) const {
  const platform::TStrings* table = PropertyTableOf(object ? object : TableObject());
  if (table) {
    const std::string path = std::string(prefix) + std::string(name);
    for (const std::string& line : *table)
      if (platform::GbkSameText(model::TBasePropertyTable::KeyOf(line), path))
        return std::string(model::TBasePropertyTable::CaptionOf(line));
  }
  return std::string(name);
}

int32_t TPropertyList::ColorOf(std::string_view prefix, std::string_view name, const TObject* object) const {
  const platform::TStrings* table = PropertyTableOf(object ? object : TableObject());
  if (!table) return 0;
  const std::string path = std::string(prefix) + std::string(name);
  for (const std::string& line : *table)
    if (platform::GbkSameText(model::TBasePropertyTable::KeyOf(line), path))
      return model::TBasePropertyTable::ColorOf(line);
  return 0;
}

void TPropertyList::ComponentFreed(platform::TComponent& component) {
  if (static_cast<TObject*>(&component) == root_) {
    root_ = nullptr;
    header_.reset();
    UnwatchAll();
  } else {
    // A member of the selection: the rows are built again from the others (the collection may
    // not have dropped it yet).
    header_.reset();
    Build(&component);
  }
  if (OnRowsFreed) OnRowsFreed();
}

}  // namespace editor
