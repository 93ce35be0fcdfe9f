// The program-tree exports: MakeRoot, AddLeaf and the item calls, on the library's program
// builder and the shared program-stream writers.
#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "library/Library.h"
#include "library/panelcast.h"
#include "model/stream/CountRecords.h"
#include "model/stream/DateTimeRecord.h"
#include "model/stream/GlyphTable.h"
#include "model/stream/MovieRecord.h"
#include "model/stream/RecordKinds.h"
#include "model/stream/WindowRecords.h"
#include "platform/base/DateTime.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/FontDescription.h"

namespace panelcast {

namespace {

using model::TProgramStream;

constexpr int32_t kMaxPictureSide = 65535;

std::optional<model::TRecordRect> RectOf(const TLEDRect* rect) {
  if (!rect) return std::nullopt;
  return model::TRecordRect{rect->Left, rect->Top, rect->Right, rect->Bottom};
}

platform::TFontDescription FontOf(const char* name, int32_t size, uint32_t colour) {
  platform::TFontDescription font;
  font.Name = name;
  font.SetSize(size);
  font.Color = colour;
  return font;
}

// The width x height picture at the top-left of `image`; what lies beyond the image is black.
std::optional<platform::TBitmap> PictureOf(const TLEDImage& image, int32_t width, int32_t height) {
  if (image.Width < 0 || image.Height < 0) return std::nullopt;
  const int64_t rowBytes = int64_t(image.Width) * 3;
  if (image.Width > 0 && image.Height > 0 && (!image.Bits || image.Stride < rowBytes))
    return std::nullopt;
  platform::TBitmap picture(width, height, platform::pf24bit);
  const int rows = std::min(height, image.Height);
  const size_t copy = size_t(std::min(width, image.Width)) * 3;
  const auto* bits = static_cast<const uint8_t*>(image.Bits);
  for (int y = 0; y < rows && copy > 0; ++y)
    std::memcpy(picture.ScanLine(y), bits + size_t(y) * size_t(image.Stride), copy);
  return picture;
}

// The moment of a SYSTEMTIME; nothing for a record that is no valid date and time.
std::optional<platform::TDateTime> MomentOf(const TLEDSystemTime* time) {
  if (!time) return std::nullopt;
  const platform::TSystemTime t{time->wYear,   time->wMonth,  time->wDayOfWeek, time->wDay,
                                time->wHour,   time->wMinute, time->wSecond,
                                time->wMilliseconds};
  return platform::SystemTimeToDateTime(t);
}

// Runs one builder call under the builder's lock; 0 outside the library's life and for
// anything that escapes.
template <typename F>
int32_t WithBuilder(F call) {
  TLibraryState* state = Library();
  if (!state) return 0;
  try {
    std::lock_guard lock(state->BuilderLock);
    return call(state->Builder) ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

}  // namespace

}  // namespace panelcast

using panelcast::TProgramBuilder;
using model::TProgramStream;

extern "C" {

PANELCAST_API int32_t MakeRoot(int32_t kind, int32_t colourMode) {
  return panelcast::WithBuilder(
      [&](TProgramBuilder& builder) { return builder.MakeRoot(kind, colourMode); });
}

PANELCAST_API int32_t AddLeaf(uint32_t displayTime) {
  return panelcast::WithBuilder(
      [&](TProgramBuilder& builder) { return builder.AddLeaf(displayTime); });
}

PANELCAST_API int32_t AddWindow(const TLEDImage* image, int32_t width, int32_t height,
                                const TLEDRect* rect, int32_t effect, int32_t speed,
                                int32_t transparent) {
  const auto r = panelcast::RectOf(rect);
  if (!image || !r) return 0;
  if (width <= 0 || width > panelcast::kMaxPictureSide) return 0;
  if (height <= 0 || height > panelcast::kMaxPictureSide) return 0;
  return panelcast::WithBuilder([&](TProgramBuilder& builder) {
    return builder.AddItem([&](TProgramStream& stream) {
      const auto picture = panelcast::PictureOf(*image, width, height);
      if (!picture) return false;
      model::WritePictureWindow(*r, *picture, uint16_t(effect), uint16_t(speed), transparent != 0,
                                stream);
      return true;
    });
  });
}

PANELCAST_API int32_t AddText(const char* text, const TLEDRect* rect, int32_t effect,
                              int32_t speed, int32_t transparent, const char* fontName,
                              int32_t fontSize, uint32_t colour) {
  const auto r = panelcast::RectOf(rect);
  if (!text || !r || !fontName) return 0;
  return panelcast::WithBuilder([&](TProgramBuilder& builder) {
    return builder.AddItem([&](TProgramStream& stream) {
      platform::TBitmap picture;
      model::FontGlyphPainter(panelcast::FontOf(fontName, fontSize, colour))(text, picture);
      if (picture.Width() > panelcast::kMaxPictureSide ||
          picture.Height() > panelcast::kMaxPictureSide)
        return false;
      model::WritePictureWindow(*r, picture, uint16_t(effect), uint16_t(speed), transparent != 0,
                                stream);
      return true;
    });
  });
}

PANELCAST_API int32_t AddString(const char* text, const TLEDRect* rect, int32_t effect,
                                int32_t speed, int32_t transparent, int32_t fontSet,
                                uint32_t colour) {
  const auto r = panelcast::RectOf(rect);
  if (!text || !r) return 0;
  return panelcast::WithBuilder([&](TProgramBuilder& builder) {
    return builder.AddItem([&](TProgramStream& stream) {
      model::WriteStringWindow(*r, text, uint32_t(fontSet), colour, uint16_t(effect),
                               uint16_t(speed), transparent != 0, stream);
      return true;
    });
  });
}

PANELCAST_API int32_t AddDateTime(const TLEDRect* rect, int32_t transparent, const char* fontName,
                                  int32_t fontSize, uint32_t colour, int32_t format) {
  const auto r = panelcast::RectOf(rect);
  if (!r || !fontName) return 0;
  return panelcast::WithBuilder([&](TProgramBuilder& builder) {
    return builder.AddItem([&](TProgramStream& stream) {
      return model::WriteDateTimeRecord(*r, 0, panelcast::FontOf(fontName, fontSize, colour),
                                        transparent != 0, format, stream);
    });
  });
}

PANELCAST_API int32_t AddCountUp(const TLEDRect* rect, int32_t transparent, const char* fontName,
                                 int32_t fontSize, uint32_t colour, int32_t countFormat,
                                 const TLEDSystemTime* start) {
  const auto r = panelcast::RectOf(rect);
  const auto moment = panelcast::MomentOf(start);
  if (!r || !fontName || !moment) return 0;
  return panelcast::WithBuilder([&](TProgramBuilder& builder) {
    return builder.AddItem([&](TProgramStream& stream) {
      return model::WriteCountUpRecord(*r, panelcast::FontOf(fontName, fontSize, colour),
                                       transparent != 0, *moment, stream, uint16_t(countFormat));
    });
  });
}

PANELCAST_API int32_t AddCountDown(const TLEDRect* rect, int32_t transparent,
                                   const char* fontName, int32_t fontSize, uint32_t colour,
                                   int32_t countFormat, const TLEDSystemTime* target) {
  // Count-downs are always right-aligned on the card.
  constexpr uint16_t kRightJustify = 1;
  const auto r = panelcast::RectOf(rect);
  const auto moment = panelcast::MomentOf(target);
  if (!r || !fontName || !moment) return 0;
  return panelcast::WithBuilder([&](TProgramBuilder& builder) {
    return builder.AddItem([&](TProgramStream& stream) {
      return model::WriteCountDownRecord(*r, panelcast::FontOf(fontName, fontSize, colour),
                                         transparent != 0, kRightJustify, *moment, stream,
                                         uint16_t(countFormat));
    });
  });
}

PANELCAST_API int32_t AddMovie(const char* fileName, const TLEDRect* rect, int32_t stretch) {
  const auto r = panelcast::RectOf(rect);
  if (!fileName || !r) return 0;
  return panelcast::WithBuilder([&](TProgramBuilder& builder) {
    // Movies are sent only to full-colour cards.
    if (builder.ColorMode() != 3 && builder.ColorMode() != 4) return false;
    return builder.AddItem([&](TProgramStream& stream) {
      return model::WriteMovieRecord(*r, fileName, stream, (stretch & 0xFF) != 0);
    });
  });
}

}  // extern "C"
