#pragma once
// Pictures in the manner of the original's GUI framework: TGraphic is one picture of some
// format; TPicture holds one and picks the graphic class for a file by its extension, from a
// process-wide registry that image readers register with. The registry starts with the
// framework's own classes: "bmp" (TBitmapGraphic) and "jpg", "jpeg" (TJPEGImage).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gfx/Canvas.h"

namespace platform {

// A picture that cannot be read, or a picture operation that cannot be done.
class EInvalidGraphic : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file that cannot be opened, read or written.
class EFOpenError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TGraphic;

// A graphic class: its name and how to make an empty picture of it. Classes are compared by
// identity (the address of their one TGraphicClassInfo).
struct TGraphicClassInfo {
  const char* Name;
  std::unique_ptr<TGraphic> (*Create)();
};
using TGraphicClass = const TGraphicClassInfo*;

// The class information of a graphic class T with a default constructor.
template <class T>
TGraphicClass GraphicClassOf(const char* name) {
  static const TGraphicClassInfo info{name, [] { return std::unique_ptr<TGraphic>(new T()); }};
  return &info;
}

class TGraphic {
 public:
  virtual ~TGraphic() = default;

  virtual TGraphicClass ClassType() const = 0;

  // Reads a whole picture from `size` bytes at `data`, never outside them. Throws
  // EInvalidGraphic with a fixed text naming the fault when they are not a picture of this
  // class; the picture then keeps what it held.
  virtual void LoadFromStream(const uint8_t* data, size_t size) = 0;
  // The picture as a file of its format.
  virtual std::vector<uint8_t> SaveToStream() const = 0;

  // Throws EFOpenError when the file cannot be read, else as LoadFromStream. Virtual for the
  // classes that look at the file's name too (a reader that finds a file beside the picture).
  virtual void LoadFromFile(const std::string& path);
  // Writes beside the file and renames, so a failed save leaves an old file whole; throws
  // EFOpenError.
  void SaveToFile(const std::string& path) const;

  virtual int Width() const = 0;
  virtual int Height() const = 0;
  bool Empty() const { return Width() == 0 || Height() == 0; }

  // Draws the picture scaled onto `rect` of the canvas, through the canvas's copy and stretch
  // modes.
  virtual void Draw(TCanvas& canvas, const TRect& rect) const = 0;
};

// One registered extension.
struct TPictureFormat {
  std::string Extension;  // without the dot, as registered
  std::string Description;
  TGraphicClass GraphicClass;
};

class TPicture {
 public:
  // Registers a graphic class for an extension (without the dot, compared ignoring the case
  // of ASCII letters). An extension registered again takes the new class and description in
  // its old place. An empty extension or a null class is ignored.
  static void RegisterFileFormat(std::string_view extension, std::string_view description,
                                 TGraphicClass graphicClass);
  // Removes every extension of a class.
  static void UnregisterGraphicClass(TGraphicClass graphicClass);
  // The registered extensions in registration order.
  static std::vector<TPictureFormat> FileFormats();
  // The class for an extension, or null.
  static TGraphicClass FindExtension(std::string_view extension);
  // An open-dialog filter of every format: "All (*.bmp;*.jpg)|*.bmp;*.jpg|Bitmaps (*.bmp)|
  // *.bmp|...".
  static std::string GraphicFilter();

  TPicture() = default;
  TPicture(const TPicture&) = delete;
  TPicture& operator=(const TPicture&) = delete;

  // Loads a file with the class registered for its extension. Throws EInvalidGraphic
  // "Unknown picture file extension (.ext)" when there is none, EFOpenError when the file
  // cannot be read and the reader's EInvalidGraphic when it is not a valid picture; in every
  // failure the picture keeps what it held.
  void LoadFromFile(const std::string& path);
  // Saves the graphic as a file of its own format; throws EInvalidGraphic when there is no
  // graphic.
  void SaveToFile(const std::string& path) const;

  TGraphic* Graphic() const { return graphic_.get(); }
  void SetGraphic(std::unique_ptr<TGraphic> graphic) { graphic_ = std::move(graphic); }
  int Width() const { return graphic_ ? graphic_->Width() : 0; }
  int Height() const { return graphic_ ? graphic_->Height() : 0; }

 private:
  std::unique_ptr<TGraphic> graphic_;
};

}  // namespace platform
