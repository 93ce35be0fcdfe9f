#pragma once
// The record kinds of the program stream, the sizes of the fixed heads, and the rectangle
// every window record carries. Every record starts with its u16 kind; most kinds are the code
// of an ASCII digit or letter.
#include <cstddef>
#include <cstdint>

#include "model/stream/ProgramStream.h"

namespace model {

enum TRecordKind : uint16_t {
  rkSendHeader = 17,      // program header of a send
  rkDownloadHeader = 18,  // program header of a download
  rkPage = 48,            // "0"
  rkPictureWindow = 49,   // "1": rendered object with a display effect
  rkDateTime = 50,        // "2"
  rkStringWindow = 51,    // "3": text the card draws with its own font
  rkPixelBlock = 54,      // "6": one packed picture
  rkGlyphTable = 55,      // "7"
  rkMovie = 56,           // "8"
  rkCountDown = 57,       // "9"
  rkCountUp = 58,         // ":"
  rkTemperature = 80,     // "P"
  rkHumidity = 81,        // "Q"
  rkNoise = 82,           // "R"
  rkAnalogClock = 96,     // "`"
};

constexpr size_t ProgramHeaderSize = 12;
constexpr size_t PageHeadSize = 16;
constexpr size_t PictureWindowHeadSize = 28;
constexpr size_t StringWindowHeadSize = 36;
constexpr size_t PixelBlockHeadSize = 12;

// Where the patched fields sit, from the start of their record.
constexpr size_t ProgramCountOffset = 2;   // u16 number of pages
constexpr size_t ProgramSizeOffset = 4;    // u32 size of the whole stream
constexpr size_t PageCountOffset = 2;      // u16 number of object records
constexpr size_t PageLengthOffset = 12;    // u32 head plus object records
constexpr size_t WindowLengthOffset = 4;   // u32 of picture and string windows (and most records)
constexpr size_t PixelBlockLengthOffset = 8;

// A rectangle in page pixels: Right = Left + width, Bottom = Top + height of the object. Each
// field is stored as a u16, so values outside 0..65535 keep only their low 16 bits, as the
// card has always received them.
struct TRecordRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  bool operator==(const TRecordRect&) const = default;
};

// The rectangle of an object at (left, top) with the given size.
constexpr TRecordRect RecordRect(int left, int top, int width, int height) {
  return {left, top, left + width, top + height};
}

// Appends a rectangle as the records carry it: u16 left, top, right, bottom.
inline void WriteRecordRect(const TRecordRect& rect, TProgramStream& stream) {
  stream.WriteU16(uint16_t(rect.Left));
  stream.WriteU16(uint16_t(rect.Top));
  stream.WriteU16(uint16_t(rect.Right));
  stream.WriteU16(uint16_t(rect.Bottom));
}

}  // namespace model
