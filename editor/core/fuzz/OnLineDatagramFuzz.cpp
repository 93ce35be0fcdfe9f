// Datagrams with made-up sources into the reader, the online table and the request limiter, with
// the clock moving between them. Nothing may be read outside a datagram, the table lists at most
// 4095 cards, no name is longer than 32 bytes, a server's entry never changes a card's own, and
// the answers allowed in a period stay within the budget.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "editor/core/OnLineList.h"

using namespace editor;

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr int64_t Period = 2000;
  constexpr size_t Budget = 64 * OnLineEntrySize;
  TOnLineTable table;
  TRequestLimiter limiter(Period, Budget, 4);
  std::optional<int64_t> origin;
  int64_t period = -1;
  size_t spent = 0;
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
      case TOnLineDatagramKind::Request: {
        const size_t count = table.AnswerCount(ip, port);
        Check(count <= table.Count());
        const size_t bytes = count * OnLineEntrySize;
        if (bytes == 0) break;
        if (!origin) origin = now;
        if ((now - *origin) / Period != period) {
          period = (now - *origin) / Period;
          spent = 0;
        }
        if (limiter.Allow(ip, port, bytes, now)) {
          spent += bytes;
          Check(spent <= Budget);
          if (op & 0x20) Check(table.AnswerFor(ip, port).size() == count);
        }
        break;
      }
      case TOnLineDatagramKind::CardReport:
        table.Report(d.Image, ip, port, now, double(now));
        break;
      case TOnLineDatagramKind::Entry: {
        // A card's own entry stays as it was.
        std::optional<TOnLineEntry> own;
        if (table.Count() <= 64)
          for (const auto& e : table.Snapshot())
            if (e.Image.DeviceId() == d.Image.DeviceId() && !e.Source.Remote) own = e;
        table.AddEntry(d.Image, ip, port, now, double(now));
        if (own)
          for (const auto& e : table.Snapshot())
            if (e.Image.DeviceId() == own->Image.DeviceId())
              Check(e.Image.Bytes == own->Image.Bytes && e.LastReportMs == own->LastReportMs && !e.Source.Remote);
        break;
      }
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
    if (op & 0x10) table.Expire(now, 60000, 300000);
    if (op & 0x40) table.DropUnlisted(ip, port, now - 4000);
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
