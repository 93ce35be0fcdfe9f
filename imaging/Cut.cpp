#include "imaging/Cut.h"

#include <algorithm>
#include <filesystem>

#include "imaging/RasterCompression.h"
#include "platform/base/AtomicFile.h"
#include "platform/base/FilePath.h"

namespace imaging {

platform::TGraphicClass TCUTGraphic::Class() { return platform::GraphicClassOf<TCUTGraphic>("TCUTGraphic"); }

namespace {

bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

// The palette file to read for `name`: the name itself, else the first (by name) regular file
// of its folder whose name equals it ignoring case; empty when there is none.
std::string FindPaletteFile(const std::string& name) {
  if (name.empty()) return {};
  if (platform::RegularFileExists(name)) return name;
  const std::string folder = platform::ExtractFilePath(name);
  const std::string wanted = platform::ExtractFileName(name);
  std::error_code error;
  std::filesystem::directory_iterator it(folder.empty() ? "." : folder, error), end;
  std::string found;
  for (; !error && it != end; it.increment(error)) {
    const std::string candidate = it->path().filename().string();
    if (SameIgnoringAsciiCase(candidate, wanted) && (found.empty() || candidate < found) &&
        platform::RegularFileExists(folder + candidate))
      found = candidate;
  }
  return found.empty() ? std::string() : folder + found;
}

}  // namespace

std::vector<platform::TColor> ReadCutPalette(std::span<const uint8_t> data) {
  constexpr size_t blockSize = 512, entrySize = 6;
  std::vector<platform::TColor> palette;
  if (data.size() < 14) return palette;
  const size_t count = std::min<size_t>(size_t(data[12] | (data[13] << 8)) + 1, 256);
  size_t block = 0, at = 40;
  while (palette.size() < count) {
    if (blockSize - at < entrySize) {
      block += blockSize;
      at = 0;
    }
    const size_t offset = block + at;
    if (offset + entrySize > data.size()) break;
    palette.push_back(platform::RGB(data[offset], data[offset + 2], data[offset + 4]));
    at += entrySize;
  }
  return palette;
}

void TCUTGraphic::LoadFromFile(const std::string& path) {
  PaletteFileName = platform::SetFileExt(path, ".pal");
  TRasterGraphic::LoadFromFile(path);
}

void TCUTGraphic::ReadImage(TImageStream& in, platform::TBitmap& bitmap) {
  const uint16_t width = in.U16LE();
  const uint16_t height = in.U16LE();
  in.Skip(2);

  TColorManager& m = ColorManager();
  m.SetSourceColorScheme(schIndexed);
  m.SetTargetColorScheme(schIndexed);
  bitmap.SetPixelFormat(platform::pf8bit);
  SizeBitmap(bitmap, width, height);
  const std::string paletteFile = FindPaletteFile(PaletteFileName);
  std::string content;
  if (!paletteFile.empty() && platform::ReadWholeFile(paletteFile, content))
    bitmap.SetPalette(ReadCutPalette(
        {reinterpret_cast<const uint8_t*>(content.data()), content.size()}));
  else
    bitmap.SetPalette(m.MakeGrayPalette(false));

  // Each row is a packed line of its own; rows the data does not reach stay zero.
  const std::span<const uint8_t> rest = in.Read(in.Remaining());
  const uint8_t* source = rest.data();
  size_t packedSize = rest.size();
  TCUTRLEDecoder decoder;
  for (uint16_t y = 0; y < height && packedSize > 0; ++y) {
    uint8_t* target = bitmap.ScanLine(y);
    size_t unpackedSize = width;
    decoder.Decode(source, packedSize, target, unpackedSize);
  }
}

}  // namespace imaging
