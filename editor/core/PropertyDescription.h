#pragma once
// A table of per-class property editors (`TPropertyDescription`): records of class name,
// property path, an editor callback (kind 1) or a list callback (kind 2), appended in
// registration order and looked up by class and property without regard to case. The program
// holds two: the property-editor table the inspector consults, and the double-click table the
// main window tries first when an object is double-clicked.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/component/Component.h"

namespace platform {
class TStrings;
}

namespace editor {

// Edits the property at `path` of `instance` (in a dialog); true when it changed the value.
using TPropertyEditProc = std::function<bool(platform::TObject* instance, const std::string& path)>;
// Fills `list` with the values the property at `path` of `instance` can take.
using TPropertyListProc =
    std::function<void(platform::TObject* instance, const std::string& path, platform::TStrings& list)>;

inline constexpr uint8_t pdEditor = 1, pdList = 2;

class TPropertyDescription : public platform::TComponent {
  DECLARE_CLASS_INFO()

  explicit TPropertyDescription(platform::TComponent* owner = nullptr);

  void Register(std::string_view className, std::string_view property, TPropertyListProc list,
                TPropertyEditProc editor, uint8_t kind);
  // The kind of the first record of the class and property (with an empty property, the first
  // record of the class); 0 when none.
  uint8_t Exists(std::string_view className, std::string_view property) const;
  // The editor of the first kind-1 record that matches (an empty property: of the first kind-1
  // record of the class); empty when none.
  TPropertyEditProc EditorOf(std::string_view className, std::string_view property) const;
  // The list callback of the first kind-2 record that matches; empty when none.
  TPropertyListProc ListOf(std::string_view className, std::string_view property) const;
  // The property of the first record of the class; "" when none.
  std::string PropertyOf(std::string_view className) const;
  // Runs the editor of the first record of `instance`'s class with that record's property, as
  // the main window does for a double-clicked object; true when it changed something.
  bool EditFirst(platform::TObject* instance) const;
  // Forgets every record (the program's editors go with the application that made them).
  void Clear() { records_.clear(); }

 private:
  struct TRecord {
    std::string ClassName;
    std::string Property;
    TPropertyEditProc Editor;
    TPropertyListProc List;
    uint8_t Kind = 0;
  };
  const TRecord* Find(std::string_view className, std::string_view property, uint8_t kind) const;

  std::vector<TRecord> records_;
};

// The program's two tables, made on first use and kept to the end.
TPropertyDescription& PropertyEditorTable();
TPropertyDescription& DoubleClickTable();

}  // namespace editor
