#include "ClassInfo.h"

#include <algorithm>
#include <stdexcept>

#include "platform/base/GbkText.h"
#include "platform/component/Component.h"

namespace platform {

// ---- TObject -------------------------------------------------------------------------------

const TClassInfo& TObject::StaticClassInfo() {
  static const TClassInfo info("TObject", nullptr, nullptr, {});
  return info;
}

const std::string& TObject::ClassName() const { return ClassInfo().ClassName(); }

bool TObject::InheritsFrom(const TClassInfo& cls) const { return ClassInfo().InheritsFrom(cls); }

// ---- TPropInfo -----------------------------------------------------------------------------

TPropInfo::TPropInfo(std::string name, const TTypeInfo& type, TAccessors accessors)
    : name_(std::move(name)), type_(&type), acc_(std::move(accessors)) {}

bool TPropInfo::IsReadable() const {
  return acc_.GetOrd || acc_.GetFloat || acc_.GetStr || acc_.GetObject || IsStream();
}

bool TPropInfo::IsWritable() const {
  return acc_.SetOrd || acc_.SetFloat || acc_.SetStr || acc_.SetObject || IsStream();
}

int64_t TPropInfo::GetOrd(TObject& obj) const {
  int64_t v = 0;
  if (!acc_.GetOrd || !acc_.GetOrd(obj, v)) return 0;
  return type_->NormalizeOrd(v);
}

bool TPropInfo::SetOrd(TObject& obj, int64_t value) const {
  if (!acc_.SetOrd) return false;
  switch (Kind()) {
    case tkEnumeration:
      if (value < 0 || value >= int64_t(type_->EnumNames().size())) return false;
      break;
    case tkSet:
      value &= SetFullMask(*type_);
      break;
    default:
      value = type_->NormalizeOrd(value);
      break;
  }
  return acc_.SetOrd(obj, value);
}

double TPropInfo::GetFloat(TObject& obj) const {
  double v = 0;
  if (!acc_.GetFloat || !acc_.GetFloat(obj, v)) return 0;
  return v;
}

bool TPropInfo::SetFloat(TObject& obj, double value) const {
  return acc_.SetFloat && acc_.SetFloat(obj, value);
}

std::string TPropInfo::GetStr(TObject& obj) const {
  std::string v;
  if (!acc_.GetStr || !acc_.GetStr(obj, v)) return {};
  return v;
}

bool TPropInfo::SetStr(TObject& obj, std::string_view value) const {
  return acc_.SetStr && acc_.SetStr(obj, std::string(value));
}

TObject* TPropInfo::GetObject(TObject& obj) const {
  TObject* v = nullptr;
  if (!acc_.GetObject || !acc_.GetObject(obj, v)) return nullptr;
  return v;
}

bool TPropInfo::SetObject(TObject& obj, TObject* value) const {
  if (IsStream()) {
    // Only "no stream" can be given as an object; a real stream goes through SetStream.
    return value == nullptr && acc_.SetStream(obj, nullptr);
  }
  if (!acc_.SetObject) return false;
  if (value && type_->ClassType() && !value->InheritsFrom(*type_->ClassType())) return false;
  return acc_.SetObject(obj, value);
}

// ---- TClassInfo ----------------------------------------------------------------------------

TClassInfo::TClassInfo(std::string name, const TClassInfo* parent, TComponentFactory factory,
                       std::vector<std::unique_ptr<TPropInfo>> own)
    : name_(std::move(name)),
      parent_(parent),
      factory_(factory),
      own_(std::move(own)),
      type_(TTypeInfo::Class(name_, this)) {
  if (parent_) props_ = parent_->props_;
  size_t inherited = props_.size();
  for (const auto& p : own_) {
    auto same = [&](const TPropInfo* q) { return GbkSameText(q->Name(), p->Name()); };
    auto at = std::find_if(props_.begin(), props_.end(), same);
    if (at == props_.end()) {
      props_.push_back(p.get());
    } else if (size_t(at - props_.begin()) < inherited) {
      *at = p.get();  // published again: the new declaration replaces the inherited one
    } else {
      throw std::logic_error("class " + name_ + " publishes " + p->Name() + " twice");
    }
  }
  sorted_ = props_;
  std::stable_sort(sorted_.begin(), sorted_.end(), [](const TPropInfo* a, const TPropInfo* b) {
    return GbkCompareText(a->Name(), b->Name()) < 0;
  });
}

bool TClassInfo::InheritsFrom(const TClassInfo& cls) const {
  for (const TClassInfo* c = this; c; c = c->parent_)
    if (c == &cls) return true;
  return false;
}

TComponent* TClassInfo::CreateInstance(TComponent* owner) const {
  if (!factory_) return nullptr;
  TComponent* c = factory_(owner);
  if (&c->ClassInfo() != this) {
    // The class forgot DECLARE_CLASS_INFO(): it would be written and read as its parent.
    delete c;
    throw std::logic_error("class " + name_ + " does not declare its class information");
  }
  return c;
}

const TPropInfo* TClassInfo::FindProperty(std::string_view name) const {
  for (const TPropInfo* p : props_)
    if (GbkSameText(p->Name(), name)) return p;
  return nullptr;
}

}  // namespace platform
