#include "WindowRecords.h"

#include "model/stream/PixelBlock.h"

namespace model {

namespace {

// The part both window heads share: kind, transparent, length placeholder, rectangle,
// effect, speed and 8 zero bytes.
void WriteWindowHead(TProgramStream& stream, uint16_t kind, const TRecordRect& rect,
                     uint16_t effect, uint16_t speed, bool transparent) {
  stream.WriteU16(kind);
  stream.WriteU16(transparent ? 1 : 0);
  stream.WriteU32(0);
  WriteRecordRect(rect, stream);
  stream.WriteU16(effect);
  stream.WriteU16(speed);
  stream.WriteZeros(8);
}

}  // namespace

void WritePictureWindow(const TRecordRect& rect, const platform::TBitmap& bitmap,
                        uint16_t effect, uint16_t speed, bool transparent,
                        TProgramStream& stream) {
  const size_t start = stream.Position();
  WriteWindowHead(stream, rkPictureWindow, rect, effect, speed, transparent);
  WritePictureBits(bitmap, stream);
  stream.PatchU32(start + WindowLengthOffset, uint32_t(stream.Position() - start));
}

void WriteStringWindow(const TRecordRect& rect, std::string_view text, uint32_t fontSet,
                       platform::TColor color, uint16_t effect, uint16_t speed,
                       bool transparent, TProgramStream& stream) {
  const size_t start = stream.Position();
  WriteWindowHead(stream, rkStringWindow, rect, effect, speed, transparent);
  stream.WriteU32(color);
  stream.WriteU32(fontSet);
  const size_t end = text.find('\0');
  if (end != std::string_view::npos) text = text.substr(0, end);
  stream.Write(text.data(), text.size());
  stream.WriteZeros(1);
  stream.PadToFour();
  stream.PatchU32(start + WindowLengthOffset, uint32_t(stream.Position() - start));
}

}  // namespace model
