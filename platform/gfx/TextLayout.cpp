#include "TextLayout.h"

#include <algorithm>
#include <unordered_map>

#include "platform/base/GbkText.h"

namespace platform {

namespace {

// First code point of UTF-8 text (as GbkToUtf8 makes it: well formed).
char32_t FirstCodePoint(std::string_view utf8) {
  if (utf8.empty()) return 0xFFFD;
  const unsigned char c = static_cast<unsigned char>(utf8[0]);
  int n = c < 0x80 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
  if (utf8.size() < size_t(n) + 1) return 0xFFFD;
  char32_t code = n == 0 ? c : n == 1 ? (c & 0x1F) : n == 2 ? (c & 0x0F) : (c & 0x07);
  for (int i = 1; i <= n; ++i) code = (code << 6) | (static_cast<unsigned char>(utf8[i]) & 0x3F);
  return code;
}

// The code point of one GBK character; conversions are remembered per thread, as the same
// characters come back all the time.
char32_t GbkCode(std::string_view unit) {
  thread_local std::unordered_map<uint16_t, char32_t> known;
  uint16_t key = uint16_t((static_cast<unsigned char>(unit[0]) << 8) |
                          (unit.size() > 1 ? static_cast<unsigned char>(unit[1]) : 0));
  auto it = known.find(key);
  if (it != known.end()) return it->second;
  std::string utf8 = GbkToUtf8(unit);
  char32_t code = FirstCodePoint(utf8);
  // A unit that converts to more than one character is not one valid character.
  if (utf8.size() > 4) code = 0xFFFD;
  known.emplace(key, code);
  return code;
}

bool IsBlank(char32_t c) { return c == ' ' || c == 0x3000; }
// Chinese (and other East Asian) characters: a line may break before or after each one.
bool IsWide(char32_t c) { return c >= 0x2E80 && c != 0xFEFF; }
bool IsLineEnd(char32_t c) { return c == '\r' || c == '\n'; }

}  // namespace

std::vector<TGbkChar> DecodeGbk(std::string_view gbk) {
  std::vector<TGbkChar> chars;
  chars.reserve(gbk.size());
  size_t i = 0;
  while (i < gbk.size()) {
    const unsigned char c = static_cast<unsigned char>(gbk[i]);
    TGbkChar ch;
    ch.Offset = i;
    if (c < 0x80) {
      ch.Code = c;
    } else if (IsGbkLeadByte(c) && i + 1 < gbk.size() &&
               static_cast<unsigned char>(gbk[i + 1]) >= 0x40 &&
               static_cast<unsigned char>(gbk[i + 1]) != 0x7F &&
               static_cast<unsigned char>(gbk[i + 1]) != 0xFF) {
      ch.Length = 2;
      ch.Code = GbkCode(gbk.substr(i, 2));
    } else {
      ch.Code = GbkCode(gbk.substr(i, 1));
    }
    chars.push_back(ch);
    i += ch.Length;
  }
  return chars;
}

std::vector<TLaidLine> BreakLines(std::span<TLaidChar> text, int width, unsigned flags,
                                  int tabStop) {
  std::vector<TLaidLine> lines;
  const bool single = flags & DT_SINGLELINE;
  const bool wordBreak = (flags & DT_WORDBREAK) && !single;
  const bool breakWords = flags & DT_EDITCONTROL;
  const bool tabs = tabStop > 0;
  // With tab stops a tab is a blank whose width runs to the next stop.
  auto blank = [tabs](char32_t c) { return IsBlank(c) || (tabs && c == '\t'); };
  const size_t n = text.size();
  auto emit = [&](size_t first, size_t last) {
    TLaidLine line{first, last, 0};
    size_t end = last;
    while (end > first && blank(text[end - 1].Char.Code)) --end;
    for (size_t k = first; k < end; ++k) line.Width += text[k].Advance;
    lines.push_back(line);
  };
  size_t start = 0;
  while (start < n) {
    int64_t used = 0;  // blanks never break, so a line of them can grow long
    size_t breakAt = 0;  // a place the line may end before, 0 for none
    size_t i = start;
    size_t next = n;
    size_t end = n;
    for (; i < n; ++i) {
      const char32_t c = text[i].Char.Code;
      if (!single && IsLineEnd(c)) {
        end = i;
        next = i + 1;
        if (c == '\r' && next < n && text[next].Char.Code == '\n') ++next;
        break;
      }
      if (tabs && c == '\t') text[i].Advance = tabStop - int(used % tabStop);
      if (wordBreak && !blank(c)) {
        const char32_t prev = i > start ? text[i - 1].Char.Code : 0;
        if (i > start && (blank(prev) || IsWide(prev) || IsWide(c))) breakAt = i;
        if (i > start && used + text[i].Advance > width) {
          if (breakAt > start) {
            end = next = breakAt;
            break;
          }
          if (breakWords) {
            end = next = i;
            break;
          }
          // A word too long for the line runs on to its end.
        }
      }
      used += text[i].Advance;
    }
    emit(start, end);
    start = next;
  }
  return lines;
}

TTextLayout LayoutText(TRealizedFont& font, std::string_view gbk, int width, unsigned flags) {
  TTextLayout layout;
  layout.LineHeight = font.Metrics().Height;
  const bool prefixes = !(flags & DT_NOPREFIX);
  const bool single = flags & DT_SINGLELINE;

  std::vector<TGbkChar> chars = DecodeGbk(gbk);
  for (size_t i = 0; i < chars.size(); ++i) {
    TLaidChar lc{chars[i]};
    if (prefixes && chars[i].Code == '&') {
      if (i + 1 >= chars.size()) break;  // a lone '&' at the end shows nothing
      ++i;
      lc.Char = chars[i];
      lc.Underlined = chars[i].Code != '&';
    }
    if (!(single && IsLineEnd(lc.Char.Code)))
      lc.Advance = IsLineEnd(lc.Char.Code) ? 0 : font.Advance(lc.Char.Code);
    layout.Chars.push_back(lc);
  }

  layout.Lines = BreakLines(layout.Chars, width, flags);
  for (const TLaidLine& line : layout.Lines) layout.Width = std::max(layout.Width, line.Width);
  return layout;
}

TSize TextExtent(const TFontDescription& font, std::string_view gbk) {
  std::shared_ptr<TRealizedFont> realized = RealizeFont(font);
  TSize size{0, realized->Metrics().Height};
  for (const TGbkChar& c : DecodeGbk(gbk))
    if (!IsLineEnd(c.Code)) size.cx += realized->Advance(c.Code);
  return size;
}

std::vector<std::string> WrapText(const TFontDescription& font, std::string_view gbk, int width) {
  std::shared_ptr<TRealizedFont> realized = RealizeFont(font);
  TTextLayout layout =
      LayoutText(*realized, gbk, width, DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX);
  std::vector<std::string> lines;
  for (const TLaidLine& line : layout.Lines) {
    if (line.First == line.Last) {
      lines.emplace_back();
      continue;
    }
    const TGbkChar& first = layout.Chars[line.First].Char;
    const TGbkChar& last = layout.Chars[line.Last - 1].Char;
    lines.emplace_back(gbk.substr(first.Offset, last.Offset + last.Length - first.Offset));
  }
  return lines;
}

}  // namespace platform
