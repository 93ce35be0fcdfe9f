#include "JpegImage.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include <jpeglib.h>

namespace platform {

namespace {

// A progressive file may hold any number of scans; beyond this many it is taken as hostile
// rather than decoded for ever.
constexpr int kMaxScans = 1000;

// libjpeg reports fatal errors through error_exit, which must not return: it jumps back to
// the call that started the work. Everything the jump passes over is libjpeg's own C code.
struct TJpegError {
  jpeg_error_mgr Manager;
  std::jmp_buf Jump;
  int Code = 0;
  bool TooManyScans = false;
};

void ErrorExit(j_common_ptr info) {
  auto* error = reinterpret_cast<TJpegError*>(info->err);
  error->Code = info->err->msg_code;
  std::longjmp(error->Jump, 1);
}

// Warnings and traces are ignored: a damaged file loads as far as it can be decoded.
void IgnoreMessage(j_common_ptr, int) {}
void IgnoreOutput(j_common_ptr) {}

void CheckScans(j_common_ptr info) {
  auto* d = reinterpret_cast<j_decompress_ptr>(info);
  if (d->input_scan_number > kMaxScans) {
    reinterpret_cast<TJpegError*>(info->err)->TooManyScans = true;
    ErrorExit(info);
  }
}

void InstallErrorHandler(jpeg_error_mgr* manager) {
  jpeg_std_error(manager);
  manager->error_exit = ErrorExit;
  manager->emit_message = IgnoreMessage;
  manager->output_message = IgnoreOutput;
}

EInvalidGraphic LibraryError(const TJpegError& error) {
  if (error.TooManyScans) return EInvalidGraphic("JPEG image has too many scans");
  char text[32];
  std::snprintf(text, sizeof text, "JPEG error #%d", error.Code);
  return EInvalidGraphic(text);
}

// Everything a decode changes lives here, on the heap, so nothing the jump back reaches is
// a local that changed after setjmp.
struct TDecoder {
  jpeg_decompress_struct Info{};
  TJpegError Error;
  jpeg_progress_mgr Progress{};
  bool Created = false;
  TBitmap Bitmap;
  std::vector<uint8_t> Row;
  ~TDecoder() {
    if (Created) jpeg_destroy_decompress(&Info);
  }
};

struct TEncoder {
  jpeg_compress_struct Info{};
  TJpegError Error;
  bool Created = false;
  unsigned char* Buffer = nullptr;
  unsigned long Size = 0;
  std::vector<uint8_t> Row;
  ~TEncoder() {
    if (Created) jpeg_destroy_compress(&Info);
    std::free(Buffer);
  }
};

void StoreRow(TDecoder& d, int y) {
  const jpeg_decompress_struct& info = d.Info;
  uint8_t* dst = d.Bitmap.ScanLine(y);
  const uint8_t* src = d.Row.data();
  const size_t w = info.output_width;
  if (info.out_color_space == JCS_GRAYSCALE) {
    std::memcpy(dst, src, w);
  } else if (info.out_color_space == JCS_CMYK) {
    // Adobe writes CMYK inverted (0 = full ink); others write it straight.
    const bool inverted = info.saw_Adobe_marker;
    for (size_t x = 0; x < w; ++x) {
      unsigned c = src[4 * x], m = src[4 * x + 1], yl = src[4 * x + 2], k = src[4 * x + 3];
      if (!inverted) {
        c = 255 - c;
        m = 255 - m;
        yl = 255 - yl;
        k = 255 - k;
      }
      dst[3 * x] = uint8_t((yl * k + 127) / 255);
      dst[3 * x + 1] = uint8_t((m * k + 127) / 255);
      dst[3 * x + 2] = uint8_t((c * k + 127) / 255);
    }
  } else {
    for (size_t x = 0; x < w; ++x) {
      dst[3 * x] = src[3 * x + 2];
      dst[3 * x + 1] = src[3 * x + 1];
      dst[3 * x + 2] = src[3 * x];
    }
  }
}

}  // namespace

TBitmap ReadJpeg(const uint8_t* data, size_t size) {
  auto d = std::make_unique<TDecoder>();
  d->Info.err = &d->Error.Manager;
  InstallErrorHandler(&d->Error.Manager);
  if (setjmp(d->Error.Jump)) throw LibraryError(d->Error);
  jpeg_create_decompress(&d->Info);
  d->Created = true;
  d->Progress.progress_monitor = CheckScans;
  d->Info.progress = &d->Progress;
  jpeg_mem_src(&d->Info, data, static_cast<unsigned long>(size));
  jpeg_read_header(&d->Info, TRUE);

  TPixelFormat pf = pf24bit;
  switch (d->Info.jpeg_color_space) {
    case JCS_GRAYSCALE:
      d->Info.out_color_space = JCS_GRAYSCALE;
      pf = pf8bit;
      break;
    case JCS_CMYK:
    case JCS_YCCK:
      d->Info.out_color_space = JCS_CMYK;
      break;
    default:
      d->Info.out_color_space = JCS_RGB;
      break;
  }
  if (d->Info.image_width > uint32_t(TBitmap::MaxDimension) ||
      d->Info.image_height > uint32_t(TBitmap::MaxDimension) ||
      !TBitmap::SizeAllowed(int(d->Info.image_width), int(d->Info.image_height), pf))
    throw EInvalidGraphic("JPEG image too large");
  jpeg_start_decompress(&d->Info);
  try {
    d->Bitmap = TBitmap(int(d->Info.output_width), int(d->Info.output_height), pf);
    d->Row.assign(size_t(d->Info.output_width) * size_t(d->Info.output_components), 0);
  } catch (const EBitmapError& e) {
    throw EInvalidGraphic(e.what());
  }
  if (pf == pf8bit) {
    std::vector<TColor> greys;
    for (int i = 0; i < 256; ++i) greys.push_back(RGB(uint8_t(i), uint8_t(i), uint8_t(i)));
    d->Bitmap.SetPalette(greys);
  }
  while (d->Info.output_scanline < d->Info.output_height) {
    JSAMPROW row = d->Row.data();
    const int y = int(d->Info.output_scanline);
    if (jpeg_read_scanlines(&d->Info, &row, 1) != 1) break;
    StoreRow(*d, y);
  }
  jpeg_finish_decompress(&d->Info);
  return std::move(d->Bitmap);
}

std::vector<uint8_t> WriteJpeg(const TBitmap& bitmap, int quality) {
  TBgr24Rows rows(bitmap);
  auto e = std::make_unique<TEncoder>();
  e->Info.err = &e->Error.Manager;
  InstallErrorHandler(&e->Error.Manager);
  e->Row.assign(size_t(rows.Width()) * 3, 0);
  if (setjmp(e->Error.Jump)) throw LibraryError(e->Error);
  jpeg_create_compress(&e->Info);
  e->Created = true;
  jpeg_mem_dest(&e->Info, &e->Buffer, &e->Size);
  e->Info.image_width = JDIMENSION(rows.Width());
  e->Info.image_height = JDIMENSION(rows.Height());
  e->Info.input_components = 3;
  e->Info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&e->Info);
  jpeg_set_quality(&e->Info, std::clamp(quality, 1, 100), TRUE);
  jpeg_start_compress(&e->Info, TRUE);
  while (e->Info.next_scanline < e->Info.image_height) {
    const uint8_t* src = rows.Row(int(e->Info.next_scanline));
    for (size_t x = 0; x < size_t(rows.Width()); ++x) {
      e->Row[3 * x] = src[3 * x + 2];
      e->Row[3 * x + 1] = src[3 * x + 1];
      e->Row[3 * x + 2] = src[3 * x];
    }
    JSAMPROW row = e->Row.data();
    jpeg_write_scanlines(&e->Info, &row, 1);
  }
  jpeg_finish_compress(&e->Info);
  return std::vector<uint8_t>(e->Buffer, e->Buffer + e->Size);
}

TGraphicClass TJPEGImage::Class() { return GraphicClassOf<TJPEGImage>("TJPEGImage"); }

void TJPEGImage::LoadFromStream(const uint8_t* data, size_t size) {
  TBitmap decoded = ReadJpeg(data, size);
  data_.assign(data, data + size);
  bitmap_ = std::move(decoded);
}

std::vector<uint8_t> TJPEGImage::SaveToStream() const {
  return data_.empty() ? WriteJpeg(bitmap_, CompressionQuality) : data_;
}

void TJPEGImage::Draw(TCanvas& canvas, const TRect& rect) const {
  canvas.StretchDraw(rect, bitmap_);
}

void TJPEGImage::Assign(const TBitmap& bitmap) {
  bitmap_ = bitmap;
  data_.clear();
}

}  // namespace platform
