#pragma once
// Class information: the class name, the parent class, a factory for component classes, and
// the published properties, each with its type, getter and setter. Properties are read and
// written by name through TPropInfo, by dotted path through PropertyPath.h.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <typeindex>
#include <typeinfo>
#include <vector>

#include "platform/component/Object.h"
#include "platform/component/TypeInfo.h"

namespace platform {

class TComponent;

// One published property. Reads of a kind the property does not hold give 0, 0.0, "" or null;
// writes of such a kind, writes without a setter and writes to an object of another class do
// nothing and give false.
class TPropInfo {
 public:
  // How a property is reached; filled by TClassBuilder. Each accessor gives false when the
  // object is not of the declaring class.
  struct TAccessors {
    std::function<bool(TObject&, int64_t&)> GetOrd;
    std::function<bool(TObject&, int64_t)> SetOrd;
    std::function<bool(TObject&, double&)> GetFloat;
    std::function<bool(TObject&, double)> SetFloat;
    std::function<bool(TObject&, std::string&)> GetStr;
    std::function<bool(TObject&, const std::string&)> SetStr;
    std::function<bool(TObject&, TObject*&)> GetObject;
    std::function<bool(TObject&, TObject*)> SetObject;
    // Write-only stream property: the stream's C++ type and its setter.
    std::function<bool(TObject&, void*)> SetStream;
    std::type_index StreamType = typeid(void);
  };

  TPropInfo(std::string name, const TTypeInfo& type, TAccessors accessors);
  TPropInfo(const TPropInfo&) = delete;
  TPropInfo& operator=(const TPropInfo&) = delete;

  const std::string& Name() const { return name_; }
  const TTypeInfo& PropType() const { return *type_; }
  TTypeKind Kind() const { return type_->Kind(); }
  bool IsReadable() const;
  bool IsWritable() const;
  // The write-only stream property: setting a stream appends the object's record to it,
  // reading gives null.
  bool IsStream() const { return bool(acc_.SetStream); }

  // Integer, enumeration (Boolean: 0/1) and set (bit n = element n) properties.
  int64_t GetOrd(TObject& obj) const;
  // Enumeration values out of range are refused; set bits beyond the last element are dropped;
  // integers are cut to the type's storage.
  bool SetOrd(TObject& obj, int64_t value) const;
  double GetFloat(TObject& obj) const;
  bool SetFloat(TObject& obj, double value) const;
  std::string GetStr(TObject& obj) const;
  bool SetStr(TObject& obj, std::string_view value) const;
  // Class properties. Setting refuses an object that is not of the declared class; null is
  // passed on to the setter.
  TObject* GetObject(TObject& obj) const;
  bool SetObject(TObject& obj, TObject* value) const;
  // Stream properties: refuses a stream of another type than the one registered.
  template <class S>
  bool SetStream(TObject& obj, S* stream) const {
    if (!IsStream() || acc_.StreamType != std::type_index(typeid(S))) return false;
    return acc_.SetStream(obj, const_cast<void*>(static_cast<const void*>(stream)));
  }

 private:
  std::string name_;
  const TTypeInfo* type_;
  TAccessors acc_;
};

using TComponentFactory = TComponent* (*)(TComponent* owner);

class TClassInfo {
 public:
  // `own` are the properties this class publishes; one with the name of an inherited property
  // (case-insensitive) takes that property's place in the list.
  TClassInfo(std::string name, const TClassInfo* parent, TComponentFactory factory,
             std::vector<std::unique_ptr<TPropInfo>> own);
  TClassInfo(const TClassInfo&) = delete;
  TClassInfo& operator=(const TClassInfo&) = delete;

  const std::string& ClassName() const { return name_; }
  const TClassInfo* Parent() const { return parent_; }
  bool InheritsFrom(const TClassInfo& cls) const;

  // Component classes can be created by name with an owner. The new component belongs to the
  // owner, or to the caller when the owner is null. Null for classes that cannot be created.
  bool CanCreate() const { return factory_ != nullptr; }
  TComponent* CreateInstance(TComponent* owner) const;

  // The published properties, inherited ones first, in the order they were declared.
  const std::vector<const TPropInfo*>& Properties() const { return props_; }
  // The same, sorted by name without regard to case.
  const std::vector<const TPropInfo*>& SortedProperties() const { return sorted_; }
  // Case-insensitive; null when the class publishes no such property.
  const TPropInfo* FindProperty(std::string_view name) const;

  // The type of a property declared with this class.
  const TTypeInfo& Type() const { return type_; }

 private:
  std::string name_;
  const TClassInfo* parent_;
  TComponentFactory factory_;
  std::vector<std::unique_ptr<TPropInfo>> own_;
  std::vector<const TPropInfo*> props_;
  std::vector<const TPropInfo*> sorted_;
  TTypeInfo type_;
};

}  // namespace platform
