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
#include <optional>
#include <string>
#include <vector>

#include "editor/core/Dialogs.h"
#include "editor/core/Main.h"
#include "editor/core/PropertyDescription.h"
#include "platform/base/DateTime.h"
#include "platform/gfx/FontDescription.h"

namespace platform {
class TComponent;
}
namespace model {
class TCards;
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
  // The input dialogs, shown modally; the editors of a dialog left empty are not registered.
  // The rich-text dialog on a file (GBK, "" for none): once accepted, the file the text is in;
  // nothing when abandoned.
  std::function<std::optional<std::string>(const std::string& gbkFile)> EditRichText;
  // The text-lines dialog with its editor in `font`: the edited GBK lines, nothing when
  // abandoned.
  std::function<std::optional<std::vector<std::string>>(const std::vector<std::string>& gbkLines,
                                                        const platform::TFontDescription& font)>
      EditTextLines;
  // The date-time dialog starting at `initial`: the chosen moment as "YYYY-MM-DD HH:NN:SS",
  // nothing when cancelled.
  std::function<std::optional<std::string>(platform::TDateTime initial)> InputDateTime;
  // The sub-card dialog on a screen's sub-card container, which it changes in place.
  std::function<void(model::TCards& cards)> EditSubCards;
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

  // The picture open dialog: every registered picture format.
  static TFileRequest PictureRequest();

 private:
  TPropertyEditProc FileEditor(TFileRequest request) const;
  TPropertyEditProc FileEditor(std::function<TFileRequest()> request) const;
  TPropertyEditProc TableEditor() const;
  TPropertyEditProc RichTextEditor() const;
  TPropertyEditProc TextLinesEditor() const;
  TPropertyEditProc DateTimeEditor() const;
  TPropertyEditProc SubCardEditor() const;

  TComponentEditorContext context_;
  TPropertyDescription& editors_;
  TPropertyDescription& doubleClick_;
};

}  // namespace editor
