#include "PageLayout.h"

#include <charconv>
#include <utility>
#include <vector>

namespace pageflat {
namespace {

using TAttribute = std::pair<std::string, std::string>;  // name, value with its quotes

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// A start tag taken apart: its name, its attributes as written, and whether it closes itself.
struct TStartTag {
  std::string Name;
  std::vector<TAttribute> Attributes;
  bool Empty = false;
};

// Reads the start tag at `pos` (which points at '<'). Gives the position after its '>', or
// npos when the tag does not end well (the text is then left alone from here on).
size_t ReadStartTag(std::string_view text, size_t pos, TStartTag& tag) {
  size_t i = pos + 1;
  const size_t nameStart = i;
  while (i < text.size() && !IsSpace(text[i]) && text[i] != '>' && text[i] != '/') ++i;
  tag.Name = std::string(text.substr(nameStart, i - nameStart));
  for (;;) {
    while (i < text.size() && IsSpace(text[i])) ++i;
    if (i >= text.size()) return std::string_view::npos;
    if (text[i] == '>') return i + 1;
    if (text[i] == '/') {
      if (i + 1 < text.size() && text[i + 1] == '>') {
        tag.Empty = true;
        return i + 2;
      }
      return std::string_view::npos;
    }
    const size_t attrStart = i;
    while (i < text.size() && !IsSpace(text[i]) && text[i] != '=') ++i;
    std::string name(text.substr(attrStart, i - attrStart));
    while (i < text.size() && IsSpace(text[i])) ++i;
    if (i >= text.size() || text[i] != '=') return std::string_view::npos;
    ++i;
    while (i < text.size() && IsSpace(text[i])) ++i;
    if (i >= text.size() || (text[i] != '"' && text[i] != '\'')) return std::string_view::npos;
    const size_t close = text.find(text[i], i + 1);
    if (close == std::string_view::npos) return std::string_view::npos;
    tag.Attributes.emplace_back(std::move(name), std::string(text.substr(i, close + 1 - i)));
    i = close + 1;
  }
}

void SetAttribute(TStartTag& tag, const std::string& name, const std::string& value) {
  const std::string quoted = "\"" + value + "\"";
  for (TAttribute& a : tag.Attributes)
    if (a.first == name) {
      a.second = quoted;
      return;
    }
  tag.Attributes.emplace_back(name, quoted);
}

void DropAttribute(TStartTag& tag, const std::string& name) {
  std::erase_if(tag.Attributes, [&](const TAttribute& a) { return a.first == name; });
}

std::string WriteStartTag(const TStartTag& tag) {
  std::string out = "<" + tag.Name;
  for (const auto& [name, value] : tag.Attributes) out += " " + name + "=" + value;
  out += tag.Empty ? "/>" : ">";
  return out;
}

bool StartsTag(std::string_view text, size_t pos, std::string_view name) {
  if (text.compare(pos + 1, name.size(), name) != 0) return false;
  const size_t after = pos + 1 + name.size();
  return after < text.size() && (IsSpace(text[after]) || text[after] == '>' || text[after] == '/');
}

}  // namespace

std::string PixelsToPoints(int pixels) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, double(pixels) * 0.75);
  return std::string(buf, r.ptr) + "pt";
}

std::string SetPageLayouts(std::string_view fodt, int widthPixels, int heightPixels) {
  const std::string width = PixelsToPoints(widthPixels);
  const std::string height = PixelsToPoints(heightPixels);
  const std::string orientation = widthPixels > heightPixels ? "landscape" : "portrait";
  std::string out;
  out.reserve(fodt.size() + 1024);
  enum { Neither, Header, Footer } band = Neither;
  size_t copied = 0;
  for (size_t pos = fodt.find('<'); pos != std::string_view::npos; pos = fodt.find('<', pos + 1)) {
    const bool header = StartsTag(fodt, pos, "style:header-style");
    const bool footer = StartsTag(fodt, pos, "style:footer-style");
    if (header || footer) {
      band = header ? Header : Footer;
      continue;
    }
    const bool layout = StartsTag(fodt, pos, "style:page-layout-properties");
    const bool bandProperties = StartsTag(fodt, pos, "style:header-footer-properties");
    if (!layout && !(bandProperties && band != Neither)) continue;
    TStartTag tag;
    const size_t end = ReadStartTag(fodt, pos, tag);
    if (end == std::string_view::npos) break;
    if (layout) {
      DropAttribute(tag, "fo:margin");
      SetAttribute(tag, "fo:page-width", width);
      SetAttribute(tag, "fo:page-height", height);
      SetAttribute(tag, "style:print-orientation", orientation);
      SetAttribute(tag, "fo:margin-top", "0pt");
      SetAttribute(tag, "fo:margin-bottom", "0pt");
      SetAttribute(tag, "fo:margin-left", "0pt");
      SetAttribute(tag, "fo:margin-right", "5pt");
    } else {
      SetAttribute(tag, band == Header ? "fo:margin-bottom" : "fo:margin-top", "0pt");
    }
    out.append(fodt.substr(copied, pos - copied));
    out += WriteStartTag(tag);
    copied = end;
    pos = end - 1;
  }
  out.append(fodt.substr(copied));
  return out;
}

}  // namespace pageflat
