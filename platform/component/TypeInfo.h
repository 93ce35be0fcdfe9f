#pragma once
// Types of published properties: the kind of value a property holds, the name of its type (so
// `TColor` and `Cardinal` differ although both are integers), the value names of enumerations
// and the element names of sets.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class TClassInfo;

// What a property holds. tkUnknown (0) is what a lookup of a missing property gives.
enum TTypeKind : uint8_t {
  tkUnknown,
  tkInteger,
  tkEnumeration,  // Boolean included, as False/True
  tkFloat,
  tkString,
  tkSet,          // of at most 32 elements
  tkClass,
  tkMethod,       // events: listed, never read or written by name
  tkOther,
};

// Storage of an ordinal value: ordinals read through properties are widened from it, and values
// written are cut to it, so a colour keeps its sign and a Cardinal does not get one.
enum TOrdType : uint8_t { otSByte, otUByte, otSWord, otUWord, otSLong, otULong };

class TTypeInfo {
 public:
  static TTypeInfo Integer(std::string name, TOrdType ordType = otSLong);
  static TTypeInfo Enumeration(std::string name, std::initializer_list<const char*> names);
  // `element` must outlive this type; it is an enumeration of at most 32 values.
  static TTypeInfo Set(std::string name, const TTypeInfo& element);
  static TTypeInfo Float(std::string name);
  static TTypeInfo String(std::string name);
  static TTypeInfo Class(std::string name, const TClassInfo* cls);
  static TTypeInfo Method(std::string name);
  static TTypeInfo Other(std::string name);

  TTypeKind Kind() const { return kind_; }
  const std::string& Name() const { return name_; }
  TOrdType OrdType() const { return ordType_; }
  // Enumeration: the value names by ordinal.
  const std::vector<std::string>& EnumNames() const { return names_; }
  // Set: the enumeration of its elements.
  const TTypeInfo* ElementType() const { return element_; }
  // Class: the declared class when it is one with class information, else null (a stream).
  const TClassInfo* ClassType() const { return class_; }

  // Widens or cuts an ordinal to this type's storage (see TOrdType).
  int64_t NormalizeOrd(int64_t value) const;

 private:
  TTypeInfo(TTypeKind kind, std::string name) : kind_(kind), name_(std::move(name)) {}

  TTypeKind kind_;
  std::string name_;
  TOrdType ordType_ = otSLong;
  std::vector<std::string> names_;
  const TTypeInfo* element_ = nullptr;
  const TClassInfo* class_ = nullptr;
};

// The standard types.
const TTypeInfo& TypeInteger();   // "Integer"
const TTypeInfo& TypeCardinal();  // "Cardinal", unsigned 32 bits
const TTypeInfo& TypeBoolean();   // "Boolean": False, True
const TTypeInfo& TypeColor();     // "TColor": 0x00BBGGRR, system colours negative
const TTypeInfo& TypeDouble();    // "Double"
const TTypeInfo& TypeDateTime();  // "TDateTime": days since 1899-12-30, time as the fraction
const TTypeInfo& TypeString();    // "String"
const TTypeInfo& TypeStream();    // "TStream": the write-only record property
const TTypeInfo& TypeNotifyEvent();  // "TNotifyEvent"

// The name of an enumeration's value; empty when the ordinal is out of range.
std::string GetEnumName(const TTypeInfo& type, int64_t ordinal);
// The ordinal of the value named `name` (case-insensitive), or -1.
int GetEnumValue(const TTypeInfo& type, std::string_view name);
// The number of elements of a set type (0 for any other type), and the mask of all of them.
int SetElementCount(const TTypeInfo& setType);
uint32_t SetFullMask(const TTypeInfo& setType);

}  // namespace platform
