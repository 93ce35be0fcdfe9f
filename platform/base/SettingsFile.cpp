#include "SettingsFile.h"

#include <unistd.h>

#include <charconv>
#include <vector>

#include "platform/base/AtomicFile.h"
#include "platform/base/GbkText.h"

namespace platform {

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

struct TLine {
  size_t Begin = 0;  // first byte of the line
  size_t End = 0;    // end of its text, before CR LF or LF
  size_t Next = 0;   // first byte of the next line
  enum { lOther, lSection, lKey } Kind = lOther;
  std::string_view Name;   // section name or key, trimmed
  std::string_view Value;  // trimmed value of a key line
};

std::vector<TLine> SplitLines(std::string_view text) {
  std::vector<TLine> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    TLine line;
    line.Begin = pos;
    size_t lf = text.find('\n', pos);
    line.Next = lf == std::string_view::npos ? text.size() : lf + 1;
    line.End = lf == std::string_view::npos ? text.size() : lf;
    if (line.End > line.Begin && text[line.End - 1] == '\r') --line.End;
    std::string_view body = Trim(text.substr(line.Begin, line.End - line.Begin));
    if (!body.empty() && body.front() == '[') {
      line.Kind = TLine::lSection;
      size_t close = body.find(']');
      line.Name = Trim(body.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
    } else if (size_t eq = body.find('='); eq != std::string_view::npos) {
      line.Kind = TLine::lKey;
      line.Name = Trim(body.substr(0, eq));
      line.Value = Trim(body.substr(eq + 1));
    }
    lines.push_back(line);
    pos = line.Next;
  }
  return lines;
}

// Index of the first header of `section`, or -1.
int FindSection(const std::vector<TLine>& lines, std::string_view section) {
  for (size_t i = 0; i < lines.size(); ++i)
    if (lines[i].Kind == TLine::lSection && GbkSameText(lines[i].Name, section)) return int(i);
  return -1;
}

// One past the last line of the section whose header is at `header`.
size_t SectionEnd(const std::vector<TLine>& lines, size_t header) {
  size_t i = header + 1;
  while (i < lines.size() && lines[i].Kind != TLine::lSection) ++i;
  return i;
}

int FindKey(const std::vector<TLine>& lines, int header, std::string_view key) {
  if (header < 0) return -1;
  size_t end = SectionEnd(lines, size_t(header));
  for (size_t i = size_t(header) + 1; i < end; ++i)
    if (lines[i].Kind == TLine::lKey && GbkSameText(lines[i].Name, key)) return int(i);
  return -1;
}

std::string ReadFileOrEmpty(const std::string& path) {
  std::string content;
  if (!ReadWholeFile(path, content)) content.clear();
  return content;
}

}  // namespace

bool ParseSettingsInteger(std::string_view text, int64_t& value) {
  text = Trim(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (!text.empty() && text.front() == '$') {
    base = 16;
    text.remove_prefix(1);
  } else if (text.size() > 1 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return false;
  uint64_t magnitude = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
  if (ec != std::errc() || end != text.data() + text.size()) return false;
  if (negative) {
    if (magnitude > uint64_t(INT64_MAX) + 1) return false;
    value = magnitude == uint64_t(INT64_MAX) + 1 ? INT64_MIN : -int64_t(magnitude);
  } else {
    if (magnitude > uint64_t(INT64_MAX)) return false;
    value = int64_t(magnitude);
  }
  return true;
}

bool TSettingsFile::Lookup(std::string_view text, std::string_view section, std::string_view key, std::string* value) {
  auto lines = SplitLines(text);
  int at = FindKey(lines, FindSection(lines, section), key);
  if (at < 0) return false;
  if (value) *value = std::string(lines[size_t(at)].Value);
  return true;
}

std::string TSettingsFile::SetValue(std::string_view text, std::string_view section, std::string_view key,
                                    std::string_view value) {
  // A line break inside a value would split it into lines of its own.
  std::string clean;
  for (char c : value)
    if (c != '\r' && c != '\n') clean += c;
  const std::string eol = text.find("\r\n") != std::string_view::npos ? "\r\n"
                          : text.find('\n') != std::string_view::npos  ? "\n"
                                                                       : "\r\n";
  auto lines = SplitLines(text);
  int header = FindSection(lines, section);
  std::string out;
  if (int at = FindKey(lines, header, key); at >= 0) {
    const TLine& line = lines[size_t(at)];
    out.append(text.substr(0, line.Begin));
    out.append(line.Name).append("=").append(clean);
    out.append(text.substr(line.End));
    return out;
  }
  std::string entry = std::string(Trim(key)) + "=" + clean + eol;
  if (header < 0) {
    out = text;
    if (!out.empty() && out.back() != '\n') out += eol;
    out.append("[").append(Trim(section)).append("]").append(eol).append(entry);
    return out;
  }
  // After the last line of the section that is not blank.
  size_t last = size_t(header);
  for (size_t i = size_t(header) + 1, end = SectionEnd(lines, size_t(header)); i < end; ++i)
    if (!Trim(text.substr(lines[i].Begin, lines[i].End - lines[i].Begin)).empty()) last = i;
  size_t insertAt = lines[last].Next;
  out.append(text.substr(0, insertAt));
  if (insertAt == lines[last].End) out += eol;  // the section's last line ends the file
  out.append(entry);
  out.append(text.substr(insertAt));
  return out;
}

std::string TSettingsFile::ReadString(std::string_view section, std::string_view key, std::string_view def) const {
  std::string value;
  if (!Lookup(ReadFileOrEmpty(path_), section, key, &value)) return std::string(def);
  return value;
}

int64_t TSettingsFile::ReadInteger(std::string_view section, std::string_view key, int64_t def) const {
  std::string text;
  int64_t value = 0;
  if (!Lookup(ReadFileOrEmpty(path_), section, key, &text) || !ParseSettingsInteger(text, value)) return def;
  return value;
}

bool TSettingsFile::ValueExists(std::string_view section, std::string_view key) const {
  return Lookup(ReadFileOrEmpty(path_), section, key, nullptr);
}

bool TSettingsFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  std::string current;
  // A file that exists but cannot be read is not replaced by one holding only this key.
  if (!ReadWholeFile(path_, current) && ::access(path_.c_str(), F_OK) == 0) return false;
  std::string updated = SetValue(current, section, key, value);
  return SaveFileAtomic(path_, updated.data(), updated.size());
}

bool TSettingsFile::WriteInteger(std::string_view section, std::string_view key, int64_t value) {
  char buf[24];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
  return WriteString(section, key, std::string_view(buf, size_t(end - buf)));
}

}  // namespace platform
