#include "PropertyDescription.h"

#include "platform/base/GbkText.h"
#include "platform/component/ClassBuilder.h"

namespace editor {

const platform::TClassInfo& TPropertyDescription::StaticClassInfo() {
  static const platform::TClassInfo info =
      platform::TClassBuilder<TPropertyDescription, platform::TComponent>("TPropertyDescription").Build();
  return info;
}

TPropertyDescription::TPropertyDescription(platform::TComponent* owner) : TComponent(owner) {}

void TPropertyDescription::Register(std::string_view className, std::string_view property, TPropertyListProc list,
                                    TPropertyEditProc editor, uint8_t kind) {
  records_.push_back({std::string(className), std::string(property), std::move(editor), std::move(list), kind});
}

const TPropertyDescription::TRecord* TPropertyDescription::Find(std::string_view className,
                                                                std::string_view property, uint8_t kind) const {
  for (const TRecord& r : records_) {
    if (kind != 0 && r.Kind != kind) continue;
    if (!platform::GbkSameText(r.ClassName, className)) continue;
    if (property.empty() || platform::GbkSameText(r.Property, property)) return &r;
  }
  return nullptr;
}

uint8_t TPropertyDescription::Exists(std::string_view className, std::string_view property) const {
  const TRecord* r = Find(className, property, 0);
  return r ? r->Kind : 0;
}

TPropertyEditProc TPropertyDescription::EditorOf(std::string_view className, std::string_view property) const {
  const TRecord* r = Find(className, property, pdEditor);
  return r ? r->Editor : TPropertyEditProc();
}

TPropertyListProc TPropertyDescription::ListOf(std::string_view className, std::string_view property) const {
  const TRecord* r = Find(className, property, pdList);
  return r ? r->List : TPropertyListProc();
}

std::string TPropertyDescription::PropertyOf(std::string_view className) const {
  const TRecord* r = Find(className, "", 0);
  return r ? r->Property : std::string();
}

bool TPropertyDescription::EditFirst(platform::TObject* instance) const {
  if (!instance) return false;
  const TPropertyEditProc editor = EditorOf(instance->ClassName(), "");
  return editor && editor(instance, PropertyOf(instance->ClassName()));
}

TPropertyDescription& PropertyEditorTable() {
  static TPropertyDescription table;
  return table;
}

TPropertyDescription& DoubleClickTable() {
  static TPropertyDescription table;
  return table;
}

}  // namespace editor
