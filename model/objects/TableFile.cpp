// The "*.Tab" table file: the control's stream, written and read field by field, little-endian,
// with no gaps. Reading trusts nothing: every count is checked against the bytes left before
// anything is allocated, strings keep at most MaxTextBytes, pictures are read inside their
// block, and merges must form groups of one master and its parts.
#include <algorithm>
#include <unordered_map>

#include "model/objects/TableReport.h"
#include "model/objects/TableReportInternal.h"
#include "platform/base/AtomicFile.h"
#include "platform/base/ByteOrder.h"
#include "platform/base/FilePath.h"
#include "platform/base/GbkText.h"
#include "platform/gfx/BmpImage.h"
#include "platform/gfx/Picture.h"

namespace model {

using platform::TBitmap;
using platform::TRect;
using namespace table_detail;

namespace {

// The smallest line record (index, two heights, top, rectangle) and cell record (every fixed
// field, no merged cells, empty strings, no picture).
constexpr size_t kMinLineRecord = 4 * 4 + 16;
constexpr size_t kMinCellRecord = 16 + 32 + 12 + 4 * 5 + 4 + 8 + 8 + platform::TLogFont::kSize + 8 + 4 +
                                  4 + 3 * 4 + 1 + 4 + 4;
static_assert(kMinCellRecord == 197);

class TWriter {
 public:
  explicit TWriter(std::vector<uint8_t>& out) : out_(out) {}
  void U8(uint8_t v) { platform::AppendU8(out_, v); }
  void U16(uint16_t v) { platform::AppendU16(out_, v); }
  void U32(uint32_t v) { platform::AppendU32(out_, v); }
  void I32(int32_t v) { U32(uint32_t(v)); }
  void Bytes(const void* data, size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    out_.insert(out_.end(), p, p + size);
  }
  void Str(std::string_view s) {
    const std::string_view kept = platform::GbkPrefix(s, TTableReport::MaxTextBytes);
    U32(uint32_t(kept.size()));
    Bytes(kept.data(), kept.size());
  }
  void Rect(const TRect& r) {
    I32(r.Left);
    I32(r.Top);
    I32(r.Right);
    I32(r.Bottom);
  }
  // A bitmap file with 24 bits per pixel; 0 bytes for none.
  void Picture(const TBitmap* picture) {
    if (!picture || picture->Empty()) {
      U32(0);
      return;
    }
    std::vector<uint8_t> bmp;
    if (picture->PixelFormat() == platform::pf24bit) {
      bmp = platform::WriteBmp(*picture);
    } else {
      TBitmap copy(*picture);
      copy.SetPixelFormat(platform::pf24bit);
      bmp = platform::WriteBmp(copy);
    }
    U32(uint32_t(bmp.size()));
    Bytes(bmp.data(), bmp.size());
  }

 private:
  std::vector<uint8_t>& out_;
};

// Reads with a sticky failure: after the first fault every read gives zeros and Ok() is false.
class TReader {
 public:
  TReader(const uint8_t* data, size_t size) : data_(data), in_(data, size) {}

  bool Ok() const { return ok_ && in_.Ok(); }
  void Fail() { ok_ = false; }
  size_t Position() const { return in_.Position(); }
  size_t Remaining() const { return in_.Remaining(); }

  uint8_t U8() { return Ok() ? in_.U8() : 0; }
  uint32_t U32() { return Ok() ? in_.U32() : 0; }
  int32_t I32() { return Ok() ? in_.I32() : 0; }
  int32_t I32In(int32_t lo, int32_t hi) { return std::clamp(I32(), lo, hi); }
  TRect Rect() { return {I32(), I32(), I32(), I32()}; }

  // True when `count` items of at least `each` bytes can still follow.
  bool Fits(uint64_t count, uint64_t each) {
    if (Ok() && count <= Remaining() / each) return true;
    Fail();
    return false;
  }
  // A string of any length is taken whole from the stream; its first MaxTextBytes are kept.
  std::string Str() {
    const uint32_t n = U32();
    if (!Fits(n, 1)) return {};
    std::string s(reinterpret_cast<const char*>(data_ + in_.Position()), n);
    in_.Skip(n);
    return CapText(s);
  }
  std::unique_ptr<TBitmap> Picture() {
    const uint32_t n = U32();
    if (!Fits(n, 1) || n == 0) return nullptr;
    const uint8_t* block = data_ + in_.Position();
    in_.Skip(n);
    try {
      auto picture = std::make_unique<TBitmap>(platform::ReadBmp(block, n));
      if (picture->PixelFormat() != platform::pf24bit) picture->SetPixelFormat(platform::pf24bit);
      return picture;
    } catch (const platform::EInvalidGraphic&) {
    } catch (const platform::EBitmapError&) {
    } catch (const std::bad_alloc&) {
    }
    Fail();
    return nullptr;
  }
  platform::TLogFont Font() {
    uint8_t bytes[platform::TLogFont::kSize] = {};
    if (!Ok() || !in_.Read(bytes, sizeof bytes)) {
      Fail();
      return {};
    }
    return *platform::TLogFont::FromBytes(bytes);
  }

 private:
  const uint8_t* data_;
  platform::TByteReader in_;
  bool ok_ = true;
};

struct TCellRef {
  int32_t Line = -1;
  int32_t Cell = -1;
};

}  // namespace

struct TTableFile {
  static std::vector<uint8_t> Write(const TTableReport& t);
  // Reads a table from `size` bytes; `used` is how many it took.
  static TTableLoad Read(TTableReport& t, const uint8_t* data, size_t size, size_t& used);
};

std::vector<uint8_t> TTableFile::Write(const TTableReport& t) {
  std::vector<uint8_t> out;
  out.reserve(1024);
  TWriter w(out);
  const TTableSettings& s = t.settings_;
  w.U16(TTableReport::Magic);
  w.Str(s.Caption);
  w.I32(t.Width());
  w.I32(t.Height());
  w.I32(s.LeftMargin);
  w.I32(s.TopMargin);
  w.I32(s.RightMargin);
  w.I32(s.BottomMargin);
  for (size_t i : {0, 2, 1, 3}) w.I32(s.Spacings[i]);
  for (const auto* list : {&s.ListA, &s.ListB}) {
    w.U32(uint32_t(list->size()));
    for (const std::string& text : *list) w.Str(text);
  }
  w.Str(s.TextC);
  w.U32(s.ValueD);
  w.Str(s.TextE);
  w.Str(s.TextF);
  w.U8(s.FlagG);
  w.Picture(t.background_.get());
  w.U8(s.FlagG);
  w.U8(s.FlagH);
  w.U8(s.FlagI);
  w.U32(s.ValueJ);
  w.U8(s.FlagK);
  w.U8(s.FlagL);
  w.U32(s.ValueM);
  w.U32(s.ValueN);
  w.U32(t.color_);
  w.U32(t.gridColor_);
  w.U32(uint32_t(t.lines_.size()));
  for (const auto& line : t.lines_) w.U32(uint32_t(line->cells_.size()));
  for (const auto& line : t.lines_) {
    w.I32(line->index_);
    w.I32(line->cellHeight_);
    w.I32(line->askedHeight_);
    w.I32(line->top_);
    w.Rect(line->rect_);
    for (const auto& c : line->cells_) {
      w.I32(c->innerMargin_);
      w.I32(c->column_);
      w.I32(c->left_);
      w.I32(c->width_);
      w.Rect(c->cellRect_);
      w.Rect(c->textRect_);
      w.I32(c->askedHeight_);
      w.I32(c->naturalHeight_);
      w.I32(c->mergedTextHeight_);
      for (const TCellBorder& b : c->borders_) {
        w.U8(b.Shown ? 1 : 0);
        w.I32(b.Width);
      }
      w.U32(c->diagonals_);
      w.U32(c->textColor_);
      w.U32(c->backColor_);
      w.U32(c->horzAlign_);
      w.U32(c->vertAlign_);
      const auto font = c->font_.ToBytes();
      w.Bytes(font.data(), font.size());
      if (const TTableReportCell* m = c->mergedInto_) {
        w.I32(m->line_->index_);
        w.I32(m->column_);
      } else {
        w.I32(-1);
        w.I32(-1);
      }
      w.U32(uint32_t(c->parts_.size()));
      for (const TTableReportCell* p : c->parts_) {
        w.I32(p->line_->index_);
        w.I32(p->column_);
      }
      w.Str(c->text_);
      for (const std::string& extra : c->extraTexts_) w.Str(extra);
      w.U8(c->marker_);
      w.U32(c->value_);
      w.Picture(c->picture_.get());
    }
  }
  return out;
}

TTableLoad TTableFile::Read(TTableReport& t, const uint8_t* data, size_t size, size_t& used) {
  used = 0;
  if (size < 2 || platform::LoadU16(data) != TTableReport::Magic) return TTableLoad::WrongMagic;
  TReader in(data + 2, size - 2);
  constexpr int32_t kMax = TTableReport::MaxCellSize;

  TTableSettings s;
  s.Caption = in.Str();
  const int32_t pageWidth = in.I32In(0, kMax);
  const int32_t pageHeight = in.I32In(0, kMax);
  s.LeftMargin = in.I32In(-kMax, kMax);
  s.TopMargin = in.I32In(-kMax, kMax);
  s.RightMargin = in.I32In(-kMax, kMax);
  s.BottomMargin = in.I32In(-kMax, kMax);
  for (size_t i : {0, 2, 1, 3}) s.Spacings[i] = in.I32();
  for (auto* list : {&s.ListA, &s.ListB}) {
    const uint32_t n = in.U32();
    if (!in.Fits(n, 4)) break;
    list->reserve(n);
    for (uint32_t i = 0; i < n && in.Ok(); ++i) list->push_back(in.Str());
  }
  s.TextC = in.Str();
  s.ValueD = in.U32();
  s.TextE = in.Str();
  s.TextF = in.Str();
  s.FlagG = in.U8();
  std::unique_ptr<TBitmap> background = in.Picture();
  in.U8();  // flag G again, written from the first
  s.FlagH = in.U8();
  s.FlagI = in.U8();
  s.ValueJ = in.U32();
  s.FlagK = in.U8();
  s.FlagL = in.U8();
  s.ValueM = in.U32();
  s.ValueN = in.U32();
  const uint32_t color = in.U32();
  const uint32_t grid = in.U32();

  // Lines and their cells are made only once the bytes left can hold their records.
  const uint32_t lineCount = in.U32();
  if (!in.Fits(lineCount, 4 + kMinLineRecord)) return TTableLoad::Damaged;
  std::vector<uint32_t> cellCounts(lineCount);
  uint64_t cellTotal = 0;
  for (uint32_t& n : cellCounts) {
    n = in.U32();
    cellTotal += n;
  }
  if (!in.Ok() || cellTotal > (in.Remaining() - uint64_t(lineCount) * kMinLineRecord) / kMinCellRecord)
    return TTableLoad::Damaged;

  std::vector<std::unique_ptr<TTableReportLine>> lines;
  lines.reserve(lineCount);
  for (uint32_t n : cellCounts) {
    auto line = std::make_unique<TTableReportLine>(&t);
    line->cells_.reserve(n);
    for (uint32_t c = 0; c < n; ++c) line->cells_.push_back(std::make_unique<TTableReportCell>(line.get()));
    lines.push_back(std::move(line));
  }

  std::vector<TCellRef> into;                      // per cell, in reading order
  std::vector<std::vector<TCellRef>> partRefs;     // per cell
  into.reserve(size_t(cellTotal));
  partRefs.reserve(size_t(cellTotal));
  for (auto& line : lines) {
    in.I32();  // index: the position
    in.I32();  // cell height: recomputed
    line->askedHeight_ = in.I32In(0, kMax);
    in.I32();  // top and rectangle: recomputed
    in.Rect();
    for (auto& c : line->cells_) {
      c->innerMargin_ = in.I32In(0, kMax);
      in.I32();  // column and left: recomputed
      in.I32();
      c->width_ = in.I32In(TTableReport::MinCellWidth, kMax);
      in.Rect();  // rectangles: recomputed
      in.Rect();
      c->askedHeight_ = in.I32In(0, kMax);
      in.I32();  // natural and merged text heights: recomputed
      in.I32();
      for (TCellBorder& b : c->borders_) {
        b.Shown = in.U8() != 0;
        b.Width = in.I32In(0, TTableReport::MaxBorderWidth);
      }
      c->diagonals_ = in.U32();
      c->textColor_ = in.U32();
      c->backColor_ = in.U32();
      c->horzAlign_ = in.U32();
      c->vertAlign_ = in.U32();
      c->font_ = in.Font();
      TCellRef ref;
      ref.Line = in.I32();
      ref.Cell = in.I32();
      into.push_back(ref);
      const uint32_t parts = in.U32();
      auto& refs = partRefs.emplace_back();
      if (in.Fits(parts, 8)) {
        refs.reserve(parts);
        for (uint32_t p = 0; p < parts; ++p) {
          TCellRef part;
          part.Line = in.I32();
          part.Cell = in.I32();
          refs.push_back(part);
        }
      }
      c->text_ = in.Str();
      for (std::string& extra : c->extraTexts_) extra = in.Str();
      c->marker_ = in.U8();
      c->value_ = in.U32();
      c->picture_ = in.Picture();
      if (!in.Ok()) return TTableLoad::Damaged;
    }
  }
  if (!in.Ok()) return TTableLoad::Damaged;

  // Merges name cells by line and cell index among all lines; a negative index names none.
  bool bad = false;
  auto find = [&](const TCellRef& r) -> TTableReportCell* {
    if (r.Line < 0 || r.Cell < 0) return nullptr;
    if (size_t(r.Line) >= lines.size() || size_t(r.Cell) >= lines[size_t(r.Line)]->cells_.size()) {
      bad = true;
      return nullptr;
    }
    return lines[size_t(r.Line)]->cells_[size_t(r.Cell)].get();
  };
  size_t k = 0;
  for (auto& line : lines)
    for (auto& c : line->cells_) {
      c->mergedInto_ = find(into[k]);
      for (const TCellRef& r : partRefs[k])
        if (TTableReportCell* part = find(r)) c->parts_.push_back(part);
      ++k;
    }
  // Every part is merged into a master that is itself free, and is listed by that master
  // once; every listed part names its master. Anything else would send layout and painting
  // round in circles or out of the table.
  std::unordered_map<const TTableReportCell*, int> listed;
  for (auto& line : lines)
    for (auto& c : line->cells_)
      for (const TTableReportCell* part : c->parts_) {
        if (part == c.get() || part->mergedInto_ != c.get() || ++listed[part] > 1) bad = true;
      }
  for (auto& line : lines)
    for (auto& c : line->cells_)
      if (const TTableReportCell* m = c->mergedInto_) {
        if (m == c.get() || m->mergedInto_ || listed[c.get()] != 1) bad = true;
      }
  if (bad) return TTableLoad::Damaged;

  // The table is good: it replaces what the control held.
  t.CloseEditor();
  t.drag_ = TTableReport::TDrag();
  t.selection_.clear();
  t.current_ = nullptr;
  t.lines_ = std::move(lines);
  t.settings_ = std::move(s);
  t.color_ = color;
  if (grid != 0) t.gridColor_ = grid;
  t.background_ = std::move(background);
  t.SetBounds(t.Left(), t.Top(), pageWidth, pageHeight);
  t.Layout();
  t.InvalidateRect(Everything());
  if (t.host_) {
    t.host_->ExtentChanged();
    t.host_->ScrollTo(0, 0);
  }
  used = 2 + in.Position();
  return TTableLoad::Loaded;
}

std::vector<uint8_t> TTableReport::StreamBytes() const { return TTableFile::Write(*this); }

bool TTableReport::SaveToStream(platform::TMemoryStream& stream) const {
  const std::vector<uint8_t> bytes = StreamBytes();
  return stream.Write(bytes.data(), bytes.size());
}

TTableLoad TTableReport::LoadFromStream(platform::TMemoryStream& stream) {
  const size_t at = std::min(stream.Position(), stream.Size());
  size_t used = 0;
  const TTableLoad result = TTableFile::Read(*this, stream.Memory() + at, stream.Size() - at, used);
  switch (result) {
    case TTableLoad::WrongMagic:
      ShowMessage("打开文件错误");
      break;
    case TTableLoad::Damaged:
      Clear();
      break;
    case TTableLoad::Loaded:
      stream.SetPosition(at + used);
      break;
  }
  return result;
}

TTableLoad TTableReport::LoadFile(std::string_view fileName) {
  std::string content;
  if (fileName.empty() || !platform::ReadWholeFile(platform::OsPathFromGbk(fileName), content)) {
    ShowMessage("打开报表错误!");
    Clear();
    return TTableLoad::Damaged;
  }
  platform::TMemoryStream stream;
  stream.Write(content.data(), content.size());
  stream.SetPosition(0);
  const TTableLoad result = LoadFromStream(stream);
  switch (result) {
    case TTableLoad::WrongMagic:
      break;
    case TTableLoad::Damaged:
      ShowMessage("打开报表错误!");
      break;
    case TTableLoad::Loaded:
      TakeSnapshot();
      break;
  }
  return result;
}

bool TTableReport::LoadFromFile(std::string_view fileName) { return LoadFile(fileName) == TTableLoad::Loaded; }

bool TTableReport::SaveToFile(std::string_view fileName) {
  const std::vector<uint8_t> bytes = StreamBytes();
  if (fileName.empty() ||
      !platform::SaveFileAtomic(platform::OsPathFromGbk(fileName), bytes.data(), bytes.size())) {
    ShowMessage("报表保存错误!");
    return false;
  }
  snapshot_ = bytes;
  return true;
}

}  // namespace model
