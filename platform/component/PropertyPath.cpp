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

int64_t PathGetOrd(TObject* obj, std::string_view path) {
  TObject* target = nullptr;
  const TPropInfo* p = PathPropInfo(obj, path, &target);
  return p ? p->GetOrd(*target) : 0;
}

bool PathSetOrd(TObject* obj, std::string_view path, int64_t value) {
  TObject* target = nullptr;
  const TPropInfo* p = PathPropInfo(obj, path, &target);
  return p && p->SetOrd(*target, value);
}

double PathGetFloat(TObject* obj, std::string_view path) {
  TObject* target = nullptr;
  const TPropInfo* p = PathPropInfo(obj, path, &target);
  return p ? p->GetFloat(*target) : 0.0;
}

bool PathSetFloat(TObject* obj, std::string_view path, double value) {
  TObject* target = nullptr;
  const TPropInfo* p = PathPropInfo(obj, path, &target);
  return p && p->SetFloat(*target, value);
}

std::string PathGetStr(TObject* obj, std::string_view path) {
  TObject* target = nullptr;
  const TPropInfo* p = PathPropInfo(obj, path, &target);
  return p ? p->GetStr(*target) : std::string();
}

bool PathSetStr(TObject* obj, std::string_view path, std::string_view value) {
  TObject* target = nullptr;
  const TPropInfo* p = PathPropInfo(obj, path, &target);
  return p && p->SetStr(*target, value);
}

TObject* PathGetObject(TObject* obj, std::string_view path) {
  TObject* target = nullptr;
  const TPropInfo* p = PathPropInfo(obj, path, &target);
  return p ? p->GetObject(*target) : nullptr;
}

bool PathSetObject(TObject* obj, std::string_view path, TObject* value) {
  TObject* target = nullptr;
  const TPropInfo* p = PathPropInfo(obj, path, &target);
  return p && p->SetObject(*target, value);
}

}  // namespace platform
