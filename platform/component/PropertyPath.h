#pragma once
// Published properties reached by dotted paths ("Font.Name", "Communicate.IP"). The path is
// split at each "."; every part but the last must name a published property of the object
// reached so far (without regard to case). When that property holds an object the walk goes on
// in it; a property of another kind leaves the walk on the same object. A path that does not
// resolve reads as none, 0 or "" and is not written.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/component/ClassInfo.h"

namespace platform {

// The property at the end of `path`, and (when `instance` is given) the object that has it;
// null when the path does not resolve. A null object resolves nothing.
const TPropInfo* PathPropInfo(TObject* obj, std::string_view path, TObject** instance = nullptr);
// The kind of that property; tkUnknown (0) when missing.
TTypeKind PathKind(TObject* obj, std::string_view path);

int64_t PathGetOrd(TObject* obj, std::string_view path);
// Integer, enumeration and set properties with a setter.
bool PathSetOrd(TObject* obj, std::string_view path, int64_t value);
double PathGetFloat(TObject* obj, std::string_view path);
bool PathSetFloat(TObject* obj, std::string_view path, double value);
std::string PathGetStr(TObject* obj, std::string_view path);
bool PathSetStr(TObject* obj, std::string_view path, std::string_view value);
// Null unless the property holds an object.
TObject* PathGetObject(TObject* obj, std::string_view path);
bool PathSetObject(TObject* obj, std::string_view path, TObject* value);

// Sets a write-only stream property ("RecordSelf") to `stream`.
template <class S>
bool PathSetStream(TObject* obj, std::string_view path, S* stream) {
  TObject* target = nullptr;
  const TPropInfo* p = PathPropInfo(obj, path, &target);
  return p && p->SetStream(*target, stream);
}

}  // namespace platform
