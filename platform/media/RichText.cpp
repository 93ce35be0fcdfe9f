#include "RichText.h"

#include "platform/base/AtomicFile.h"
#include "platform/base/FilePath.h"
#include "platform/base/GbkText.h"
#include "platform/gfx/TextLayout.h"
#include "platform/media/RtfReader.h"
#include "platform/media/RtfWriter.h"

namespace platform {

namespace {

bool IsCharacter(char32_t c) { return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF); }

}  // namespace

TFontDescription TRichFormat::Font() const {
  TFontDescription font;
  font.Name = FaceName.empty() ? Utf8ToGbk("宋体") : Utf8ToGbk(FaceName);
  font.Height = -MulDivRound(HalfPoints, TFontDescription::kPixelsPerInch, 144);
  font.Color = Color.value_or(kAutomaticColor);
  font.Style = Style;
  font.Charset = Charset;
  return font;
}

void TRichParagraph::Append(const TRichFormat& format, std::u32string_view text) {
  if (text.empty()) return;
  if (!Runs.empty() && Runs.back().Format == format)
    Runs.back().Text.append(text);
  else
    Runs.push_back({format, std::u32string(text)});
}

std::u32string TRichDocument::PlainText() const {
  std::u32string text;
  for (size_t i = 0; i < Paragraphs.size(); ++i) {
    if (i > 0) text += U'\n';
    for (const TRichRun& run : Paragraphs[i].Runs) text += run.Text;
  }
  return text;
}

TRichFormat PlainTextFormat() {
  TRichFormat format;
  format.Color = clRed;
  return format;
}

TRichDocument PlainTextDocument(std::string_view gbk) {
  TRichDocument document;
  const TRichFormat format = PlainTextFormat();
  std::u32string line;
  bool open = false;  // a paragraph has begun that no line end has closed yet
  auto close = [&] {
    TRichParagraph& paragraph = document.Paragraphs.emplace_back();
    paragraph.Append(format, line);
    line.clear();
  };
  std::vector<TGbkChar> chars = DecodeGbk(gbk);
  for (size_t i = 0; i < chars.size(); ++i) {
    const char32_t c = chars[i].Code;
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < chars.size() && chars[i + 1].Code == '\n') ++i;
      close();
      open = false;
      continue;
    }
    open = true;
    if (c >= 0x20 || c == '\t') line += c;
  }
  if (open) close();
  return document;
}

TRichDocument LoadRichText(std::string_view content) {
  if (std::optional<TRichDocument> rtf = ReadRtf(content)) return std::move(*rtf);
  return PlainTextDocument(content);
}

bool LoadRichTextFile(std::string_view gbkPath, TRichDocument& document, std::string* error) {
  std::string content;
  if (!ReadWholeFile(OsPathFromGbk(gbkPath), content, error)) return false;
  document = LoadRichText(content);
  return true;
}

bool SaveRichTextFile(std::string_view gbkPath, const TRichDocument& document,
                      std::string* error) {
  const std::string rtf = WriteRtf(document);
  return SaveFileAtomic(OsPathFromGbk(gbkPath), rtf.data(), rtf.size(), error);
}

std::u32string Utf8ToUtf32(std::string_view utf8) {
  std::u32string out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    size_t n = c < 0x80 ? 1 : (c >= 0xC2 && c <= 0xDF) ? 2 : (c >= 0xE0 && c <= 0xEF) ? 3
             : (c >= 0xF0 && c <= 0xF4)                 ? 4
                                                        : 0;
    char32_t code = n == 1 ? c : n == 2 ? (c & 0x1F) : n == 3 ? (c & 0x0F) : (c & 0x07);
    bool ok = n > 0 && i + n <= utf8.size();
    for (size_t k = 1; ok && k < n; ++k) {
      const unsigned char t = static_cast<unsigned char>(utf8[i + k]);
      ok = (t & 0xC0) == 0x80;
      code = (code << 6) | (t & 0x3F);
    }
    // Overlong forms are no characters either.
    if (ok && ((n == 3 && code < 0x800) || (n == 4 && code < 0x10000))) ok = false;
    if (!ok || !IsCharacter(code)) {
      out += U'\xFFFD';
      ++i;
      continue;
    }
    out += code;
    i += n;
  }
  return out;
}

std::string Utf32ToUtf8(std::u32string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char32_t c : text) {
    if (!IsCharacter(c)) c = 0xFFFD;
    if (c < 0x80) {
      out += char(c);
    } else if (c < 0x800) {
      out += char(0xC0 | (c >> 6));
      out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += char(0xE0 | (c >> 12));
      out += char(0x80 | ((c >> 6) & 0x3F));
      out += char(0x80 | (c & 0x3F));
    } else {
      out += char(0xF0 | (c >> 18));
      out += char(0x80 | ((c >> 12) & 0x3F));
      out += char(0x80 | ((c >> 6) & 0x3F));
      out += char(0x80 | (c & 0x3F));
    }
  }
  return out;
}

}  // namespace platform
