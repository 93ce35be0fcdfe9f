#include "SettingsFile.h"

#include <unistd.h>

#include <charconv>
#include <mutex>
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

// A line break inside a section, key or value would split it into lines of its own.
std::string WithoutLineBreaks(std::string_view s) {
  std::string clean;
  clean.reserve(s.size());
  for (char c : s)
    if (c != '\r' && c != '\n') clean += c;
  return clean;
}

// The settings text split into lines once; writes change the text and the lines they touch, so a
// large file is neither split again nor copied whole at every key.
class TSettingsText {
 public:
  explicit TSettingsText(std::string text = {}) : text_(std::move(text)) {
    SplitAll();
    // The file's own line end: CR LF where it has any, else LF, else a lone CR.
    eol_ = text_.find("\r\n") != std::string::npos ? "\r\n"
           : text_.find('\n') != std::string::npos  ? "\n"
           : text_.find('\r') != std::string::npos  ? "\r"
                                                    : "\r\n";
  }

  const std::string& Text() const { return text_; }

  bool Find(std::string_view section, std::string_view key, std::string* value) const {
    const int at = FindKey(FindSection(section), key);
    if (at < 0) return false;
    if (value) *value = std::string(Value(lines_[size_t(at)]));
    return true;
  }

  // True when the text changed.
  bool Set(std::string_view rawSection, std::string_view rawKey, std::string_view rawValue) {
    const std::string cleanSection = WithoutLineBreaks(rawSection), cleanKey = WithoutLineBreaks(rawKey);
    const std::string value = WithoutLineBreaks(rawValue);
    const std::string_view section = Trim(cleanSection), key = Trim(cleanKey);
    const int header = FindSection(section);
    if (const int at = FindKey(header, key); at >= 0) {
      const TLine line = lines_[size_t(at)];
      const std::string body = std::string(Name(line)) + "=" + value;
      if (std::string_view(text_).substr(line.Begin, line.End - line.Begin) == body) return false;
      text_.replace(line.Begin, line.End - line.Begin, body);
      const ptrdiff_t delta = ptrdiff_t(body.size()) - ptrdiff_t(line.End - line.Begin);
      Resplit(size_t(at), size_t(at) + 1, line.Begin, size_t(ptrdiff_t(line.Next) + delta), delta);
      return true;
    }
    const std::string entry = std::string(key) + "=" + value + eol_;
    if (header < 0) {
      // The section goes at the end of the file, after a line end for a last line without one.
      const bool endLastLine = !lines_.empty() && lines_.back().End == lines_.back().Next;
      std::string add = endLastLine ? eol_ : std::string();
      add.append("[").append(section).append("]").append(eol_).append(entry);
      const size_t first = endLastLine ? lines_.size() - 1 : lines_.size();
      const size_t begin = first < lines_.size() ? lines_[first].Begin : text_.size();
      text_ += add;
      Resplit(first, lines_.size(), begin, text_.size(), ptrdiff_t(add.size()));
      return true;
    }
    // After the last line of the section that is not blank.
    size_t last = size_t(header);
    for (size_t i = size_t(header) + 1, end = SectionEnd(size_t(header)); i < end; ++i)
      if (!Trim(Body(lines_[i])).empty()) last = i;
    const size_t insertAt = lines_[last].Next;
    std::string add;
    if (insertAt == lines_[last].End) add = eol_;  // the section's last line ends the file
    add += entry;
    text_.insert(insertAt, add);
    Resplit(last, last + 1, lines_[last].Begin, insertAt + add.size(), ptrdiff_t(add.size()));
    return true;
  }

 private:
  struct TLine {
    size_t Begin = 0;  // first byte of the line
    size_t End = 0;    // end of its text, before CR LF, LF or CR
    size_t Next = 0;   // first byte of the next line
    enum : uint8_t { lOther, lSection, lKey } Kind = lOther;
  };

  std::string_view Body(const TLine& line) const {
    return std::string_view(text_).substr(line.Begin, line.End - line.Begin);
  }

  // CR LF, LF and a lone CR end a line alike (a file edited by hand may hold any of them).
  static TLine SplitOne(std::string_view text, size_t pos) {
    TLine line;
    line.Begin = pos;
    const size_t end = text.find_first_of("\r\n", pos);
    line.End = end == std::string_view::npos ? text.size() : end;
    line.Next = line.End;
    if (line.Next < text.size()) {
      ++line.Next;
      if (text[line.End] == '\r' && line.Next < text.size() && text[line.Next] == '\n') ++line.Next;
    }
    const std::string_view body = Trim(text.substr(line.Begin, line.End - line.Begin));
    if (!body.empty() && body.front() == '[') line.Kind = TLine::lSection;
    else if (body.find('=') != std::string_view::npos) line.Kind = TLine::lKey;
    return line;
  }

  void SplitAll() {
    lines_.clear();
    for (size_t pos = 0; pos < text_.size(); pos = lines_.back().Next) lines_.push_back(SplitOne(text_, pos));
  }

  // Lines [first, oldEnd) were changed into the text from `begin` to `newEnd`; the lines after
  // them moved by `delta`.
  void Resplit(size_t first, size_t oldEnd, size_t begin, size_t newEnd, ptrdiff_t delta) {
    std::vector<TLine> fresh;
    size_t pos = begin;
    while (pos < newEnd) {
      fresh.push_back(SplitOne(text_, pos));
      pos = fresh.back().Next;
    }
    if (pos != newEnd) {  // the change reached past its lines: split it all again
      SplitAll();
      return;
    }
    for (size_t i = oldEnd; i < lines_.size(); ++i) {
      lines_[i].Begin = size_t(ptrdiff_t(lines_[i].Begin) + delta);
      lines_[i].End = size_t(ptrdiff_t(lines_[i].End) + delta);
      lines_[i].Next = size_t(ptrdiff_t(lines_[i].Next) + delta);
    }
    lines_.erase(lines_.begin() + ptrdiff_t(first), lines_.begin() + ptrdiff_t(oldEnd));
    lines_.insert(lines_.begin() + ptrdiff_t(first), fresh.begin(), fresh.end());
  }

  // Section name or key, trimmed.
  std::string_view Name(const TLine& line) const {
    const std::string_view body = Trim(Body(line));
    if (line.Kind == TLine::lSection) {
      const size_t close = body.find(']');
      return Trim(body.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
    }
    return Trim(body.substr(0, body.find('=')));
  }

  // The trimmed value of a key line.
  std::string_view Value(const TLine& line) const {
    const std::string_view body = Trim(Body(line));
    return Trim(body.substr(body.find('=') + 1));
  }

  // Index of the first header of `section`, or -1.
  int FindSection(std::string_view section) const {
    for (size_t i = 0; i < lines_.size(); ++i)
      if (lines_[i].Kind == TLine::lSection && GbkSameText(Name(lines_[i]), section)) return int(i);
    return -1;
  }

  // One past the last line of the section whose header is at `header`.
  size_t SectionEnd(size_t header) const {
    size_t i = header + 1;
    while (i < lines_.size() && lines_[i].Kind != TLine::lSection) ++i;
    return i;
  }

  int FindKey(int header, std::string_view key) const {
    if (header < 0) return -1;
    const size_t end = SectionEnd(size_t(header));
    for (size_t i = size_t(header) + 1; i < end; ++i)
      if (lines_[i].Kind == TLine::lKey && GbkSameText(Name(lines_[i]), key)) return int(i);
    return -1;
  }

  std::string text_;
  std::vector<TLine> lines_;
  std::string eol_;  // for the lines a write adds: the file's own
};

}  // namespace

struct TSettingsFile::TState {
  std::string Path;
  TSettingsStorage Storage;
  std::mutex Mutex;
  bool Loaded = false;
  bool Readable = true;
  bool Modified = false;
  TSettingsText Text;

  // The text, read at the first use.
  TSettingsText& Document() {
    if (!Loaded) {
      Loaded = true;
      std::string content;
      if (!Path.empty() && !Storage.Read(Path, content)) {
        Readable = false;
        content.clear();
      }
      Text = TSettingsText(std::move(content));
    }
    return Text;
  }
};

TSettingsStorage FileSettingsStorage() {
  TSettingsStorage storage;
  storage.Read = [](const std::string& path, std::string& content) {
    if (ReadWholeFile(path, content)) return true;
    content.clear();
    return ::access(path.c_str(), F_OK) != 0;  // no file is an empty one
  };
  storage.Write = [](const std::string& path, std::string_view content) {
    return SaveFileAtomic(path, content.data(), content.size());
  };
  return storage;
}

TSettingsFile::TSettingsFile(std::string osPath, TSettingsStorage storage) : state_(std::make_shared<TState>()) {
  const TSettingsStorage files = FileSettingsStorage();
  if (!storage.Read) storage.Read = files.Read;
  if (!storage.Write) storage.Write = files.Write;
  state_->Path = std::move(osPath);
  state_->Storage = std::move(storage);
}

const std::string& TSettingsFile::Path() const { return state_->Path; }

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
  return TSettingsText(std::string(text)).Find(section, key, value);
}

std::string TSettingsFile::SetValue(std::string_view text, std::string_view section, std::string_view key,
                                    std::string_view value) {
  TSettingsText settings{std::string(text)};
  settings.Set(section, key, value);
  return settings.Text();
}

std::string TSettingsFile::ReadString(std::string_view section, std::string_view key, std::string_view def) const {
  std::lock_guard lock(state_->Mutex);
  std::string value;
  if (!state_->Document().Find(section, key, &value)) return std::string(def);
  return value;
}

int64_t TSettingsFile::ReadInteger(std::string_view section, std::string_view key, int64_t def) const {
  const std::string text = ReadString(section, key, "");
  int64_t value = 0;
  if (!ParseSettingsInteger(text, value)) return def;
  return value;
}

bool TSettingsFile::ValueExists(std::string_view section, std::string_view key) const {
  std::lock_guard lock(state_->Mutex);
  return state_->Document().Find(section, key, nullptr);
}

void TSettingsFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  std::lock_guard lock(state_->Mutex);
  if (state_->Document().Set(section, key, value)) state_->Modified = true;
}

void TSettingsFile::WriteInteger(std::string_view section, std::string_view key, int64_t value) {
  char buf[24];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
  WriteString(section, key, std::string_view(buf, size_t(end - buf)));
}

bool TSettingsFile::Save() {
  std::lock_guard lock(state_->Mutex);
  state_->Document();
  if (!state_->Modified) return true;
  // A file that exists but could not be read is not replaced by one holding only our keys.
  if (state_->Path.empty() || !state_->Readable) return false;
  if (!state_->Storage.Write(state_->Path, state_->Text.Text())) return false;
  state_->Modified = false;
  return true;
}

bool TSettingsFile::Modified() const {
  std::lock_guard lock(state_->Mutex);
  return state_->Modified;
}

}  // namespace platform
