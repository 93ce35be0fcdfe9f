#pragma once
// The property editors by class (unit ComponentEditor): properties of display objects and
// screens that are edited in a dialog rather than typed in the inspector. Each is registered as
// an editor callback for a (class, property) in one of the program's two tables:
//
//   - the property-editor table, used by the inspector's dialog button and by the main window's
//     message 0x402;
//   - the double-click table, tried first when an object is double-clicked on the page (0x401).
//
// An editor callback gets the object and the property path and returns whether it changed
// something. Dialogs are modal and the program's messages keep running inside them, so a
// callback keeps the object's identity and looks it up again after its dialog: an object freed
// meanwhile is left alone (the callback then returns false).
//
// The application object makes one TComponentEditor at start-up; it registers its editors in the
// tables' order and takes them out again when it goes.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "editor/core/Dialogs.h"
#include "editor/core/Main.h"
#include "editor/core/PropertyDescription.h"

namespace platform {
class TComponent;
}
namespace model {
class TLEDScreen;
}

namespace editor {

// What the editors work with.
struct TComponentEditorContext {
  // Boxes and file dialogs.
  TDialogs* Dialogs = nullptr;
  // The table editor, shown modally on a table file (GBK, "" for none), its table view sized to
  // a screen of the given size; the file name it ends with.
  std::function<std::string(const std::string& gbkFile, int screenWidth, int screenHeight)> EditTable;
  // The main window's current screen (null while there is none).
  std::function<model::TLEDScreen*()> CurrentScreen;
  // An editor run for the main window's messages changed `control`: the inspector shows the
  // designer's current control again, the save button is enabled and the project is marked
  // modified.
  std::function<void(platform::TComponent& control)> OnEdited;
};

class TComponentEditor {
 public:
  // Registers the editors into `editors` (the property-editor table) and `doubleClick`.
  explicit TComponentEditor(TComponentEditorContext context, TPropertyDescription& editors = PropertyEditorTable(),
                            TPropertyDescription& doubleClick = DoubleClickTable());
  // Empties both tables.
  ~TComponentEditor();
  TComponentEditor(const TComponentEditor&) = delete;
  TComponentEditor& operator=(const TComponentEditor&) = delete;

  // The main window's 0x401 for a double-clicked control: the double-click editor of its class
  // (the first record's, with that record's property), and when there is none or it changed
  // nothing, the property-editor table likewise. True when an editor changed the control;
  // OnEdited has run then.
  bool EditObject(platform::TComponent& control);
  // The main window's 0x402: the property-editor table's first editor of the control's class.
  bool EditProperty(platform::TComponent& control);

  // The picture open dialog: every registered picture format.
  static TFileRequest PictureRequest();

 private:
  bool RunFirstEditor(const TPropertyDescription& table, platform::TComponent& control);
  TPropertyEditProc FileEditor(TFileRequest request) const;
  TPropertyEditProc FileEditor(std::function<TFileRequest()> request) const;
  TPropertyEditProc TableEditor() const;

  TComponentEditorContext context_;
  TPropertyDescription& editors_;
  TPropertyDescription& doubleClick_;
};

// Names controls in the main window's messages: a control posted with 0x401 or 0x402 travels as
// a number and is found again when the message is handled, or not at all when it was freed
// meanwhile. GUI thread only.
class TControlIds {
 public:
  TControlIds();
  ~TControlIds();
  TControlIds(const TControlIds&) = delete;
  TControlIds& operator=(const TControlIds&) = delete;

  // A new number for `control` (never 0).
  TControlId Add(platform::TComponent* control);
  // The control a number names, and forgets the number; null when it was freed or is unknown.
  platform::TComponent* Take(TControlId id);

 private:
  struct TEntries;
  std::unique_ptr<TEntries> entries_;
  TControlId next_ = 1;
};

// The program's numbers for its main window's messages.
TControlIds& ControlIds();

}  // namespace editor
