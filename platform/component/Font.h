#pragma once
// The published font of display objects: a persistent wrapper around the drawing layer's font
// description, with the sub-properties object text and the inspector reach as "Font.Name" and
// so on. Size and Height are two views of one value at 96 dpi (12 pt = height -16).
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/component/Persistent.h"
#include "platform/gfx/FontDescription.h"

namespace platform {

const TTypeInfo& TypeFontCharset();  // "TFontCharset", 0..255
const TTypeInfo& TypeFontName();     // "TFontName"
const TTypeInfo& TypeFontPitch();    // "TFontPitch": fpDefault, fpVariable, fpFixed
const TTypeInfo& TypeFontStyle();    // "TFontStyle": fsBold, fsItalic, fsUnderline, fsStrikeOut
const TTypeInfo& TypeFontStyles();   // "TFontStyles": set of TFontStyle

class TFont : public TPersistent {
  DECLARE_CLASS_INFO()

  TFont() = default;
  explicit TFont(const TFontDescription& description) : desc_(description) {}

  const TFontDescription& Description() const { return desc_; }
  void SetDescription(const TFontDescription& description) { desc_ = description; }

  uint8_t Charset() const { return desc_.Charset; }
  void SetCharset(uint8_t v) { desc_.Charset = v; }
  uint32_t Color() const { return desc_.Color; }
  void SetColor(uint32_t v) { desc_.Color = v; }
  int32_t Height() const { return desc_.Height; }
  void SetHeight(int32_t v) { desc_.Height = v; }
  const std::string& Name() const { return desc_.Name; }
  void SetName(std::string_view v) { desc_.Name = v; }
  TFontPitch Pitch() const { return desc_.Pitch; }
  void SetPitch(TFontPitch v) { desc_.Pitch = v; }
  int32_t Size() const { return desc_.Size(); }
  void SetSize(int32_t v) { desc_.SetSize(v); }
  TFontStyles Style() const { return desc_.Style; }
  void SetStyle(TFontStyles v) { desc_.Style = v; }

  // Takes the description of another font.
  void Assign(const TPersistent& source) override;

 private:
  TFontDescription desc_;
};

}  // namespace platform
