#include "Font.h"

#include "platform/component/ClassBuilder.h"

namespace platform {

const TTypeInfo& TypeFontCharset() {
  static const TTypeInfo t = TTypeInfo::Integer("TFontCharset", otUByte);
  return t;
}

const TTypeInfo& TypeFontName() {
  static const TTypeInfo t = TTypeInfo::String("TFontName");
  return t;
}

const TTypeInfo& TypeFontPitch() {
  static const TTypeInfo t =
      TTypeInfo::Enumeration("TFontPitch", {"fpDefault", "fpVariable", "fpFixed"});
  return t;
}

const TTypeInfo& TypeFontStyle() {
  static const TTypeInfo t = TTypeInfo::Enumeration(
      "TFontStyle", {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"});
  return t;
}

const TTypeInfo& TypeFontStyles() {
  static const TTypeInfo t = TTypeInfo::Set("TFontStyles", TypeFontStyle());
  return t;
}

const TClassInfo& TFont::StaticClassInfo() {
  static const TClassInfo info = TClassBuilder<TFont, TPersistent>("TFont")
      .Property("Charset", TypeFontCharset(), &TFont::Charset, &TFont::SetCharset)
      .Property("Color", TypeColor(), &TFont::Color, &TFont::SetColor)
      .Property("Height", &TFont::Height, &TFont::SetHeight)
      .Property("Name", TypeFontName(), &TFont::Name, &TFont::SetName)
      .Property("Pitch", TypeFontPitch(), &TFont::Pitch, &TFont::SetPitch)
      .Property("Size", &TFont::Size, &TFont::SetSize)
      .Property("Style", TypeFontStyles(), &TFont::Style, &TFont::SetStyle)
      .Build();
  return info;
}

void TFont::Assign(const TPersistent& source) {
  if (auto* f = dynamic_cast<const TFont*>(&source)) {
    desc_ = f->desc_;
    return;
  }
  TPersistent::Assign(source);
}

}  // namespace platform
