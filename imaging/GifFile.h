#pragma once
// The in-memory model of a GIF file and how it is read and written block by block: header and
// global colour table, frames with their image descriptors, local tables, extensions and pixels.
//
// The object tree mirrors the file:
//   TGIFImage (GifImage.h) owns a TGIFHeader (screen descriptor, global TGIFColorMap) and a
//   TGIFImageList of TGIFSubImage frames; each frame owns a local colour map, a
//   TGIFExtensionList and its pixel buffer (one colour index per byte, row after row).
// Every item keeps a reference to its image, whose Warning receives the faults that loading
// passes over (severity 1); errors raise GIFException with fixed texts.
//
// Reading works on the given bytes through a bounded reader and never leaves them; "stepping
// back" is a position in that reader. Writing appends to a byte vector.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/GifCodec.h"
#include "platform/base/ByteOrder.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Color.h"
#include "platform/gfx/Geometry.h"
#include "platform/gfx/Picture.h"

namespace imaging {

class TGIFImage;
class TGIFSubImage;
class TGIFExtension;
class TGIFGraphicControlExtension;

using TGIFReader = platform::TByteReader;
using TGIFBytes = std::vector<uint8_t>;

// Size limits of decoded pixels, checked before any frame buffer is allocated: one frame may
// hold at most FrameBytes pixels (the bitmap limit), and the frames of one load together at most
// TotalBytes. A load past either raises "GIF image too large". Process-wide; fuzz targets lower
// them.
struct TGIFLimits {
  size_t FrameBytes = size_t(1) << 28;
  size_t TotalBytes = size_t(1) << 30;
};
TGIFLimits& GIFLimits();

// Severity of every warning the GIF units raise.
constexpr uint8_t GIFWarningSeverity = 1;

// --- Items -------------------------------------------------------------------------------------

// Base of everything that is stored in the file on its own: header, frames and extensions.
class TGIFItem {
 public:
  explicit TGIFItem(TGIFImage* image) : image_(image) {}
  TGIFItem(const TGIFItem&) = delete;
  TGIFItem& operator=(const TGIFItem&) = delete;
  virtual ~TGIFItem() = default;

  virtual TGIFImage* Image() const { return image_; }
  // The lowest GIF version the item needs: 1 for "87a", 2 for "89a".
  virtual int Version() const { return 1; }
  // Passes a warning to the image, with this item as sender.
  virtual void Warning(uint8_t severity, const std::string& text);

  virtual void SaveToStream(TGIFBytes& out) = 0;
  virtual void LoadFromStream(TGIFReader& in) = 0;
  // Encodes the item in memory, then writes it beside the file and renames, so a failed save
  // leaves an old file whole. Throws platform::EFOpenError when the file cannot be written.
  void SaveToFile(const std::string& path);
  // Reads a whole regular file and loads the item from its bytes. Throws platform::EFOpenError.
  void LoadFromFile(const std::string& path);

 protected:
  void SetImage(TGIFImage* image) { image_ = image; }

 private:
  TGIFImage* image_;
};

// An owning, ordered list of items.
template <class T>
class TGIFList {
 public:
  explicit TGIFList(TGIFImage* image) : image_(image) {}
  TGIFList(const TGIFList&) = delete;
  TGIFList& operator=(const TGIFList&) = delete;
  virtual ~TGIFList() = default;

  TGIFImage* Image() const { return image_; }
  int Count() const { return int(items_.size()); }
  T* operator[](int index) const { return items_[size_t(index)].get(); }
  T* Items(int index) const { return items_.at(size_t(index)).get(); }
  int IndexOf(const T* item) const {
    for (size_t i = 0; i < items_.size(); ++i)
      if (items_[i].get() == item) return int(i);
    return -1;
  }
  int Add(std::unique_ptr<T> item) {
    items_.push_back(std::move(item));
    return Count() - 1;
  }
  void Insert(int index, std::unique_ptr<T> item) {
    items_.insert(items_.begin() + index, std::move(item));
  }
  // Takes an item out of the list without freeing it; null when it is not listed.
  std::unique_ptr<T> Extract(const T* item) {
    for (auto it = items_.begin(); it != items_.end(); ++it)
      if (it->get() == item) {
        std::unique_ptr<T> taken = std::move(*it);
        items_.erase(it);
        return taken;
      }
    return nullptr;
  }
  // Frees the item at index.
  void Delete(int index) { Extract(items_.at(size_t(index)).get()); }
  void Clear() {
    // Items may look themselves up in the list while they are freed, so take them out first.
    while (!items_.empty()) Delete(Count() - 1);
  }

  virtual void Warning(uint8_t severity, const std::string& text);
  // Each item in order.
  virtual void SaveToStream(TGIFBytes& out) {
    for (auto& item : items_) item->SaveToStream(out);
  }
  virtual void LoadFromStream(TGIFReader& in) = 0;

 protected:
  std::vector<std::unique_ptr<T>> items_;

 private:
  TGIFImage* image_;
};

// --- Colour maps -------------------------------------------------------------------------------

struct TGIFColor {
  uint8_t Red = 0;
  uint8_t Green = 0;
  uint8_t Blue = 0;
  bool operator==(const TGIFColor&) const = default;
};

inline platform::TColor ToTColor(TGIFColor c) { return platform::RGB(c.Red, c.Green, c.Blue); }
inline TGIFColor ToGIFColor(platform::TColor c) {
  return {platform::GetRValue(c), platform::GetGValue(c), platform::GetBValue(c)};
}

// One use count per table entry, built by Optimize.
struct TGIFUsage {
  int Index = 0;
  uint64_t Count = 0;
  bool Reserved = false;  // the background or a transparent index: kept even when no pixel uses it
};

// An array of up to 256 RGB triples.
class TGIFColorMap {
 public:
  static constexpr int MaxColors = 256;

  TGIFColorMap() = default;
  TGIFColorMap(const TGIFColorMap&) = delete;
  TGIFColorMap& operator=(const TGIFColorMap&) = delete;
  virtual ~TGIFColorMap() = default;

  int Count() const { return int(colors_.size()); }
  int Capacity() const { return capacity_; }
  bool Sorted = false;
  std::span<const TGIFColor> Data() const { return colors_; }
  // The bit count of the table on file: 0 empty, 1 for up to 2 entries, else the least b with
  // 2^b >= Count.
  int BitsPerPixel() const;

  // Appends a colour; at 256 entries raises "Color table overflow". Clears Sorted.
  int Add(TGIFColor c);
  // Exact match, -1 when absent: from the first entry when Sorted, else from the last back.
  int IndexOf(TGIFColor c) const;
  int AddUnique(TGIFColor c);
  // Raises "Invalid color index" outside the table.
  void Delete(int index);
  void Clear();
  // Colour by index: an index outside the table warns "Invalid color index" and takes entry 0;
  // an empty table raises "Color table is empty".
  platform::TColor Colors(int index);
  TGIFColor ColorAt(int index) const { return colors_.at(size_t(index)); }
  void SetColor(int index, TGIFColor c);
  // Replaces the table by a palette or a bitmap's colour table (at most 256 entries used).
  void ImportPalette(std::span<const platform::TColor> palette);
  std::vector<platform::TColor> ExportPalette() const;
  // Takes over another table's entries and Sorted flag.
  void Assign(const TGIFColorMap& source);

  // Reads `count` triples (a short read raises "Premature end of data").
  void LoadFromStream(TGIFReader& in, int count);
  // Count triples, then black up to 2^BitsPerPixel().
  void SaveToStream(TGIFBytes& out) const;

  virtual void Warning(uint8_t severity, const std::string& text) = 0;
  // Puts most used colours first, rewrites the pixels that use the table to match and cuts the
  // table after the last colour in use (or kept as a background or transparent index).
  virtual void Optimize();
  virtual void Changed() = 0;

 protected:
  // One entry per table index: how many pixels of the frames drawn with this table use it.
  virtual void BuildHistogram(std::vector<TGIFUsage>& usage) = 0;
  // Rewrites every index i of the frames drawn with this table as map[i].
  virtual void MapImages(const std::vector<int>& map) = 0;

 private:
  void Grow();
  std::vector<TGIFColor> colors_;
  int capacity_ = 0;
};

class TGIFHeader;

// The header's table: the colours of every frame without a local one.
class TGIFGlobalColorMap : public TGIFColorMap {
 public:
  explicit TGIFGlobalColorMap(TGIFHeader* header) : header_(header) {}
  TGIFHeader* Header() const { return header_; }
  void Warning(uint8_t severity, const std::string& text) override;
  void Changed() override;

 protected:
  void BuildHistogram(std::vector<TGIFUsage>& usage) override;
  void MapImages(const std::vector<int>& map) override;

 private:
  TGIFHeader* header_;
};

class TGIFLocalColorMap : public TGIFColorMap {
 public:
  explicit TGIFLocalColorMap(TGIFSubImage* frame) : frame_(frame) {}
  TGIFSubImage* SubImage() const { return frame_; }
  void Warning(uint8_t severity, const std::string& text) override;
  void Changed() override;

 protected:
  void BuildHistogram(std::vector<TGIFUsage>& usage) override;
  void MapImages(const std::vector<int>& map) override;

 private:
  TGIFSubImage* frame_;
};

// --- Header ------------------------------------------------------------------------------------

// Signature, version and the logical screen descriptor, with the global colour table.
class TGIFHeader : public TGIFItem {
 public:
  explicit TGIFHeader(TGIFImage* image);

  uint16_t Width = 0;
  uint16_t Height = 0;
  uint8_t Packed = 0;
  uint8_t BackgroundColorIndex = 0;
  uint8_t AspectRatio = 0;
  TGIFGlobalColorMap& ColorMap() { return colorMap_; }
  const TGIFGlobalColorMap& ColorMap() const { return colorMap_; }

  // Packed flags as written: bit 7 with a global table (bit 3 when it is sorted), bits 4-6 the
  // largest bit count of all the image's tables minus 1, bits 0-2 the global table's.
  void Prepare();
  void Clear();
  void Assign(const TGIFHeader& source);
  void SaveToStream(TGIFBytes& out) override;
  void LoadFromStream(TGIFReader& in) override;

 private:
  TGIFGlobalColorMap colorMap_;
};

// --- Extensions --------------------------------------------------------------------------------

// A class of extension: its label, how it picks the class for the bytes that follow the label,
// and how to make one. Class identity is the address of its one info record.
struct TGIFExtensionClassInfo;
using TGIFExtensionClass = const TGIFExtensionClassInfo*;
struct TGIFExtensionClassInfo {
  const char* Name;
  uint8_t Label;
  // Reads from just after the label and names the class for these bytes (null: none).
  TGIFExtensionClass (*GetExtensionClass)(TGIFReader& in);
  std::unique_ptr<TGIFExtension> (*Create)(TGIFSubImage* frame);
};

// Label byte to extension class, searched from the last entry to the first.
class TExtensionList {
 public:
  void Add(uint8_t label, TGIFExtensionClass extensionClass);
  TGIFExtensionClass Find(uint8_t label) const;

 private:
  std::vector<std::pair<uint8_t, TGIFExtensionClass>> entries_;
};

using TGIFApplicationId = std::array<uint8_t, 11>;
TGIFApplicationId ApplicationId(std::string_view text);

// 11-byte application identifier (compared byte for byte) to class, searched from the last
// entry to the first.
class TAppExtensionList {
 public:
  void Add(const TGIFApplicationId& identifier, TGIFExtensionClass extensionClass);
  TGIFExtensionClass Find(const TGIFApplicationId& identifier) const;

 private:
  std::vector<std::pair<TGIFApplicationId, TGIFExtensionClass>> entries_;
};

// The two registries, made with the built-in classes at first use.
TExtensionList& ExtensionList();
TAppExtensionList& AppExtensionList();

// Finds the class for the extension whose label comes next in `in` (just after "!"), following
// each class's GetExtensionClass until it names itself; leaves the position as it was.
TGIFExtensionClass FindExtensionClass(TGIFReader& in);

class TGIFExtension : public TGIFItem {
 public:
  explicit TGIFExtension(TGIFSubImage* frame);

  TGIFSubImage* SubImage() const { return frame_; }
  TGIFImage* Image() const override;
  virtual TGIFExtensionClass ClassType() const = 0;
  uint8_t Label() const { return ClassType()->Label; }

  // "!", the label, then the body.
  void SaveToStream(TGIFBytes& out) override;
  void LoadFromStream(TGIFReader& in) override;

 protected:
  virtual void SaveBody(TGIFBytes& out) = 0;
  virtual void LoadBody(TGIFReader& in) = 0;

 private:
  friend class TGIFSubImage;
  TGIFSubImage* frame_;
};

class TGIFGraphicControlExtension : public TGIFExtension {
 public:
  static TGIFExtensionClass Class();
  TGIFExtensionClass ClassType() const override { return Class(); }

  explicit TGIFGraphicControlExtension(TGIFSubImage* frame);
  ~TGIFGraphicControlExtension() override;

  uint8_t BlockSize = 4;
  uint8_t Packed = 0;
  uint16_t Delay = 0;
  uint8_t TransparentColorIndex = 0;
  uint8_t Terminator = 0;

  bool Transparent() const { return Packed & 0x01; }
  // Sets or clears the flag together with the frame's HasTransparency.
  void SetTransparent(bool on);
  bool UserInput() const { return Packed & 0x02; }
  void SetUserInput(bool on) { Packed = uint8_t(on ? Packed | 0x02 : Packed & ~0x02); }
  int Disposal() const { return (Packed >> 2) & 7; }
  void SetDisposal(int method) { Packed = uint8_t((Packed & ~0x1C) | ((method & 7) << 2)); }
  // The transparent index's colour through the frame's active table.
  platform::TColor TransparentColor();

 protected:
  void SaveBody(TGIFBytes& out) override;
  void LoadBody(TGIFReader& in) override;
};

class TGIFTextExtension : public TGIFExtension {
 public:
  static TGIFExtensionClass Class();
  TGIFExtensionClass ClassType() const override { return Class(); }
  using TGIFExtension::TGIFExtension;

  uint8_t BlockSize = 12;
  uint16_t Left = 0;
  uint16_t Top = 0;
  uint16_t GridWidth = 0;
  uint16_t GridHeight = 0;
  uint8_t CellWidth = 0;
  uint8_t CellHeight = 0;
  uint8_t TextColorIndex = 0;
  uint8_t BackgroundColorIndex = 0;
  std::vector<std::string> Text;

 protected:
  void SaveBody(TGIFBytes& out) override;
  void LoadBody(TGIFReader& in) override;
};

class TGIFCommentExtension : public TGIFExtension {
 public:
  static TGIFExtensionClass Class();
  TGIFExtensionClass ClassType() const override { return Class(); }
  using TGIFExtension::TGIFExtension;

  std::vector<std::string> Text;

 protected:
  void SaveBody(TGIFBytes& out) override;
  void LoadBody(TGIFReader& in) override;
};

class TGIFApplicationExtension : public TGIFExtension {
 public:
  static TGIFExtensionClass Class();
  TGIFExtensionClass ClassType() const override { return Class(); }
  using TGIFExtension::TGIFExtension;

  // 8 bytes application name, 3 bytes authentication code.
  TGIFApplicationId Identifier{};
  // The bytes of a block longer than 11 after the identifier, written back with it, so such a
  // block is never read again as one of the registered kinds.
  std::vector<uint8_t> IdentifierTail;

 protected:
  // The sub-blocks after the identifier, up to and including the terminator.
  virtual void SaveData(TGIFBytes& out);
  virtual void LoadData(TGIFReader& in);
  void SaveBody(TGIFBytes& out) override;
  void LoadBody(TGIFReader& in) override;
};

// One data sub-block: its bytes (at most 255).
class TGIFBlock {
 public:
  std::vector<uint8_t> Data;
  int Size() const { return int(Data.size()); }
  void SaveToStream(TGIFBytes& out) const;
};

// An application extension nothing here interprets: its sub-blocks are kept as they were read.
class TGIFUnknownAppExtension : public TGIFApplicationExtension {
 public:
  static TGIFExtensionClass Class();
  TGIFExtensionClass ClassType() const override { return Class(); }
  using TGIFApplicationExtension::TGIFApplicationExtension;

  std::vector<TGIFBlock> Blocks;

 protected:
  void SaveData(TGIFBytes& out) override;
  void LoadData(TGIFReader& in) override;
};

// The loop extension ("NETSCAPE2.0", also read as "ANIMEXTS1.0").
class TGIFAppExtNSLoop : public TGIFApplicationExtension {
 public:
  static TGIFExtensionClass Class();
  TGIFExtensionClass ClassType() const override { return Class(); }
  explicit TGIFAppExtNSLoop(TGIFSubImage* frame);

  uint16_t LoopCount = 0;
  uint32_t BufferSize = 0;

 protected:
  void SaveData(TGIFBytes& out) override;
  void LoadData(TGIFReader& in) override;
};

// The extensions in front of one frame.
class TGIFExtensionList : public TGIFList<TGIFExtension> {
 public:
  explicit TGIFExtensionList(TGIFSubImage* frame);
  TGIFSubImage* SubImage() const { return frame_; }
  void LoadFromStream(TGIFReader& in) override;

 private:
  TGIFSubImage* frame_;
};

// --- Frames ------------------------------------------------------------------------------------

class TGIFSubImage : public TGIFItem {
 public:
  explicit TGIFSubImage(TGIFImage* image);
  ~TGIFSubImage() override;

  // Image descriptor.
  uint16_t Left() const { return left_; }
  uint16_t Top() const { return top_; }
  uint16_t Width() const { return width_; }
  uint16_t Height() const { return height_; }
  platform::TRect BoundsRect() const { return platform::Bounds(left_, top_, width_, height_); }
  // Changes the bounds; a new width or height reallocates the pixels, zero-filled. A frame that
  // then reaches past a non-empty logical screen warns, and the screen grows to fit it.
  void SetBounds(int left, int top, int width, int height);
  uint8_t Packed = 0;  // bit 7 local table, 6 interlaced, 5 sorted, 0-2 table size
  bool Interlaced() const { return Packed & 0x40; }
  void SetInterlaced(bool on) { Packed = uint8_t(on ? Packed | 0x40 : Packed & ~0x40); }

  TGIFLocalColorMap& ColorMap() { return colorMap_; }
  const TGIFLocalColorMap& ColorMap() const { return colorMap_; }
  // The table the frame draws with: its own when it has entries, else the global one.
  TGIFColorMap& ActiveColorMap();
  TGIFExtensionList& Extensions() { return extensions_; }
  const TGIFExtensionList& Extensions() const { return extensions_; }

  // Width x Height colour indices, row after row; empty when the frame has no pixels.
  std::vector<uint8_t>& Data() { return data_; }
  const std::vector<uint8_t>& Data() const { return data_; }
  uint8_t Pixels(int x, int y) const;  // "Invalid pixel coordinates" outside the frame
  void SetPixels(int x, int y, uint8_t value);
  uint8_t* ScanLine(int y);

  bool Empty() const { return data_.empty() || width_ == 0 || height_ == 0; }
  bool HasTransparency = false;
  // The frame's graphic control extension (the first one made for it), or null.
  TGIFGraphicControlExtension* GraphicControlExtension() const { return graphicControl_; }
  bool Transparent() const { return HasTransparency; }
  // The transparent index, or -1.
  int TransparentIndex() const;

  int Version() const override;
  // Marks what was computed from the pixels or colours (bitmap, mask, palette) out of date.
  void Changed();
  // Empties the frame: no pixels, no table, no extensions, bounds 0.
  void Clear();
  // Copies descriptor, transparency, pixels, local table and extensions of another frame.
  void Assign(const TGIFSubImage& source);

  void SaveToStream(TGIFBytes& out) override;
  void LoadFromStream(TGIFReader& in) override;
  // Raster data only (the encoder of the image's CompressionKind).
  void Compress(TGIFBytes& out);
  void Decompress(TGIFReader& in);

  // Rendering (GifRender.cpp). The frame as an 8-bit bitmap, made on first use and again after
  // a change: its palette's colours, or the web palette dithered when the image dithers. Empty
  // frames give a bitmap of their size without pixels.
  const platform::TBitmap& Bitmap();
  // Set where the pixel is the transparent index; null when no pixel is.
  const platform::TBitmap* Mask();
  // The colours the frame draws with: its local table, else the global one, else the image's
  // palette.
  std::vector<platform::TColor> Palette();
  bool Dirty() const { return dirty_; }

  // Import (GifReduce.cpp). The frame becomes the bitmap: 1, 4 and 8-bit bitmaps are copied
  // with their palette, others reduced by the image's ReductionMethod, DitherKind and
  // ReductionBitCount. Pixels set in `mask` become transparent.
  void Assign(const platform::TBitmap& bitmap, const platform::TBitmap* mask = nullptr);
  // Any picture: drawn into a bitmap of its size and imported; null empties the frame.
  void Assign(const platform::TGraphic* graphic);

 private:
  friend class TGIFGraphicControlExtension;
  friend class TGIFImage;
  void Reallocate(int width, int height);
  void AttachTo(TGIFImage* image) { SetImage(image); }

  uint16_t left_ = 0;
  uint16_t top_ = 0;
  uint16_t width_ = 0;
  uint16_t height_ = 0;
  TGIFLocalColorMap colorMap_;
  TGIFExtensionList extensions_;
  std::vector<uint8_t> data_;
  TGIFGraphicControlExtension* graphicControl_ = nullptr;
  // Rendering caches.
  std::unique_ptr<platform::TBitmap> bitmap_;
  std::unique_ptr<platform::TBitmap> mask_;
  std::unique_ptr<std::vector<platform::TColor>> palette_;
  bool dirty_ = true;
};

class TGIFImageList : public TGIFList<TGIFSubImage> {
 public:
  using TGIFList<TGIFSubImage>::TGIFList;
  // Frames up to the trailer (which is left to be read) or an unknown block.
  void LoadFromStream(TGIFReader& in) override;
  void SaveToStream(TGIFBytes& out) override;
};

}  // namespace imaging
