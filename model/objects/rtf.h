#pragma once
// The multi-line text object: a plain-text or RTF file rendered at the object's width on black
// and sent as a picture.
//
// A file is RTF when it starts with "{\rtf"; anything else is plain GBK text in the canvas font
// ("宋体", 12 pt, $0000FF). The document (platform/media, RichText.h) stands in for the hidden
// rich-text edit control; the picture is a 24-bit bitmap as wide as the object and as tall as the
// document's lines, at most MaxRichTextHeight.
#include <cstdint>
#include <string>
#include <string_view>

#include "model/PropertyTable.h"
#include "model/objects/DisplayObject.h"
#include "model/stream/ProgramStream.h"
#include "platform/component/Control.h"
#include "platform/gfx/Bitmap.h"
#include "platform/media/RichText.h"

namespace model {

// The tallest picture of a document; a longer one ends at its last whole line within it.
constexpr int MaxRichTextHeight = 60000;

// Renders `document` into `bitmap` at the bitmap's width:
//   - an empty document (no paragraphs) fills the bitmap black at its current size;
//   - otherwise the document is laid out at that width and measured line by line, each line
//     once with its full height; the bitmap becomes as tall as the lines that fit whole within
//     MaxRichTextHeight and shows them on black.
// Returns 1 when lines were left out, else 0. Throws platform::EBitmapError when the drawing
// layer refuses the size (the bitmap is then as it was or black), platform::EFontError when no
// font can be had.
int RenderRichText(const platform::TRichDocument& document, platform::TBitmap& bitmap);

// Published: FileName (""), Transparent (True), Method, Speed, Fixed (False), Text,
// PropertyTable, RecordSelf; 160 x 64.
//
// The file is loaded and rendered when FileName is set (a file that cannot be read empties
// FileName) and rendered again at the new width on every resize; while object text is loading
// the object, rendering waits until loading ends and runs once at the final width. Before each
// record the file is loaded and rendered again.
class TMultiText : public platform::TGraphicControl {
  DECLARE_CLASS_INFO()

  explicit TMultiText(platform::TComponent* owner);

  // GBK, made a path only when the file is opened.
  const std::string& FileName() const { return fileName_; }
  // Stores the name, loads and renders the file, repaints. When the file cannot be read (an
  // empty name, a missing file, a folder, pipe or device) the name becomes empty and the
  // document with it, so the surface shows what a send would carry.
  void SetFileName(std::string_view fileName);
  bool Transparent() const { return transparent_; }
  // Repaints when the value changes.
  void SetTransparent(bool transparent);
  TDisplayMethod Method() const { return method_; }
  void SetMethod(TDisplayMethod method) { method_ = method; }
  TDisplaySpeed Speed() const { return speed_; }
  void SetSpeed(TDisplaySpeed speed) { speed_ = speed; }
  // Saved with the object; nothing here reads it.
  bool Fixed() const { return fixed_; }
  void SetFixed(bool fixed) { fixed_ = fixed; }
  const std::string& Text() const { return text_; }
  void SetText(std::string_view text) { text_ = text; }
  TBasePropertyTable& PropertyTable() { return table_; }
  const TBasePropertyTable& PropertyTable() const { return table_; }

  // The document as last loaded, and its picture as last rendered (0 x 0 at first, and when
  // the drawing layer refused the object's width).
  const platform::TRichDocument& Document() const { return document_; }
  const platform::TBitmap& Picture() const { return picture_; }

  // Opaque: black over the object, then the picture at its top-left. Transparent: the
  // picture with black as the see-through colour.
  void Paint(platform::TCanvas& canvas) override;
  // Loads and renders the file again, then appends a picture window of the bounds holding the
  // picture. A file that cannot be read sends a 0 x 0 picture; a width the drawing layer
  // refuses sends nothing. Null appends nothing.
  void SetRecordSelf(TProgramStream* stream);

  // Renders at the final width once the object text has set every property.
  void Loaded() override;

 protected:
  void Resize() override;

 private:
  // Reads FileName into the document; false, with the document emptied, when it cannot.
  bool LoadFile();
  // The picture at the object's width; throws what RenderRichText throws.
  void RenderPicture();
  // The same, with a refused size leaving an empty picture.
  void Render();

  std::string fileName_;
  bool transparent_ = true;
  TDisplayMethod method_ = dmCopy;
  TDisplaySpeed speed_ = dsFirst;
  bool fixed_ = false;
  std::string text_;
  TBasePropertyTable table_;
  platform::TRichDocument document_;
  platform::TBitmap picture_;
};

}  // namespace model
