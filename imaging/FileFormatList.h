#pragma once
// The list of image file formats pictures can be loaded from, keyed by extension. Every
// registration is passed on to the framework's picture registry (platform::TPicture), so a
// picture opened by file name gets the right class and the open-picture dialog lists every
// format with its description.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gfx/Picture.h"

namespace imaging {

using platform::TGraphicClass;

// Format-kind bits of an extension, stored for whoever asks; nothing else reads them.
using TFormatKinds = uint8_t;
inline constexpr TFormatKinds fkLayered = 2;     // Photoshop files
inline constexpr TFormatKinds fkMultiImage = 4;  // TIFF files
inline constexpr TFormatKinds fkRaster = 8;      // every raster format
inline constexpr TFormatKinds fkVector = 16;     // metafiles and Paint Shop Pro files

// One graphic class that serves at least one extension.
struct TClassEntry {
  TGraphicClass GraphicClass = nullptr;
  std::string Description;  // the class's common description
  int32_t Count = 0;        // extension entries that point here
};

// One registered extension.
struct TExtensionEntry {
  std::string Extension;    // without the dot, compared ignoring case
  std::string Description;  // this extension's own description; may be empty
  TFormatKinds FormatKinds = 0;
  TClassEntry* ClassEntry = nullptr;
};

// Two lists in registration order, owned here: the class entries and the extension entries.
// Every extension entry points at a class entry of the list, and each class entry's Count is the
// number of extension entries that point at it.
class TFileFormatList {
 public:
  TFileFormatList() = default;
  TFileFormatList(const TFileFormatList&) = delete;
  TFileFormatList& operator=(const TFileFormatList&) = delete;
  // Clear.
  ~TFileFormatList();

  // Registers one extension for a class and tells the framework's registry, with the
  // individual description when there is one, else the class's common description. A known
  // extension throws EInvalidGraphic "Attempt to register %s files twice." (changing nothing)
  // unless `replace` is set, which moves it to the new class in place. A non-empty `common`
  // becomes the class's description. An empty extension does nothing.
  void RegisterFileFormat(std::string_view extension, std::string_view common,
                          std::string_view individual, TFormatKinds kinds, bool replace,
                          TGraphicClass graphicClass);
  // Drops one extension (the framework keeps it while its class has others), or with an empty
  // extension every extension of `graphicClass` and the class itself. Unknown extensions and
  // classes without an entry change nothing.
  void UnregisterFileFormat(std::string_view extension, TGraphicClass graphicClass);
  // Removes every class from the framework's registry and empties both lists.
  void Clear();

  // Index of the first extension entry equal to `extension` ignoring case; -1 for none or "".
  int FindExtension(std::string_view extension) const;
  // Index of the class entry of exactly this class; -1 for none.
  int FindGraphicClass(TGraphicClass graphicClass) const;

  size_t ClassCount() const { return classes_.size(); }
  const TClassEntry& ClassAt(size_t index) const { return *classes_.at(index); }
  size_t ExtensionCount() const { return extensions_.size(); }
  const TExtensionEntry& ExtensionAt(size_t index) const { return *extensions_.at(index); }

 private:
  // Points an extension entry at the class entry of `graphicClass`, made when there is none.
  void AttachClass(TExtensionEntry& entry, std::string_view common, TGraphicClass graphicClass);
  // Drops one reference to a class entry; at none left the entry leaves the class list.
  void ReleaseClass(TClassEntry* classEntry, bool removeFromFramework);

  std::vector<std::unique_ptr<TClassEntry>> classes_;
  std::vector<std::unique_ptr<TExtensionEntry>> extensions_;
};

}  // namespace imaging
