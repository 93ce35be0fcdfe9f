#pragma once
// giflib as the outside oracle of the GIF tests: decodes bytes with DGifSlurp (from memory) into
// plain records, and encodes frames with EGifSpew. Only tests and benchmarks link it.
#include <gif_lib.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/gfx/Color.h"

namespace giftest {

using Bytes = std::vector<uint8_t>;

inline Bytes ReadFixture(const std::string& name) {
  std::ifstream in(std::string(CORVANE_FIXTURES) + "/" + name, std::ios::binary);
  if (!in) throw std::runtime_error("missing fixture " + name);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

struct TOracleFrame {
  int Left = 0, Top = 0, Width = 0, Height = 0;
  bool Interlace = false;
  std::vector<platform::TColor> Colors;  // local table; empty without one
  Bytes Raster;                          // rows in natural order
  std::vector<Bytes> Extensions;         // each as on file: 21, label, sub-blocks, 0
};

struct TOracleGif {
  int Width = 0, Height = 0, Background = 0, AspectByte = 0;
  std::vector<platform::TColor> Colors;  // global table
  std::vector<TOracleFrame> Frames;
  std::vector<Bytes> TrailingExtensions;  // after the last image
};

inline std::vector<platform::TColor> OracleColors(const ColorMapObject* map) {
  std::vector<platform::TColor> colors;
  if (!map) return colors;
  for (int i = 0; i < map->ColorCount; ++i)
    colors.push_back(platform::RGB(map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue));
  return colors;
}

// giflib keeps an extension as a first block (its function code) and continuation blocks.
inline std::vector<Bytes> OracleExtensions(int count, const ExtensionBlock* blocks) {
  std::vector<Bytes> out;
  for (int i = 0; i < count; ++i) {
    const ExtensionBlock& b = blocks[i];
    if (b.Function != CONTINUE_EXT_FUNC_CODE) {
      if (!out.empty()) out.back().push_back(0);
      out.push_back({0x21, uint8_t(b.Function)});
    }
    out.back().push_back(uint8_t(b.ByteCount));
    out.back().insert(out.back().end(), b.Bytes, b.Bytes + b.ByteCount);
  }
  if (!out.empty()) out.back().push_back(0);
  return out;
}

struct TMemoryInput {
  const Bytes* Data;
  size_t Pos;
};

inline int ReadMemory(GifFileType* gif, GifByteType* dest, int count) {
  auto* in = static_cast<TMemoryInput*>(gif->UserData);
  const size_t n = std::min(size_t(count), in->Data->size() - in->Pos);
  std::memcpy(dest, in->Data->data() + in->Pos, n);
  in->Pos += n;
  return int(n);
}

// Decodes a whole file; throws with giflib's error code when it cannot.
inline TOracleGif SlurpGif(const Bytes& data) {
  TMemoryInput input{&data, 0};
  int error = 0;
  GifFileType* gif = DGifOpen(&input, ReadMemory, &error);
  if (!gif) throw std::runtime_error("giflib open error " + std::to_string(error));
  if (DGifSlurp(gif) != GIF_OK) {
    error = gif->Error;
    DGifCloseFile(gif, nullptr);
    throw std::runtime_error("giflib slurp error " + std::to_string(error));
  }
  TOracleGif result;
  result.Width = gif->SWidth;
  result.Height = gif->SHeight;
  result.Background = gif->SBackGroundColor;
  result.AspectByte = gif->AspectByte;
  result.Colors = OracleColors(gif->SColorMap);
  for (int i = 0; i < gif->ImageCount; ++i) {
    const SavedImage& s = gif->SavedImages[i];
    TOracleFrame f;
    f.Left = s.ImageDesc.Left;
    f.Top = s.ImageDesc.Top;
    f.Width = s.ImageDesc.Width;
    f.Height = s.ImageDesc.Height;
    f.Interlace = s.ImageDesc.Interlace;
    f.Colors = OracleColors(s.ImageDesc.ColorMap);
    f.Raster.assign(s.RasterBits, s.RasterBits + size_t(f.Width) * size_t(f.Height));
    f.Extensions = OracleExtensions(s.ExtensionBlockCount, s.ExtensionBlocks);
    result.Frames.push_back(std::move(f));
  }
  result.TrailingExtensions = OracleExtensions(gif->ExtensionBlockCount, gif->ExtensionBlocks);
  DGifCloseFile(gif, nullptr);
  return result;
}

inline int WriteMemory(GifFileType* gif, const GifByteType* src, int count) {
  static_cast<Bytes*>(gif->UserData)->insert(static_cast<Bytes*>(gif->UserData)->end(), src,
                                             src + count);
  return count;
}

// One frame of indices with a table of 2^bits grey entries, encoded by giflib.
inline Bytes EncodeWithGiflib(const Bytes& pixels, int width, int height, int bits) {
  Bytes out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, WriteMemory, &error);
  if (!gif) throw std::runtime_error("giflib open error");
  ColorMapObject* map = GifMakeMapObject(1 << bits, nullptr);
  for (int i = 0; i < (1 << bits); ++i)
    map->Colors[i] = GifColorType{uint8_t(i), uint8_t(i), uint8_t(i)};
  EGifPutScreenDesc(gif, width, height, bits, 0, map);
  EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr);
  for (int y = 0; y < height; ++y)
    EGifPutLine(gif, const_cast<GifPixelType*>(pixels.data() + size_t(y) * width), width);
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);
  return out;
}

}  // namespace giftest
