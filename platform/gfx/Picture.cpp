#include "Picture.h"

#include <mutex>

#include "platform/base/AtomicFile.h"
#include "platform/base/GbkText.h"
#include "platform/gfx/BmpImage.h"
#include "platform/gfx/JpegImage.h"

namespace platform {

namespace {

struct TRegistry {
  std::mutex Mutex;
  std::vector<TPictureFormat> Formats;
};

// The registry, holding the framework's own formats from the start.
TRegistry& Registry() {
  static TRegistry* registry = [] {
    auto* r = new TRegistry;
    r->Formats = {{"bmp", "Bitmaps", TBitmapGraphic::Class()},
                  {"jpg", "JPEG Image File", TJPEGImage::Class()},
                  {"jpeg", "JPEG Image File", TJPEGImage::Class()}};
    return r;
  }();
  return *registry;
}

// The extension of a path's file name, without the dot; empty when it has none.
std::string_view ExtensionOf(std::string_view path) {
  size_t slash = path.find_last_of('/');
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  size_t dot = name.find_last_of('.');
  return dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
}

}  // namespace

void TGraphic::LoadFromFile(const std::string& path) {
  std::string content, error;
  if (!ReadWholeFile(path, content, &error))
    throw EFOpenError("Cannot open file \"" + path + "\". " + error);
  LoadFromStream(reinterpret_cast<const uint8_t*>(content.data()), content.size());
}

void TGraphic::SaveToFile(const std::string& path) const {
  std::vector<uint8_t> data = SaveToStream();
  std::string error;
  if (!SaveFileAtomic(path, data.data(), data.size(), &error))
    throw EFOpenError("Cannot create file \"" + path + "\". " + error);
}

void TPicture::RegisterFileFormat(std::string_view extension, std::string_view description,
                                  TGraphicClass graphicClass) {
  if (extension.empty() || !graphicClass) return;
  TRegistry& r = Registry();
  std::lock_guard lock(r.Mutex);
  for (TPictureFormat& f : r.Formats)
    if (GbkSameText(f.Extension, extension)) {
      f = {std::string(extension), std::string(description), graphicClass};
      return;
    }
  r.Formats.push_back({std::string(extension), std::string(description), graphicClass});
}

void TPicture::UnregisterGraphicClass(TGraphicClass graphicClass) {
  TRegistry& r = Registry();
  std::lock_guard lock(r.Mutex);
  std::erase_if(r.Formats, [&](const TPictureFormat& f) { return f.GraphicClass == graphicClass; });
}

std::vector<TPictureFormat> TPicture::FileFormats() {
  TRegistry& r = Registry();
  std::lock_guard lock(r.Mutex);
  return r.Formats;
}

TGraphicClass TPicture::FindExtension(std::string_view extension) {
  if (extension.empty()) return nullptr;
  TRegistry& r = Registry();
  std::lock_guard lock(r.Mutex);
  for (const TPictureFormat& f : r.Formats)
    if (GbkSameText(f.Extension, extension)) return f.GraphicClass;
  return nullptr;
}

std::string TPicture::GraphicFilter() {
  std::vector<TPictureFormat> formats = FileFormats();
  std::string all, each;
  for (const TPictureFormat& f : formats) {
    std::string mask = "*." + GbkLowerCase(f.Extension);
    all += (all.empty() ? "" : ";") + mask;
    each += "|" + f.Description + " (" + mask + ")|" + mask;
  }
  return "All (" + all + ")|" + all + each;
}

void TPicture::LoadFromFile(const std::string& path) {
  std::string_view extension = ExtensionOf(path);
  TGraphicClass graphicClass = FindExtension(extension);
  if (!graphicClass)
    throw EInvalidGraphic("Unknown picture file extension (." + std::string(extension) + ")");
  std::unique_ptr<TGraphic> graphic = graphicClass->Create();
  graphic->LoadFromFile(path);
  graphic_ = std::move(graphic);
}

void TPicture::SaveToFile(const std::string& path) const {
  if (!graphic_) throw EInvalidGraphic("Picture is empty");
  graphic_->SaveToFile(path);
}

}  // namespace platform
