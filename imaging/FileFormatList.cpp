#include "imaging/FileFormatList.h"

#include <algorithm>

#include "imaging/GraphicStrings.h"
#include "platform/base/GbkText.h"

namespace imaging {

using platform::TPicture;

TFileFormatList::~TFileFormatList() { Clear(); }

int TFileFormatList::FindExtension(std::string_view extension) const {
  if (extension.empty()) return -1;
  for (size_t i = 0; i < extensions_.size(); ++i)
    if (platform::GbkSameText(extensions_[i]->Extension, extension)) return int(i);
  return -1;
}

int TFileFormatList::FindGraphicClass(TGraphicClass graphicClass) const {
  for (size_t i = 0; i < classes_.size(); ++i)
    if (classes_[i]->GraphicClass == graphicClass) return int(i);
  return -1;
}

void TFileFormatList::AttachClass(TExtensionEntry& entry, std::string_view common,
                                  TGraphicClass graphicClass) {
  TClassEntry* classEntry;
  const int found = FindGraphicClass(graphicClass);
  if (found < 0) {
    classes_.push_back(std::make_unique<TClassEntry>());
    classEntry = classes_.back().get();
    classEntry->GraphicClass = graphicClass;
  } else {
    classEntry = classes_[size_t(found)].get();
  }
  if (!common.empty()) classEntry->Description = std::string(common);
  ++classEntry->Count;
  entry.ClassEntry = classEntry;
}

void TFileFormatList::ReleaseClass(TClassEntry* classEntry, bool removeFromFramework) {
  if (--classEntry->Count > 0) return;
  if (removeFromFramework) TPicture::UnregisterGraphicClass(classEntry->GraphicClass);
  std::erase_if(classes_, [&](const auto& c) { return c.get() == classEntry; });
}

void TFileFormatList::RegisterFileFormat(std::string_view extension, std::string_view common,
                                         std::string_view individual, TFormatKinds kinds,
                                         bool replace, TGraphicClass graphicClass) {
  if (extension.empty()) return;
  const int found = FindExtension(extension);
  TExtensionEntry* entry;
  if (found < 0) {
    extensions_.push_back(std::make_unique<TExtensionEntry>());
    entry = extensions_.back().get();
    entry->Extension = std::string(extension);
    entry->Description = std::string(individual);
    entry->FormatKinds = kinds;
    AttachClass(*entry, common, graphicClass);
  } else {
    if (!replace) throw platform::EInvalidGraphic(FillText(SRegisterTwice, {extension}));
    entry = extensions_[size_t(found)].get();
    TClassEntry* old = entry->ClassEntry;
    if (old->GraphicClass != graphicClass) {
      AttachClass(*entry, common, graphicClass);
      // The extension itself moves to the new class in the framework's registry below.
      ReleaseClass(old, false);
    }
  }
  const std::string_view description =
      individual.empty() ? std::string_view(entry->ClassEntry->Description) : individual;
  TPicture::RegisterFileFormat(extension, description, graphicClass);
}

void TFileFormatList::UnregisterFileFormat(std::string_view extension,
                                           TGraphicClass graphicClass) {
  if (!extension.empty()) {
    const int found = FindExtension(extension);
    if (found < 0) return;
    ReleaseClass(extensions_[size_t(found)]->ClassEntry, true);
    extensions_.erase(extensions_.begin() + found);
    return;
  }
  const int classIndex = FindGraphicClass(graphicClass);
  if (classIndex < 0) return;
  TClassEntry* classEntry = classes_[size_t(classIndex)].get();
  for (size_t i = extensions_.size(); i-- > 0 && classEntry->Count > 0;) {
    if (extensions_[i]->ClassEntry != classEntry) continue;
    --classEntry->Count;
    extensions_.erase(extensions_.begin() + std::ptrdiff_t(i));
  }
  classes_.erase(classes_.begin() + classIndex);
  TPicture::UnregisterGraphicClass(graphicClass);
}

void TFileFormatList::Clear() {
  for (const auto& classEntry : classes_) TPicture::UnregisterGraphicClass(classEntry->GraphicClass);
  classes_.clear();
  extensions_.clear();
}

}  // namespace imaging
