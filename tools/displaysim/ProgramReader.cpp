#include "ProgramReader.h"

namespace displaysim {

TBytes TBytes::Sub(size_t offset, size_t count) const {
  if (offset >= size_) return TBytes(data_ + size_, 0);
  if (count > size_ - offset) count = size_ - offset;
  return TBytes(data_ + offset, count);
}

size_t RecordHeadSize(uint16_t kind) {
  switch (kind) {
    case kdPictureWindow: return PictureWindowHeadSize;
    case kdStringWindow: return StringWindowHeadSize;
    case kdDateTime: return DateTimeHeadSize;
    case kdCountDown:
    case kdCountUp: return CountHeadSize;
    case kdTemperature:
    case kdHumidity:
    case kdNoise: return SensorHeadSize;
    case kdMovie: return MovieHeadSize;
    case kdClock: return ClockHeadSize;
    case kdPixelBlock: return PixelBlockHeadSize;
    case kdGlyphTable: return GlyphTableHeadSize;
    default: return UnknownHeadSize;
  }
}

std::vector<TRecordView> ReadRecords(TBytes bytes, size_t count) {
  std::vector<TRecordView> records;
  size_t at = 0;
  while (records.size() < count && bytes.Has(at, UnknownHeadSize)) {
    const uint16_t kind = bytes.U16(at);
    const size_t length = bytes.U32(at + 4);
    // A length shorter than the head (0 among them) would never move on, and one past the
    // parent would read another record's bytes.
    if (length < RecordHeadSize(kind) || !bytes.Has(at, length)) break;
    records.push_back({kind, bytes.Sub(at, length)});
    at += length;
  }
  return records;
}

TProgramView ReadProgram(TBytes program) {
  TProgramView view;
  const uint16_t kind = program.U16(0);
  if (!program.Has(0, HeaderSize) || (kind != kdSendHeader && kind != kdDownloadHeader))
    return view;
  view.Playable = true;
  view.ColorMode = program.U16(8);
  const size_t pageCount = program.U16(2);
  size_t at = HeaderSize;
  while (view.Pages.size() < pageCount && program.Has(at, PageHeadSize)) {
    const size_t length = program.U32(at + 12);
    if (program.U16(at) != kdPage || length < PageHeadSize || !program.Has(at, length)) break;
    const TBytes page = program.Sub(at, length);
    TPageView p;
    p.DisplayTimeMs = page.U32(4);
    p.Records = ReadRecords(page.From(PageHeadSize), page.U16(2));
    view.Pages.push_back(std::move(p));
    at += length;
  }
  return view;
}

}  // namespace displaysim
