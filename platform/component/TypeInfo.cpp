#include "TypeInfo.h"

#include <stdexcept>

#include "platform/base/GbkText.h"

namespace platform {

TTypeInfo TTypeInfo::Integer(std::string name, TOrdType ordType) {
  TTypeInfo t(tkInteger, std::move(name));
  t.ordType_ = ordType;
  return t;
}

TTypeInfo TTypeInfo::Enumeration(std::string name, std::initializer_list<const char*> names) {
  TTypeInfo t(tkEnumeration, std::move(name));
  for (const char* n : names) t.names_.emplace_back(n);
  if (t.names_.empty()) throw std::logic_error("enumeration " + t.name_ + " has no values");
  t.ordType_ = t.names_.size() <= 256 ? otUByte : otUWord;
  return t;
}

TTypeInfo TTypeInfo::Set(std::string name, const TTypeInfo& element) {
  if (element.Kind() != tkEnumeration || element.EnumNames().size() > 32)
    throw std::logic_error("set " + name + " needs an enumeration of at most 32 values");
  TTypeInfo t(tkSet, std::move(name));
  t.ordType_ = otULong;
  t.element_ = &element;
  return t;
}

TTypeInfo TTypeInfo::Float(std::string name) { return TTypeInfo(tkFloat, std::move(name)); }

TTypeInfo TTypeInfo::String(std::string name) { return TTypeInfo(tkString, std::move(name)); }

TTypeInfo TTypeInfo::Class(std::string name, const TClassInfo* cls) {
  TTypeInfo t(tkClass, std::move(name));
  t.class_ = cls;
  return t;
}

TTypeInfo TTypeInfo::Method(std::string name) { return TTypeInfo(tkMethod, std::move(name)); }

TTypeInfo TTypeInfo::Other(std::string name) { return TTypeInfo(tkOther, std::move(name)); }

int64_t TTypeInfo::NormalizeOrd(int64_t value) const {
  switch (ordType_) {
    case otSByte: return int8_t(value);
    case otUByte: return uint8_t(value);
    case otSWord: return int16_t(value);
    case otUWord: return uint16_t(value);
    case otSLong: return int32_t(value);
    case otULong: return uint32_t(value);
  }
  return value;
}

const TTypeInfo& TypeInteger() {
  static const TTypeInfo t = TTypeInfo::Integer("Integer");
  return t;
}

const TTypeInfo& TypeCardinal() {
  static const TTypeInfo t = TTypeInfo::Integer("Cardinal", otULong);
  return t;
}

const TTypeInfo& TypeBoolean() {
  static const TTypeInfo t = TTypeInfo::Enumeration("Boolean", {"False", "True"});
  return t;
}

const TTypeInfo& TypeColor() {
  static const TTypeInfo t = TTypeInfo::Integer("TColor");
  return t;
}

const TTypeInfo& TypeDouble() {
  static const TTypeInfo t = TTypeInfo::Float("Double");
  return t;
}

const TTypeInfo& TypeDateTime() {
  static const TTypeInfo t = TTypeInfo::Float("TDateTime");
  return t;
}

const TTypeInfo& TypeString() {
  static const TTypeInfo t = TTypeInfo::String("String");
  return t;
}

const TTypeInfo& TypeStream() {
  static const TTypeInfo t = TTypeInfo::Class("TStream", nullptr);
  return t;
}

const TTypeInfo& TypeNotifyEvent() {
  static const TTypeInfo t = TTypeInfo::Method("TNotifyEvent");
  return t;
}

std::string GetEnumName(const TTypeInfo& type, int64_t ordinal) {
  const auto& names = type.EnumNames();
  if (ordinal < 0 || ordinal >= int64_t(names.size())) return {};
  return names[size_t(ordinal)];
}

int GetEnumValue(const TTypeInfo& type, std::string_view name) {
  const auto& names = type.EnumNames();
  for (size_t i = 0; i < names.size(); ++i)
    if (GbkSameText(names[i], name)) return int(i);
  return -1;
}

int SetElementCount(const TTypeInfo& setType) {
  if (setType.Kind() != tkSet || !setType.ElementType()) return 0;
  return int(setType.ElementType()->EnumNames().size());
}

uint32_t SetFullMask(const TTypeInfo& setType) {
  int n = SetElementCount(setType);
  return n >= 32 ? 0xFFFFFFFFu : (uint32_t(1) << n) - 1;
}

}  // namespace platform
