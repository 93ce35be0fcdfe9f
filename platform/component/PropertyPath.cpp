#include "PropertyPath.h"

namespace platform {

const TPropInfo* PathPropInfo(TObject* obj, std::string_view path, TObject** instance) {
  if (!obj) return nullptr;
  for (;;) {
    size_t dot = path.find('.');
    std::string_view part = path.substr(0, dot);
    if (part.empty()) return nullptr;
    const TPropInfo* p = obj->ClassInfo().FindProperty(part);
    if (!p) return nullptr;
    if (dot == std::string_view::npos) {
      if (instance) *instance = obj;
      return p;
    }
    if (p->Kind() == tkClass) {
      obj = p->GetObject(*obj);
      if (!obj) return nullptr;
    }
    path.remove_prefix(dot + 1);
  }
}

TTypeKind PathKind(TObject* obj, std::string_view path) {
  const TPropInfo* p = PathPropInfo(obj, path);
  return p ? p->Kind() : tkUnknown;
}

namespace {

// Resolves `path` and applies `use` to the property and the object that has it; `none` when
// the path does not resolve.
template <class R, class F>
R AtPath(TObject* obj, std::string_view path, R none, F use) {
  TObject* target = nullptr;
  const TPropInfo* p = PathPropInfo(obj, path, &target);
  return p ? use(*p, *target) : none;
}

}  // namespace

int64_t PathGetOrd(TObject* obj, std::string_view path) {
  return AtPath(obj, path, int64_t(0), [](auto& p, auto& o) { return p.GetOrd(o); });
}

bool PathSetOrd(TObject* obj, std::string_view path, int64_t value) {
  return AtPath(obj, path, false, [&](auto& p, auto& o) { return p.SetOrd(o, value); });
}

double PathGetFloat(TObject* obj, std::string_view path) {
  return AtPath(obj, path, 0.0, [](auto& p, auto& o) { return p.GetFloat(o); });
}

bool PathSetFloat(TObject* obj, std::string_view path, double value) {
  return AtPath(obj, path, false, [&](auto& p, auto& o) { return p.SetFloat(o, value); });
}

std::string PathGetStr(TObject* obj, std::string_view path) {
  return AtPath(obj, path, std::string(), [](auto& p, auto& o) { return p.GetStr(o); });
}

bool PathSetStr(TObject* obj, std::string_view path, std::string_view value) {
  return AtPath(obj, path, false, [&](auto& p, auto& o) { return p.SetStr(o, value); });
}

TObject* PathGetObject(TObject* obj, std::string_view path) {
  return AtPath(obj, path, static_cast<TObject*>(nullptr),
                [](auto& p, auto& o) { return p.GetObject(o); });
}

bool PathSetObject(TObject* obj, std::string_view path, TObject* value) {
  return AtPath(obj, path, false, [&](auto& p, auto& o) { return p.SetObject(o, value); });
}

}  // namespace platform
