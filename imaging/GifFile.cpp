#include "imaging/GifFile.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "imaging/GifImage.h"
#include "platform/base/AtomicFile.h"

namespace imaging {

using platform::LoadU16;
using platform::LoadU32;
using platform::TColor;

TGIFLimits& GIFLimits() {
  static TGIFLimits limits;
  return limits;
}

namespace {

// A fixed-size read: a short one raises "Premature end of data" and reads nothing.
void ReadFixed(TGIFReader& in, void* dest, size_t count) {
  if (in.Remaining() < count) throw GIFException("Premature end of data");
  in.Read(dest, count);
}

void StepBack(TGIFReader& in) {
  if (in.Position() > 0) in.Seek(in.Position() - 1);
}

void AppendU16(TGIFBytes& out, uint16_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}

// Sub-blocks until a zero size or the end of the data, each becoming one string cut at its
// first zero byte.
std::vector<std::string> ReadStrings(TGIFReader& in) {
  std::vector<std::string> lines;
  uint8_t buffer[255];
  while (in.Remaining() > 0) {
    const size_t size = in.U8();
    if (size == 0) break;
    ReadFixed(in, buffer, size);
    const void* zero = std::memchr(buffer, 0, size);
    lines.emplace_back(reinterpret_cast<const char*>(buffer),
                       zero ? size_t(static_cast<const uint8_t*>(zero) - buffer) : size);
  }
  return lines;
}

// Each string in pieces of at most 255 bytes (an empty one writes nothing), then a zero byte.
void WriteStrings(TGIFBytes& out, const std::vector<std::string>& lines) {
  for (const std::string& line : lines)
    for (size_t pos = 0; pos < line.size(); pos += 255) {
      const size_t n = std::min<size_t>(255, line.size() - pos);
      out.push_back(uint8_t(n));
      out.insert(out.end(), line.begin() + pos, line.begin() + pos + n);
    }
  out.push_back(0);
}

template <class T>
std::unique_ptr<TGIFExtension> Make(TGIFSubImage* frame) {
  return std::make_unique<T>(frame);
}

}  // namespace

// --- Items and lists ---------------------------------------------------------------------------

void TGIFItem::Warning(uint8_t severity, const std::string& text) {
  if (TGIFImage* image = Image()) image->Warning(this, severity, text);
}

void TGIFItem::SaveToFile(const std::string& path) {
  TGIFBytes bytes;
  SaveToStream(bytes);
  std::string error;
  if (!platform::SaveFileAtomic(path, bytes.data(), bytes.size(), &error))
    throw platform::EFOpenError("Cannot create file \"" + path + "\". " + error);
}

void TGIFItem::LoadFromFile(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
    throw platform::EFOpenError("Cannot open file \"" + path + "\". Not a regular file");
  std::string content, error;
  if (!platform::ReadWholeFile(path, content, &error))
    throw platform::EFOpenError("Cannot open file \"" + path + "\". " + error);
  TGIFReader in(content.data(), content.size());
  LoadFromStream(in);
}

template <class T>
void TGIFList<T>::Warning(uint8_t severity, const std::string& text) {
  if (image_) image_->Warning(this, severity, text);
}

template class TGIFList<TGIFSubImage>;
template class TGIFList<TGIFExtension>;

// --- Colour maps -------------------------------------------------------------------------------

int TGIFColorMap::BitsPerPixel() const {
  const int n = Count();
  if (n == 0) return 0;
  int bits = 1;
  while ((1 << bits) < n) ++bits;
  return bits;
}

void TGIFColorMap::Grow() {
  const int needed = Count() + 1;
  capacity_ = needed <= 16 ? 16 : std::min(MaxColors, (needed + 31) / 32 * 32);
  colors_.reserve(size_t(capacity_));
}

int TGIFColorMap::Add(TGIFColor c) {
  if (Count() >= MaxColors) throw GIFException("Color table overflow");
  if (Count() >= capacity_) Grow();
  colors_.push_back(c);
  Sorted = false;
  Changed();
  return Count() - 1;
}

int TGIFColorMap::IndexOf(TGIFColor c) const {
  if (Sorted) {
    for (int i = 0; i < Count(); ++i)
      if (colors_[size_t(i)] == c) return i;
  } else {
    for (int i = Count() - 1; i >= 0; --i)
      if (colors_[size_t(i)] == c) return i;
  }
  return -1;
}

int TGIFColorMap::AddUnique(TGIFColor c) {
  const int index = IndexOf(c);
  return index >= 0 ? index : Add(c);
}

void TGIFColorMap::Delete(int index) {
  if (index < 0 || index >= Count()) throw GIFException("Invalid color index");
  colors_.erase(colors_.begin() + index);
  Changed();
}

void TGIFColorMap::Clear() {
  colors_.clear();
  capacity_ = 0;
  Sorted = false;
  Changed();
}

TColor TGIFColorMap::Colors(int index) {
  if (index < 0 || index >= Count()) {
    Warning(GIFWarningSeverity, "Invalid color index");
    index = 0;
  }
  if (Count() == 0) throw GIFException("Color table is empty");
  return ToTColor(colors_[size_t(index)]);
}

void TGIFColorMap::SetColor(int index, TGIFColor c) {
  if (index < 0 || index >= Count()) throw GIFException("Invalid color index");
  colors_[size_t(index)] = c;
  Changed();
}

void TGIFColorMap::ImportPalette(std::span<const TColor> palette) {
  const size_t n = std::min<size_t>(palette.size(), MaxColors);
  colors_.clear();
  capacity_ = 0;
  for (size_t i = 0; i < n; ++i) {
    if (Count() >= capacity_) Grow();
    colors_.push_back(ToGIFColor(palette[i]));
  }
  Sorted = false;
  Changed();
}

std::vector<TColor> TGIFColorMap::ExportPalette() const {
  std::vector<TColor> palette;
  palette.reserve(colors_.size());
  for (const TGIFColor& c : colors_) palette.push_back(ToTColor(c));
  return palette;
}

void TGIFColorMap::Assign(const TGIFColorMap& source) {
  colors_ = source.colors_;
  capacity_ = source.capacity_;
  Sorted = source.Sorted;
  Changed();
}

void TGIFColorMap::LoadFromStream(TGIFReader& in, int count) {
  if (count < 0 || count > MaxColors) throw GIFException("Color table overflow");
  uint8_t triples[3 * MaxColors];
  ReadFixed(in, triples, size_t(count) * 3);
  colors_.clear();
  capacity_ = 0;
  for (int i = 0; i < count; ++i) {
    if (Count() >= capacity_) Grow();
    colors_.push_back({triples[3 * i], triples[3 * i + 1], triples[3 * i + 2]});
  }
  Changed();
}

void TGIFColorMap::SaveToStream(TGIFBytes& out) const {
  for (const TGIFColor& c : colors_) {
    out.push_back(c.Red);
    out.push_back(c.Green);
    out.push_back(c.Blue);
  }
  const int padded = Count() == 0 ? 0 : 1 << BitsPerPixel();
  out.insert(out.end(), size_t(padded - Count()) * 3, 0);
}

void TGIFColorMap::Optimize() {
  if (Count() <= 1) return;
  Sorted = true;
  const size_t count = colors_.size();
  std::vector<TGIFUsage> usage(count);
  for (int i = 0; i < Count(); ++i) usage[size_t(i)].Index = i;
  BuildHistogram(usage);
  // Most used first; among unused entries, the ones that must stay before the rest, so the
  // cut below never drops them.
  std::stable_sort(usage.begin(), usage.end(), [](const TGIFUsage& a, const TGIFUsage& b) {
    if (a.Count != b.Count) return a.Count > b.Count;
    return a.Reserved && !b.Reserved;
  });
  bool same = true;
  for (int i = 0; i < Count(); ++i) same = same && usage[size_t(i)].Index == i;
  if (same) return;

  std::vector<int> map(count);
  for (int i = 0; i < Count(); ++i) map[size_t(usage[size_t(i)].Index)] = i;
  MapImages(map);
  std::vector<TGIFColor> reordered(count);
  for (int i = 0; i < Count(); ++i) reordered[size_t(i)] = colors_[size_t(usage[size_t(i)].Index)];
  size_t used = 0;
  while (used < usage.size() && (usage[used].Count > 0 || usage[used].Reserved)) ++used;
  reordered.resize(used);
  colors_ = std::move(reordered);
  Changed();
}

namespace {

// Counts the pixels of a frame into the usage table and reserves its transparent index.
void CountFrame(TGIFSubImage& frame, std::vector<TGIFUsage>& usage) {
  uint64_t counts[256] = {};
  for (uint8_t v : frame.Data()) ++counts[v];
  for (size_t i = 0; i < usage.size(); ++i) usage[i].Count += counts[i];
  const int t = frame.TransparentIndex();
  if (t >= 0 && size_t(t) < usage.size()) usage[size_t(t)].Reserved = true;
}

void MapFrame(TGIFSubImage& frame, const std::vector<int>& map) {
  uint8_t lookup[256];
  for (int i = 0; i < 256; ++i) lookup[i] = size_t(i) < map.size() ? uint8_t(map[size_t(i)]) : uint8_t(i);
  for (uint8_t& v : frame.Data()) v = lookup[v];
  if (TGIFGraphicControlExtension* gce = frame.GraphicControlExtension())
    gce->TransparentColorIndex = lookup[gce->TransparentColorIndex];
  frame.Changed();
}

}  // namespace

void TGIFGlobalColorMap::Warning(uint8_t severity, const std::string& text) {
  if (TGIFImage* image = header_->Image()) image->Warning(this, severity, text);
}

void TGIFGlobalColorMap::Changed() {
  if (TGIFImage* image = header_->Image()) image->ColorMapChanged();
}

void TGIFGlobalColorMap::BuildHistogram(std::vector<TGIFUsage>& usage) {
  TGIFImage* image = header_->Image();
  if (header_->BackgroundColorIndex < usage.size())
    usage[header_->BackgroundColorIndex].Reserved = true;
  if (!image) return;
  for (int i = 0; i < image->Images().Count(); ++i) {
    TGIFSubImage& frame = *image->Images()[i];
    if (frame.ColorMap().Count() == 0) CountFrame(frame, usage);
  }
}

void TGIFGlobalColorMap::MapImages(const std::vector<int>& map) {
  if (header_->BackgroundColorIndex < map.size())
    header_->BackgroundColorIndex = uint8_t(map[header_->BackgroundColorIndex]);
  TGIFImage* image = header_->Image();
  if (!image) return;
  for (int i = 0; i < image->Images().Count(); ++i) {
    TGIFSubImage& frame = *image->Images()[i];
    if (frame.ColorMap().Count() == 0) MapFrame(frame, map);
  }
}

void TGIFLocalColorMap::Warning(uint8_t severity, const std::string& text) {
  if (TGIFImage* image = frame_->Image()) image->Warning(this, severity, text);
}

void TGIFLocalColorMap::Changed() { frame_->Changed(); }

void TGIFLocalColorMap::BuildHistogram(std::vector<TGIFUsage>& usage) { CountFrame(*frame_, usage); }

void TGIFLocalColorMap::MapImages(const std::vector<int>& map) { MapFrame(*frame_, map); }

// --- Header ------------------------------------------------------------------------------------

TGIFHeader::TGIFHeader(TGIFImage* image) : TGIFItem(image), colorMap_(this) {}

void TGIFHeader::Prepare() {
  const int largest = Image() ? Image()->BitsPerPixel() : colorMap_.BitsPerPixel();
  uint8_t packed = 0;
  if (colorMap_.Count() > 0) {
    packed |= 0x80;
    if (colorMap_.Sorted) packed |= 0x08;
    packed |= uint8_t((colorMap_.BitsPerPixel() - 1) & 7);
  } else {
    packed |= uint8_t((largest - 1) & 7);
  }
  packed |= uint8_t(((largest - 1) & 7) << 4);
  Packed = packed;
}

void TGIFHeader::Clear() {
  Width = 0;
  Height = 0;
  colorMap_.Clear();
  Prepare();
}

void TGIFHeader::Assign(const TGIFHeader& source) {
  Width = source.Width;
  Height = source.Height;
  Packed = source.Packed;
  BackgroundColorIndex = source.BackgroundColorIndex;
  AspectRatio = source.AspectRatio;
  colorMap_.Assign(source.colorMap_);
}

void TGIFHeader::SaveToStream(TGIFBytes& out) {
  const int version = Image() ? Image()->Version() : 1;
  if (version != 1 && version != 2) throw GIFException("Unsupported GIF version");
  Prepare();
  const char* signature = version == 1 ? "GIF87a" : "GIF89a";
  out.insert(out.end(), signature, signature + 6);
  AppendU16(out, Width);
  AppendU16(out, Height);
  out.push_back(Packed);
  out.push_back(BackgroundColorIndex);
  out.push_back(AspectRatio);
  if (Packed & 0x80) colorMap_.SaveToStream(out);
}

void TGIFHeader::LoadFromStream(TGIFReader& in) {
  const size_t start = in.Position();
  auto isGif = [](const uint8_t* s) {
    return (s[0] & 0xDF) == 'G' && (s[1] & 0xDF) == 'I' && (s[2] & 0xDF) == 'F';
  };
  uint8_t signature[6];
  ReadFixed(in, signature, 6);
  if (!isGif(signature)) {
    // Some files carry 4 bytes in front of the signature.
    in.Seek(start);
    if (in.Remaining() >= 4) in.Skip(4);
    ReadFixed(in, signature, 6);
    if (!isGif(signature)) throw GIFException("Invalid GIF signature");
  }
  uint8_t d[7];
  ReadFixed(in, d, 7);
  Width = LoadU16(d);
  Height = LoadU16(d + 2);
  Packed = d[4];
  BackgroundColorIndex = d[5];
  AspectRatio = d[6];
  if (Packed & 0x80) {
    const int count = 2 << (Packed & 7);
    if (count < 2 || count > 256)
      throw GIFException("Invalid number of colors specified in Screen Descriptor");
    colorMap_.LoadFromStream(in, count);
    colorMap_.Sorted = (Packed & 0x08) != 0;
  } else {
    colorMap_.Clear();
  }
}

// --- Extension registries ----------------------------------------------------------------------

void TExtensionList::Add(uint8_t label, TGIFExtensionClass extensionClass) {
  entries_.emplace_back(label, extensionClass);
}

TGIFExtensionClass TExtensionList::Find(uint8_t label) const {
  for (auto it = entries_.rbegin(); it != entries_.rend(); ++it)
    if (it->first == label) return it->second;
  return nullptr;
}

TGIFApplicationId ApplicationId(std::string_view text) {
  TGIFApplicationId id{};
  std::memcpy(id.data(), text.data(), std::min(text.size(), id.size()));
  return id;
}

void TAppExtensionList::Add(const TGIFApplicationId& identifier, TGIFExtensionClass extensionClass) {
  entries_.emplace_back(identifier, extensionClass);
}

TGIFExtensionClass TAppExtensionList::Find(const TGIFApplicationId& identifier) const {
  for (auto it = entries_.rbegin(); it != entries_.rend(); ++it)
    if (it->first == identifier) return it->second;
  return nullptr;
}

TExtensionList& ExtensionList() {
  static TExtensionList list = [] {
    TExtensionList l;
    l.Add(0x01, TGIFTextExtension::Class());
    l.Add(0xF9, TGIFGraphicControlExtension::Class());
    l.Add(0xFE, TGIFCommentExtension::Class());
    l.Add(0xFF, TGIFApplicationExtension::Class());
    return l;
  }();
  return list;
}

TAppExtensionList& AppExtensionList() {
  static TAppExtensionList list = [] {
    TAppExtensionList l;
    l.Add(ApplicationId("NETSCAPE2.0"), TGIFAppExtNSLoop::Class());
    l.Add(ApplicationId("ANIMEXTS1.0"), TGIFAppExtNSLoop::Class());
    return l;
  }();
  return list;
}

TGIFExtensionClass FindExtensionClass(TGIFReader& in) {
  const size_t start = in.Position();
  if (in.Remaining() == 0) return nullptr;
  TGIFExtensionClass found = ExtensionList().Find(in.U8());
  // A class names itself once it has read enough to know; the chain is short (application,
  // then the kind of application extension).
  for (int i = 0; found && i < 8; ++i) {
    TGIFExtensionClass next = found->GetExtensionClass(in);
    if (next == found) break;
    found = next;
  }
  in.Seek(start);
  return found;
}

// --- Extensions --------------------------------------------------------------------------------

TGIFExtension::TGIFExtension(TGIFSubImage* frame)
    : TGIFItem(frame ? frame->Image() : nullptr), frame_(frame) {}

TGIFImage* TGIFExtension::Image() const { return frame_ ? frame_->Image() : nullptr; }

void TGIFExtension::SaveToStream(TGIFBytes& out) {
  out.push_back('!');
  out.push_back(Label());
  SaveBody(out);
}

void TGIFExtension::LoadFromStream(TGIFReader& in) {
  uint8_t head[2];
  ReadFixed(in, head, 2);
  if (head[0] != '!') throw GIFException("Invalid extension introducer");
  if (head[1] != Label())
    throw GIFException("Internal error: Extension Instance does not match Extension Label");
  LoadBody(in);
}

TGIFExtensionClass TGIFGraphicControlExtension::Class() {
  static const TGIFExtensionClassInfo info{
      "TGIFGraphicControlExtension", 0xF9, [](TGIFReader&) { return &info; },
      Make<TGIFGraphicControlExtension>};
  return &info;
}

TGIFGraphicControlExtension::TGIFGraphicControlExtension(TGIFSubImage* frame)
    : TGIFExtension(frame) {
  if (frame && !frame->graphicControl_) frame->graphicControl_ = this;
}

TGIFGraphicControlExtension::~TGIFGraphicControlExtension() {
  TGIFSubImage* frame = SubImage();
  if (!frame) return;
  if (Transparent()) frame->HasTransparency = false;
  if (frame->graphicControl_ == this) frame->graphicControl_ = nullptr;
}

void TGIFGraphicControlExtension::SetTransparent(bool on) {
  Packed = uint8_t(on ? Packed | 0x01 : Packed & ~0x01);
  if (SubImage()) SubImage()->HasTransparency = on;
}

TColor TGIFGraphicControlExtension::TransparentColor() {
  return SubImage()->ActiveColorMap().Colors(TransparentColorIndex);
}

void TGIFGraphicControlExtension::SaveBody(TGIFBytes& out) {
  out.push_back(BlockSize);
  out.push_back(Packed);
  AppendU16(out, Delay);
  out.push_back(TransparentColorIndex);
  out.push_back(Terminator);
}

void TGIFGraphicControlExtension::LoadBody(TGIFReader& in) {
  uint8_t d[6] = {};
  const size_t n = std::min<size_t>(6, in.Remaining());
  in.Read(d, n);
  if (n < 6) Warning(GIFWarningSeverity, "Premature end of data");
  BlockSize = d[0];
  Packed = d[1];
  Delay = LoadU16(d + 2);
  TransparentColorIndex = d[4];
  Terminator = d[5];
  if (Transparent() && SubImage()) SubImage()->HasTransparency = true;
}

TGIFExtensionClass TGIFTextExtension::Class() {
  static const TGIFExtensionClassInfo info{"TGIFTextExtension", 0x01,
                                           [](TGIFReader&) { return &info; },
                                           Make<TGIFTextExtension>};
  return &info;
}

void TGIFTextExtension::SaveBody(TGIFBytes& out) {
  out.push_back(BlockSize);
  AppendU16(out, Left);
  AppendU16(out, Top);
  AppendU16(out, GridWidth);
  AppendU16(out, GridHeight);
  out.push_back(CellWidth);
  out.push_back(CellHeight);
  out.push_back(TextColorIndex);
  out.push_back(BackgroundColorIndex);
  WriteStrings(out, Text);
}

void TGIFTextExtension::LoadBody(TGIFReader& in) {
  uint8_t d[13];
  ReadFixed(in, d, 13);
  BlockSize = d[0];
  Left = LoadU16(d + 1);
  Top = LoadU16(d + 3);
  GridWidth = LoadU16(d + 5);
  GridHeight = LoadU16(d + 7);
  CellWidth = d[9];
  CellHeight = d[10];
  TextColorIndex = d[11];
  BackgroundColorIndex = d[12];
  Text = ReadStrings(in);
}

TGIFExtensionClass TGIFCommentExtension::Class() {
  static const TGIFExtensionClassInfo info{"TGIFCommentExtension", 0xFE,
                                           [](TGIFReader&) { return &info; },
                                           Make<TGIFCommentExtension>};
  return &info;
}

void TGIFCommentExtension::SaveBody(TGIFBytes& out) { WriteStrings(out, Text); }

void TGIFCommentExtension::LoadBody(TGIFReader& in) { Text = ReadStrings(in); }

namespace {

// Reads the application block size (and identifier) to tell which class the bytes are for.
TGIFExtensionClass ApplicationClassFor(TGIFReader& in) {
  const size_t afterLabel = in.Position();
  if (in.Remaining() == 0) return nullptr;
  const uint8_t size = in.U8();
  if (size == 10) {
    // An old-style 10-byte identifier.
    if (in.Remaining() < 10) return nullptr;
    in.Skip(10);
    return TGIFUnknownAppExtension::Class();
  }
  if (size == 11) {
    TGIFApplicationId id{};
    if (in.Remaining() < id.size()) return TGIFUnknownAppExtension::Class();
    in.Read(id.data(), id.size());
    TGIFExtensionClass registered = AppExtensionList().Find(id);
    return registered ? registered : TGIFUnknownAppExtension::Class();
  }
  // A longer block keeps its first 11 bytes as identifier; the rest is passed over.
  if (size > 11) return TGIFUnknownAppExtension::Class();
  in.Seek(afterLabel);
  return TGIFApplicationExtension::Class();
}

}  // namespace

TGIFExtensionClass TGIFApplicationExtension::Class() {
  static const TGIFExtensionClassInfo info{"TGIFApplicationExtension", 0xFF, ApplicationClassFor,
                                           Make<TGIFApplicationExtension>};
  return &info;
}

void TGIFApplicationExtension::SaveBody(TGIFBytes& out) {
  const size_t tail = std::min<size_t>(IdentifierTail.size(), 255 - Identifier.size());
  out.push_back(uint8_t(Identifier.size() + tail));
  out.insert(out.end(), Identifier.begin(), Identifier.end());
  out.insert(out.end(), IdentifierTail.begin(), IdentifierTail.begin() + long(tail));
  SaveData(out);
}

void TGIFApplicationExtension::LoadBody(TGIFReader& in) {
  if (in.Remaining() == 0) throw GIFException("Premature end of data");
  const uint8_t size = in.U8();
  if (size < 10) throw GIFException("Unsupported Application Extension block size");
  Identifier.fill(0);
  IdentifierTail.clear();
  if (size == 10) {
    ReadFixed(in, Identifier.data(), 10);
  } else {
    ReadFixed(in, Identifier.data(), 11);
    IdentifierTail.resize(size - 11);
    ReadFixed(in, IdentifierTail.data(), IdentifierTail.size());
  }
  LoadData(in);
}

void TGIFApplicationExtension::SaveData(TGIFBytes& out) { out.push_back(0); }

void TGIFApplicationExtension::LoadData(TGIFReader& in) {
  while (in.Remaining() > 0) {
    const size_t size = in.U8();
    if (size == 0) break;
    if (in.Remaining() < size) throw GIFException("Premature end of data");
    in.Skip(size);
  }
}

void TGIFBlock::SaveToStream(TGIFBytes& out) const {
  if (Data.empty()) return;
  const size_t n = std::min<size_t>(Data.size(), 255);
  out.push_back(uint8_t(n));
  out.insert(out.end(), Data.begin(), Data.begin() + n);
}

TGIFExtensionClass TGIFUnknownAppExtension::Class() {
  static const TGIFExtensionClassInfo info{"TGIFUnknownAppExtension", 0xFF,
                                           [](TGIFReader&) { return &info; },
                                           Make<TGIFUnknownAppExtension>};
  return &info;
}

void TGIFUnknownAppExtension::SaveData(TGIFBytes& out) {
  for (const TGIFBlock& block : Blocks) block.SaveToStream(out);
  out.push_back(0);
}

void TGIFUnknownAppExtension::LoadData(TGIFReader& in) {
  Blocks.clear();
  while (in.Remaining() > 0) {
    const size_t size = in.U8();
    if (size == 0) break;
    TGIFBlock block;
    block.Data.resize(size);
    ReadFixed(in, block.Data.data(), size);
    Blocks.push_back(std::move(block));
  }
}

TGIFExtensionClass TGIFAppExtNSLoop::Class() {
  static const TGIFExtensionClassInfo info{"TGIFAppExtNSLoop", 0xFF,
                                           [](TGIFReader&) { return &info; },
                                           Make<TGIFAppExtNSLoop>};
  return &info;
}

TGIFAppExtNSLoop::TGIFAppExtNSLoop(TGIFSubImage* frame) : TGIFApplicationExtension(frame) {
  Identifier = ApplicationId("NETSCAPE2.0");
}

void TGIFAppExtNSLoop::SaveData(TGIFBytes& out) {
  out.push_back(3);
  out.push_back(1);
  AppendU16(out, LoopCount);
  if (BufferSize != 0) {
    out.push_back(5);
    out.push_back(2);
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(BufferSize >> (8 * i)));
  }
  out.push_back(0);
}

void TGIFAppExtNSLoop::LoadData(TGIFReader& in) {
  uint8_t block[255];
  while (in.Remaining() > 0) {
    const size_t size = in.U8();
    if (size == 0) break;
    ReadFixed(in, block, size);
    switch (block[0] & 7) {
      case 1:
        if (size < 3) throw GIFException("Invalid GIF data");
        LoopCount = LoadU16(block + 1);
        break;
      case 2:
        if (size < 5) throw GIFException("Invalid GIF data");
        BufferSize = LoadU32(block + 1);
        break;
      default:
        break;
    }
  }
  // Whatever name it was read under, it is written as the one every reader knows.
  Identifier = ApplicationId("NETSCAPE2.0");
}

TGIFExtensionList::TGIFExtensionList(TGIFSubImage* frame)
    : TGIFList<TGIFExtension>(frame ? frame->Image() : nullptr), frame_(frame) {}

void TGIFExtensionList::LoadFromStream(TGIFReader& in) {
  while (in.Remaining() > 0) {
    const uint8_t b = in.U8();
    if (b == ',' || b == ';') {
      StepBack(in);
      return;
    }
    if (b != '!') {
      frame_->Warning(GIFWarningSeverity, "Invalid extension introducer");
      StepBack(in);
      return;
    }
    TGIFExtensionClass found = FindExtensionClass(in);
    if (!found) throw GIFException("Unknown extension type");
    StepBack(in);
    std::unique_ptr<TGIFExtension> extension = found->Create(frame_);
    extension->LoadFromStream(in);
    Add(std::move(extension));
  }
}

// --- Frames ------------------------------------------------------------------------------------

TGIFSubImage::TGIFSubImage(TGIFImage* image)
    : TGIFItem(image), colorMap_(this), extensions_(this) {}

TGIFSubImage::~TGIFSubImage() {
  // Extensions reach back into the frame while they are freed.
  extensions_.Clear();
}

void TGIFSubImage::Reallocate(int width, int height) {
  const size_t bytes = size_t(width) * size_t(height);
  if (bytes > GIFLimits().FrameBytes) throw GIFException("GIF image too large");
  if (bytes > 0 && Image()) Image()->ReservePixels(bytes);
  std::vector<uint8_t> fresh(bytes, 0);
  data_.swap(fresh);
  width_ = uint16_t(width);
  height_ = uint16_t(height);
}

void TGIFSubImage::SetBounds(int left, int top, int width, int height) {
  auto clamp16 = [](int v) { return std::clamp(v, 0, 65535); };
  left = clamp16(left);
  top = clamp16(top);
  width = clamp16(width);
  height = clamp16(height);
  const bool resized = width != width_ || height != height_;
  if (resized) Reallocate(width, height);
  left_ = uint16_t(left);
  top_ = uint16_t(top);
  if (resized) Changed();

  TGIFImage* image = Image();
  if (!image) return;
  TGIFHeader& screen = image->Header();
  const int right = left + width;
  const int bottom = top + height;
  if (screen.Width > 0 && screen.Height > 0) {
    const bool wide = right > screen.Width;
    const bool tall = bottom > screen.Height;
    if (wide) Warning(GIFWarningSeverity, "Image width too small for contained frames");
    if (tall) Warning(GIFWarningSeverity, "Image height too small for contained frames");
    if (wide || tall) Warning(GIFWarningSeverity, "Image exceeds Logical Screen size");
  }
  if (right > screen.Width) screen.Width = uint16_t(std::min(right, 65535));
  if (bottom > screen.Height) screen.Height = uint16_t(std::min(bottom, 65535));
}

TGIFColorMap& TGIFSubImage::ActiveColorMap() {
  if (colorMap_.Count() > 0 || !Image()) return colorMap_;
  return Image()->GlobalColorMap();
}

uint8_t TGIFSubImage::Pixels(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_ || data_.empty())
    throw GIFException("Invalid pixel coordinates");
  return data_[size_t(y) * width_ + size_t(x)];
}

void TGIFSubImage::SetPixels(int x, int y, uint8_t value) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_ || data_.empty())
    throw GIFException("Invalid pixel coordinates");
  data_[size_t(y) * width_ + size_t(x)] = value;
  Changed();
}

uint8_t* TGIFSubImage::ScanLine(int y) {
  if (y < 0 || y >= height_ || data_.empty()) throw GIFException("Invalid pixel coordinates");
  return data_.data() + size_t(y) * width_;
}

int TGIFSubImage::TransparentIndex() const {
  return HasTransparency && graphicControl_ ? graphicControl_->TransparentColorIndex : -1;
}

void TGIFSubImage::Changed() {
  dirty_ = true;
  bitmap_.reset();
  mask_.reset();
  palette_.reset();
}

int TGIFSubImage::Version() const {
  return colorMap_.Sorted || extensions_.Count() > 0 ? 2 : 1;
}

void TGIFSubImage::Clear() {
  extensions_.Clear();
  colorMap_.Clear();
  data_.clear();
  data_.shrink_to_fit();
  left_ = top_ = width_ = height_ = 0;
  Packed = 0;
  HasTransparency = false;
  Changed();
}

void TGIFSubImage::Assign(const TGIFSubImage& source) {
  Clear();
  if (source.Empty()) return;
  Reallocate(source.width_, source.height_);
  left_ = source.left_;
  top_ = source.top_;
  Packed = source.Packed;
  HasTransparency = source.HasTransparency;
  data_ = source.data_;
  colorMap_.Assign(source.colorMap_);
  // Extensions are cloned through their file form.
  TGIFBytes bytes;
  for (int i = 0; i < source.extensions_.Count(); ++i) source.extensions_[i]->SaveToStream(bytes);
  TGIFReader in(bytes.data(), bytes.size());
  extensions_.LoadFromStream(in);
  Changed();
}

void TGIFSubImage::LoadFromStream(TGIFReader& in) {
  extensions_.LoadFromStream(in);
  if (in.Remaining() == 0) return;
  const uint8_t next = in.U8();
  StepBack(in);
  if (next == ';' || next == 0) return;

  uint8_t d[10];
  ReadFixed(in, d, 10);
  int width = LoadU16(d + 5);
  int height = LoadU16(d + 7);
  if (width == 0 || height == 0) {
    if (Image()) {
      width = Image()->Width();
      height = Image()->Height();
    }
    Warning(GIFWarningSeverity, "Image exceeds Logical Screen size");
  }
  SetBounds(LoadU16(d + 1), LoadU16(d + 3), width, height);
  Packed = d[9];
  if (Packed & 0x80) {
    const int count = 2 << (Packed & 7);
    if (count < 2 || count > 256)
      throw GIFException("Invalid number of colors specified in Image Descriptor");
    colorMap_.LoadFromStream(in, count);
    colorMap_.Sorted = (Packed & 0x20) != 0;
  }
  Decompress(in);
}

void TGIFSubImage::Decompress(TGIFReader& in) {
  const int fill = TransparentIndex();
  std::fill(data_.begin(), data_.end(), uint8_t(fill < 0 ? 0 : fill));
  DecodeGIFRaster(in, data_.empty() ? nullptr : data_.data(), data_.empty() ? 0 : width_,
                  data_.empty() ? 0 : height_, Interlaced(),
                  [this](const char* text) { Warning(GIFWarningSeverity, text); });
  Changed();
}

void TGIFSubImage::Compress(TGIFBytes& out) {
  TGIFEncodeFrame frame;
  frame.Pixels = data_.empty() ? nullptr : data_.data();
  frame.Width = width_;
  frame.Height = height_;
  frame.Interlaced = Interlaced();
  if (colorMap_.Count() > 0) {
    frame.InitialBits = colorMap_.BitsPerPixel();
    frame.ColorCount = colorMap_.Count();
  } else {
    const int bits = Image() ? Image()->BitsPerPixel() : 8;
    frame.InitialBits = bits;
    frame.ColorCount = 1 << bits;
  }
  if (Image() && Image()->CompressionKind == 1) {
    TRLEEncoder encoder;
    encoder.Encode(out, frame);
  } else {
    TLZWEncoder encoder;
    encoder.Encode(out, frame);
  }
}

void TGIFSubImage::SaveToStream(TGIFBytes& out) {
  extensions_.SaveToStream(out);
  if (Empty()) return;
  if (colorMap_.Count() > 0) {
    // Written without interlacing: the encoder follows the flags as written.
    Packed = uint8_t(0x80 | (colorMap_.Sorted ? 0x20 : 0) | ((colorMap_.BitsPerPixel() - 1) & 7));
  } else {
    Packed &= 0x58;
  }
  out.push_back(',');
  AppendU16(out, left_);
  AppendU16(out, top_);
  AppendU16(out, width_);
  AppendU16(out, height_);
  out.push_back(Packed);
  if (colorMap_.Count() > 0) colorMap_.SaveToStream(out);
  Compress(out);
}

// --- Frame list --------------------------------------------------------------------------------

void TGIFImageList::LoadFromStream(TGIFReader& in) {
  TGIFImage* image = Image();
  while (in.Remaining() > 0) {
    const uint8_t b = in.U8();
    if (b == 0) continue;
    StepBack(in);
    if (b == ';') return;
    if (b != '!' && b != ',') {
      Warning(GIFWarningSeverity, "Unknown GIF block type");
      StepBack(in);
      return;
    }
    auto frame = std::make_unique<TGIFSubImage>(image);
    frame->LoadFromStream(in);
    Add(std::move(frame));
    if (image && in.Size() > 0)
      image->Progress(psRunning, int(in.Position() * 100 / in.Size()), "Loading...");
  }
}

void TGIFImageList::SaveToStream(TGIFBytes& out) {
  TGIFImage* image = Image();
  for (int i = 0; i < Count(); ++i) {
    items_[size_t(i)]->SaveToStream(out);
    if (image) image->Progress(psRunning, (i + 1) * 100 / Count(), "Saving...");
  }
}

}  // namespace imaging
