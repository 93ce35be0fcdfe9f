#pragma once
// Registration of a class's published properties, one line per property, as a class's
// StaticClassInfo() definition:
//
//   const TClassInfo& TFont::StaticClassInfo() {
//     static const TClassInfo info = TClassBuilder<TFont, TPersistent>("TFont")
//         .Property("Color", TypeColor(), &TFont::Color, &TFont::SetColor)
//         .Property("Name", &TFont::Name, &TFont::SetName)
//         .Property("Style", TypeFontStyles(), &TFont::Style, &TFont::SetStyle)
//         .Build();
//     return info;
//   }
//
// A getter is a member function (or any callable taking the object) returning the value; a
// setter is a member function (or callable) taking it, or nullptr for a property without one.
// The type is deduced for bool (Boolean), uint32_t (Cardinal), other integers (Integer),
// double (Double), std::string (String) and pointers to classes with class information; it is
// given for enumerations, sets (integer bit masks) and named integer or float types.
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/component/ClassInfo.h"
#include "platform/component/Component.h"

namespace platform {

namespace detail {

template <class>
inline constexpr bool kAlwaysFalse = false;

template <class V>
using TClassOf = std::remove_cv_t<std::remove_pointer_t<V>>;

template <class V>
inline constexpr bool kIsObjectPointer =
    std::is_pointer_v<V> && std::is_base_of_v<TObject, TClassOf<V>>;

template <class V>
const TTypeInfo& DeducedType() {
  if constexpr (std::is_same_v<V, bool>) {
    return TypeBoolean();
  } else if constexpr (std::is_same_v<V, uint32_t>) {
    return TypeCardinal();
  } else if constexpr (std::is_integral_v<V>) {
    static_assert(sizeof(V) <= 4, "64-bit integers cannot be published");
    return TypeInteger();
  } else if constexpr (std::is_floating_point_v<V>) {
    return TypeDouble();
  } else if constexpr (std::is_same_v<V, std::string>) {
    return TypeString();
  } else if constexpr (kIsObjectPointer<V>) {
    return TClassOf<V>::StaticClassInfo().Type();
  } else {
    static_assert(kAlwaysFalse<V>, "give the TTypeInfo of enumeration and set properties");
  }
}

}  // namespace detail

template <class C, class Parent>
class TClassBuilder {
  static_assert(std::is_base_of_v<Parent, C> && !std::is_same_v<Parent, C>);

 public:
  explicit TClassBuilder(std::string name) : name_(std::move(name)) {}

  template <class G, class S>
  TClassBuilder& Property(std::string name, G getter, S setter) {
    using V = std::remove_cvref_t<std::invoke_result_t<G&, C&>>;
    return Property(std::move(name), detail::DeducedType<V>(), std::move(getter),
                    std::move(setter));
  }

  template <class G, class S>
  TClassBuilder& Property(std::string name, const TTypeInfo& type, G getter, S setter) {
    using V = std::remove_cvref_t<std::invoke_result_t<G&, C&>>;
    constexpr bool kReadOnly = std::is_null_pointer_v<S>;
    TPropInfo::TAccessors acc;
    const TTypeKind kind = type.Kind();
    if constexpr (std::is_integral_v<V> || std::is_enum_v<V>) {
      Require(kind == tkInteger || kind == tkEnumeration || kind == tkSet, name, type);
      if (kind == tkSet && SetElementCount(type) > int(sizeof(V) * 8))
        Fail(name, "its set does not fit its value");
      acc.GetOrd = [getter](TObject& o, int64_t& v) {
        C* c = dynamic_cast<C*>(&o);
        if (!c) return false;
        v = static_cast<int64_t>(std::invoke(getter, *c));
        return true;
      };
      if constexpr (!kReadOnly) {
        acc.SetOrd = [setter](TObject& o, int64_t v) {
          C* c = dynamic_cast<C*>(&o);
          if (!c) return false;
          std::invoke(setter, *c, static_cast<V>(v));
          return true;
        };
      }
    } else if constexpr (std::is_floating_point_v<V>) {
      Require(kind == tkFloat, name, type);
      acc.GetFloat = [getter](TObject& o, double& v) {
        C* c = dynamic_cast<C*>(&o);
        if (!c) return false;
        v = double(std::invoke(getter, *c));
        return true;
      };
      if constexpr (!kReadOnly) {
        acc.SetFloat = [setter](TObject& o, double v) {
          C* c = dynamic_cast<C*>(&o);
          if (!c) return false;
          std::invoke(setter, *c, static_cast<V>(v));
          return true;
        };
      }
    } else if constexpr (std::is_same_v<V, std::string>) {
      Require(kind == tkString, name, type);
      acc.GetStr = [getter](TObject& o, std::string& v) {
        C* c = dynamic_cast<C*>(&o);
        if (!c) return false;
        v = std::invoke(getter, *c);
        return true;
      };
      if constexpr (!kReadOnly) {
        acc.SetStr = [setter](TObject& o, const std::string& v) {
          C* c = dynamic_cast<C*>(&o);
          if (!c) return false;
          std::invoke(setter, *c, v);
          return true;
        };
      }
    } else if constexpr (detail::kIsObjectPointer<V>) {
      using T = detail::TClassOf<V>;
      Require(kind == tkClass, name, type);
      acc.GetObject = [getter](TObject& o, TObject*& v) {
        C* c = dynamic_cast<C*>(&o);
        if (!c) return false;
        v = const_cast<T*>(std::invoke(getter, *c));
        return true;
      };
      if constexpr (!kReadOnly) {
        acc.SetObject = [setter](TObject& o, TObject* v) {
          C* c = dynamic_cast<C*>(&o);
          T* t = v ? dynamic_cast<T*>(v) : nullptr;
          if (!c || (v && !t)) return false;
          std::invoke(setter, *c, t);
          return true;
        };
      }
    } else {
      static_assert(detail::kAlwaysFalse<V>, "this kind of value cannot be published");
    }
    Add(std::move(name), type, std::move(acc));
    return *this;
  }

  // The write-only stream property: setting a `Stream*` calls `setter` (null included),
  // reading gives null.
  template <class Stream, class F>
  TClassBuilder& StreamProperty(std::string name, F setter) {
    TPropInfo::TAccessors acc;
    acc.StreamType = typeid(Stream);
    acc.SetStream = [setter](TObject& o, void* s) {
      C* c = dynamic_cast<C*>(&o);
      if (!c) return false;
      std::invoke(setter, *c, static_cast<Stream*>(s));
      return true;
    };
    Add(std::move(name), TypeStream(), std::move(acc));
    return *this;
  }

  // An event: listed with its type, never read or written by name.
  TClassBuilder& Event(std::string name, const TTypeInfo& type = TypeNotifyEvent()) {
    Require(type.Kind() == tkMethod, name, type);
    Add(std::move(name), type, {});
    return *this;
  }

  // A property of another kind (a character, a record...): listed with its type only.
  TClassBuilder& Other(std::string name, const TTypeInfo& type) {
    Require(type.Kind() == tkOther, name, type);
    Add(std::move(name), type, {});
    return *this;
  }

  TClassInfo Build() {
    TComponentFactory factory = nullptr;
    if constexpr (std::is_base_of_v<TComponent, C> && !std::is_abstract_v<C> &&
                  std::is_constructible_v<C, TComponent*>) {
      factory = [](TComponent* owner) -> TComponent* { return new C(owner); };
    }
    return TClassInfo(std::move(name_), &Parent::StaticClassInfo(), factory, std::move(props_));
  }

 private:
  void Add(std::string name, const TTypeInfo& type, TPropInfo::TAccessors acc) {
    props_.push_back(std::make_unique<TPropInfo>(std::move(name), type, std::move(acc)));
  }
  void Require(bool ok, const std::string& prop, const TTypeInfo& type) const {
    if (!ok) Fail(prop, "its value does not match its type " + type.Name());
  }
  [[noreturn]] void Fail(const std::string& prop, const std::string& why) const {
    throw std::logic_error("class " + name_ + ", property " + prop + ": " + why);
  }

  std::string name_;
  std::vector<std::unique_ptr<TPropInfo>> props_;
};

}  // namespace platform
