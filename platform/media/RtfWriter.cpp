#include "RtfWriter.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/media/RtfCodePages.h"

namespace platform {

namespace {

using rtf::kCodePageGbk;

constexpr const char* kLineEnd = "\r\n";

void AppendNumber(std::string& out, long value) { out += std::to_string(value); }

void AppendHexByte(std::string& out, unsigned char b) {
  static const char digits[] = "0123456789abcdef";
  out += "\\'";
  out += digits[b >> 4];
  out += digits[b & 15];
}

void AppendUnicode(std::string& out, char32_t c) {
  auto unit = [&](uint32_t u) {
    out += "\\u";
    AppendNumber(out, long(int16_t(uint16_t(u))));
    out += '?';
  };
  if (c > 0xFFFF) {
    const uint32_t v = uint32_t(c) - 0x10000;
    unit(0xD800 + (v >> 10));
    unit(0xDC00 + (v & 0x3FF));
  } else {
    unit(uint32_t(c));
  }
}

// One character of text or of a face name, in a font that reads bytes in `codePage`.
void AppendCharacter(std::string& out, char32_t c, int codePage, bool inName) {
  if (c >= 0x20 && c < 0x7F) {
    if (c == '\\' || c == '{' || c == '}') out += '\\';
    if (inName && c == ';')
      AppendHexByte(out, ';');
    else
      out += char(c);
    return;
  }
  if (codePage == kCodePageGbk) {
    const std::string& bytes = rtf::EncodedIn(kCodePageGbk, c);
    if (!bytes.empty()) {
      for (char b : bytes) AppendHexByte(out, static_cast<unsigned char>(b));
      return;
    }
  }
  AppendUnicode(out, c);
}

class TWriter {
 public:
  explicit TWriter(const TRichDocument& document) : document_(document) {}

  std::string Write() {
    CollectTables();
    std::string out = "{\\rtf1\\ansi\\ansicpg936\\deff0";
    out += kLineEnd;
    out += "{\\fonttbl";
    for (size_t i = 0; i < fonts_.size(); ++i) {
      out += "{\\f";
      AppendNumber(out, long(i));
      out += "\\fcharset";
      AppendNumber(out, fonts_[i].second);
      out += ' ';
      const int codePage = rtf::CodePageOfCharset(fonts_[i].second, kCodePageGbk);
      for (char32_t c : Utf8ToUtf32(fonts_[i].first)) AppendCharacter(out, c, codePage, true);
      out += ";}";
    }
    out += '}';
    out += kLineEnd;
    out += "{\\colortbl ;";
    for (TColor c : colors_) {
      out += "\\red";
      AppendNumber(out, GetRValue(c));
      out += "\\green";
      AppendNumber(out, GetGValue(c));
      out += "\\blue";
      AppendNumber(out, GetBValue(c));
      out += ';';
    }
    out += '}';
    out += kLineEnd;
    for (const TRichParagraph& paragraph : document_.Paragraphs) {
      out += "\\pard";
      switch (paragraph.Alignment) {
        case paLeft: break;
        case paCenter: out += "\\qc"; break;
        case paRight: out += "\\qr"; break;
        case paJustify: out += "\\qj"; break;
      }
      for (const TRichRun& run : paragraph.Runs) AppendRun(out, run);
      out += "\\par";
      out += kLineEnd;
    }
    out += '}';
    return out;
  }

 private:
  using TFontKey = std::pair<std::string, int>;

  void CollectTables() {
    for (const TRichParagraph& paragraph : document_.Paragraphs)
      for (const TRichRun& run : paragraph.Runs) {
        FontNumber(run.Format);
        if (run.Format.Color) ColorNumber(*run.Format.Color);
      }
    if (fonts_.empty()) FontNumber(TRichFormat{});
  }

  size_t FontNumber(const TRichFormat& format) {
    const TFontKey key{format.FaceName, format.Charset};
    auto it = std::find(fonts_.begin(), fonts_.end(), key);
    if (it != fonts_.end()) return size_t(it - fonts_.begin());
    fonts_.push_back(key);
    return fonts_.size() - 1;
  }

  size_t ColorNumber(TColor color) {
    color &= 0xFFFFFF;
    auto it = std::find(colors_.begin(), colors_.end(), color);
    if (it != colors_.end()) return size_t(it - colors_.begin()) + 1;
    colors_.push_back(color);
    return colors_.size();
  }

  // A run is a group of its own: some readers let a \plain reset the text before it.
  void AppendRun(std::string& out, const TRichRun& run) {
    const TRichFormat& f = run.Format;
    out += "{\\plain\\f";
    AppendNumber(out, long(FontNumber(f)));
    out += "\\fs";
    AppendNumber(out, std::clamp(f.HalfPoints, TRichFormat::kMinHalfPoints,
                                 TRichFormat::kMaxHalfPoints));
    if (f.Color) {  // \plain leaves the colour automatic
      out += "\\cf";
      AppendNumber(out, long(ColorNumber(*f.Color)));
    }
    if (f.Style & FontStyleBit(fsBold)) out += "\\b";
    if (f.Style & FontStyleBit(fsItalic)) out += "\\i";
    if (f.Style & FontStyleBit(fsUnderline)) out += "\\ul";
    if (f.Style & FontStyleBit(fsStrikeOut)) out += "\\strike";
    out += ' ';
    const int codePage = rtf::CodePageOfCharset(f.Charset, kCodePageGbk);
    for (char32_t c : run.Text) {
      if (c == '\t')
        out += "\\tab ";
      else if (c == '\n')
        out += "\\line ";
      else if (c >= 0x20)
        AppendCharacter(out, c, codePage, false);
    }
    out += '}';
  }

  const TRichDocument& document_;
  std::vector<TFontKey> fonts_;
  std::vector<TColor> colors_;
};

}  // namespace

std::string WriteRtf(const TRichDocument& document) { return TWriter(document).Write(); }

}  // namespace platform
