#pragma once
// The root of every class that carries run-time class information: its class name, its parent
// class and its published properties, which object text, the property inspector and the
// program-stream writer all use by name.
#include <functional>
#include <string>

namespace platform {

class TClassInfo;
class TObject;

// An event handler that is told which object raised the event (the sender, or the object the
// event is about, as each event says).
using TNotifyEvent = std::function<void(TObject* sender)>;

class TObject {
 public:
  virtual ~TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;

  static const TClassInfo& StaticClassInfo();
  // Every class with class information overrides this (DECLARE_CLASS_INFO does it).
  virtual const TClassInfo& ClassInfo() const { return StaticClassInfo(); }

  const std::string& ClassName() const;
  // True for the class itself and for every class derived from it.
  bool InheritsFrom(const TClassInfo& cls) const;

 protected:
  TObject() = default;
};

}  // namespace platform

// Declares a class's class information; the definition of StaticClassInfo() registers the
// class name and its published properties (see ClassBuilder.h). Leaves the access at public.
#define DECLARE_CLASS_INFO()                                                       \
 public:                                                                           \
  static const ::platform::TClassInfo& StaticClassInfo();                          \
  const ::platform::TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
