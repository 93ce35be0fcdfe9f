// Datagrams with made-up sources into the reader and the online table, with the clock moving
// between them. Nothing may be read outside a datagram, the table lists at most 4095 cards and no
// name is longer than 32 bytes.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "editor/core/OnLineList.h"

using namespace editor;

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TOnLineTable table;
  TRequestLimiter limiter(2000, 16);
  TOnLineGrid grid;
  int64_t now = 0;
  bool flooded = false;
  size_t pos = 0;
  // Records: op, source byte, length (u16), then that many datagram bytes.
  while (pos + 4 <= size) {
    const uint8_t op = data[pos];
    const uint32_t ip = 0x0100007F + (uint32_t(data[pos + 1] & 0x0F) << 24);
    const uint16_t port = uint16_t(data[pos + 1] >> 4);
    size_t length = size_t(data[pos + 2]) | (size_t(data[pos + 3]) << 8);
    pos += 4;
    if (length > size - pos) length = size - pos;
    if (length > MaxOnLineDatagram) length = MaxOnLineDatagram;
    // An exact-size copy, so the sanitizer sees any read past the end.
    std::vector<uint8_t> datagram(data + pos, data + pos + length);
    pos += length;

    now += (op & 0x0F) * 1000;
    TOnLineDatagram d = ReadOnLineDatagram(datagram.data(), datagram.size());
    switch (d.Kind) {
      case TOnLineDatagramKind::Request:
        if (limiter.Allow(ip, port, now)) Check(table.AnswerFor(ip, port).size() <= table.Count());
        break;
      case TOnLineDatagramKind::CardReport:
        table.Report(d.Image, ip, port, now, double(now));
        break;
      case TOnLineDatagramKind::Entry:
        table.AddEntry(d.Image, ip, port, now, double(now));
        break;
      case TOnLineDatagramKind::Ignored:
        Check(datagram.size() < 4 || datagram.size() < OnLineEntrySize ||
              (datagram[0] | datagram[1] << 8 | datagram[2] << 16 | uint32_t(datagram[3]) << 24) != CardReportMagic);
        break;
    }
    // Once per input, many cards at once: the table must stop listing at its limit.
    if (op == 0xFF && !flooded && d.Kind != TOnLineDatagramKind::Ignored) {
      flooded = true;
      TCardImage image = d.Image;
      for (uint32_t i = 0; i < MaxOnLineCards + 10; ++i) {
        image.Bytes[32] = uint8_t(i);
        image.Bytes[33] = uint8_t(i >> 8);
        table.Report(image, ip, port, now, 0);
      }
    }
    if (op & 0x10) table.Expire(now, 60000);
    Check(table.Count() <= MaxOnLineCards);
  }
  grid.Update(table.TakeSnapshot());
  Check(grid.EntryCount() <= MaxOnLineCards);
  for (int row = 1; row <= int(grid.EntryCount()); ++row) {
    Check(grid.EntryAt(row)->Image.Name().size() <= CardNameSize);
    if (row <= 64)
      for (int column = 0; column < TOnLineGrid::ColumnCount; ++column) grid.Cell(column, row);
  }
  return 0;
}
