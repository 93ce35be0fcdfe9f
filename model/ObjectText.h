#pragma once
// Object text: the readable form of a tree of components in project files ("*.spj"),
// display-content files ("*.fmt") and the clipboard. GBK bytes, lines ending in CR LF:
//
//   Object LEDScreen0:TLEDScreen            a block: name and class
//     Object Leaf0:TLeaf                    the registered children first, two spaces deeper
//       DisplayTime=10
//       Name='Leaf0'
//     End
//     Address=1                             then one line per published property, by name
//     Name='LEDScreen0'                     without regard to case
//   End
//
// Property lines by kind: integers in decimal; enumerations and Booleans by value name; floats
// with two decimals and always "." ("1.50"); strings quoted with "'" doubled (an empty string
// writes nothing); sets as "[fsBold,fsItalic]"; string lists as "=(", one quoted line each and
// ")"; pictures and bitmaps as "={", the bytes of a bitmap file in lines of 102 upper-case hex
// digits (a picture's lines start in column 1, a bitmap's at the block's indent) and "}"; any
// other object as "Name.Sub=value" lines for its properties that have a setter, one "." and
// two spaces deeper per level, empty strings included. Events, read-only non-object
// properties, the write-only RecordSelf and PropertyTable write nothing; an object met again on
// its own path is not written again.
#include <string_view>

#include "model/ComponentManager.h"
#include "model/DFMStream.h"
#include "platform/component/Component.h"

namespace model {

// Writes the block of every child of `root` whose class is registered, in ownership order and
// without indentation, at the buffer's position; `root` itself is not written. With `packed`,
// the text is packed with LZSS (every caller here passes false). False when the buffer refused
// a write (or already had), so that nothing truncated is saved or copied.
bool SaveObjectText(platform::TComponent& root, TDFMStream& buffer,
                    const TComponentManager& registry, bool packed);
// Writes the block of one component with its registered children, starting every line with
// `indent` (the copy command passes one space). False as above.
//
// Both write a component whose name is no word the reader takes in a header (an empty name,
// given by code) under a name made as the reader makes names, so that every text written reads.
bool WriteObjectText(std::string_view indent, platform::TComponent& component,
                     TDFMStream& buffer, const TComponentManager& registry);

// Reads the whole of `stream` (bytes 0 to its size; with `packed`, unpacked first) and creates
// the components it describes, the top-level ones owned by `parent`. Names and texts are made
// unique under `namingRoot`: every "Name" read becomes the class name without its first letter
// and the smallest free number, and a "Text" that clashes keeps its prefix without trailing
// digits and gets the smallest free number. A block without a Name line gets the name such a
// line would give it at the block's "End", where the writer puts that line. Every component
// created is Loading() from its creation on; once the text is read, each in creation order
// leaves that state and gets Loaded(), also after a failure.
//
// True on success. False, with the components read so far left in place for the caller to
// remove, on: a text that ends while a block it opened is still open (a file cut short); a
// malformed or unregistered "Object" header; a header nested beyond the reader's
// 512-slot stack; a "." in a property path or after a number not followed by an identifier; a
// property path not followed by "="; a picture or bitmap block that is no bitmap file; an
// exception from a constructor, setter or Loaded(), which never leaves this function.
bool ReadObjectText(platform::TComponent& namingRoot, platform::TComponent& parent,
                    TDFMStream& stream, const TComponentManager& registry, bool packed);

}  // namespace model
