#include "XmlDocument.h"

#include <cstring>
#include <optional>

namespace quayside {

namespace {

constexpr size_t npos = std::string::npos;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Characters that end a plain token; a token starting with one of them is that one character.
bool IsDelimiter(char c) {
  return IsBlank(c) || c == '<' || c == '>' || c == '=' || c == '\\' || c == '/' || c == '?' ||
         c == '!';
}

struct TToken {
  size_t Start = 0;
  size_t End = 0;  // one past the last character
  std::string_view Text(std::string_view text) const { return text.substr(Start, End - Start); }
  bool Is(std::string_view text, char c) const { return End == Start + 1 && text[Start] == c; }
  bool Quoted(std::string_view text) const { return text[Start] == '"' || text[Start] == '\''; }
};

// The token that starts at or after `pos` past blanks. A quoted token runs to its matching
// quote, or to the end of the text when there is none.
std::optional<TToken> NextToken(std::string_view text, size_t pos) {
  while (pos < text.size() && IsBlank(text[pos])) ++pos;
  if (pos >= text.size()) return std::nullopt;
  const char c = text[pos];
  if (c == '"' || c == '\'') {
    const size_t close = text.find(c, pos + 1);
    return TToken{pos, close == npos ? text.size() : close + 1};
  }
  if (IsDelimiter(c)) return TToken{pos, pos + 1};
  size_t end = pos;
  while (end < text.size() && !IsDelimiter(text[end])) ++end;
  return TToken{pos, end};
}

bool IsNameFollower(char c) { return c == ' ' || c == '=' || c == '/' || c == '['; }

std::string WithName(const char* format, std::string_view name) {
  std::string message = format;
  const size_t at = message.find("%s");
  if (at != npos) message.replace(at, 2, name);
  return message;
}

struct TEntity {
  std::string_view Coded;
  char Plain;
};
constexpr TEntity kEntities[] = {
    {"&lt;", '<'}, {"&amp;", '&'}, {"&gt;", '>'}, {"&apos;", '\''}, {"&quot;", '"'}};

// A name that parses back as the same tag name.
bool ValidAppendName(std::string_view name) {
  if (name.empty() || name[0] == '"' || name[0] == '\'') return false;
  for (char c : name)
    if (IsDelimiter(c)) return false;
  return true;
}

}  // namespace

// The recursive descent over the text. Each level of nesting is one call, bounded by MaxDepth.
class XmlDocument::TParser {
 public:
  explicit TParser(XmlDocument& doc) : doc_(doc), text_(doc.text_) {}

  bool ParseDocument() {
    size_t pos = 0;
    size_t previous = 0;
    size_t count = 0;
    for (;;) {
      size_t element = 0;
      size_t listEnd = npos;
      const TStep step = ParseElement(0, pos, 1, listEnd, element);
      if (step == TStep::Error) return false;
      if (step == TStep::EndOfList) break;
      Link(0, previous, element);
      previous = element;
      ++count;
      pos = doc_.index_[element].EndTagClose + 1;
    }
    if (count == 0) return Fail("Element tag not found");
    return true;
  }

  const std::string& Error() const { return error_; }

 private:
  enum class TStep { Element, EndOfList, Error };

  bool Fail(std::string message) {
    error_ = std::move(message);
    return false;
  }

  void Link(size_t parent, size_t previous, size_t element) {
    if (previous == 0)
      doc_.index_[parent].FirstChild = element;
    else
      doc_.index_[previous].NextSibling = element;
  }

  // One element under `parent`, looked for from `pos`. EndOfList: an end tag stands where an
  // element was expected (`listEnd` is its "<"), or no "<" follows (`listEnd` is npos).
  TStep ParseElement(size_t parent, size_t pos, size_t depth, size_t& listEnd, size_t& element) {
    for (;;) {
      const size_t open = text_.find('<', pos);
      if (open == npos) {
        listEnd = npos;
        return TStep::EndOfList;
      }
      const auto token = NextToken(text_, open + 1);
      if (!token) return Failed("Abrupt end within tag");
      if (token->Quoted(text_)) return Failed("Tag starts with quote");
      if (token->Is(text_, '?') || token->Is(text_, '!')) {
        const size_t end = SkipNode(*token);
        if (end == npos) return Failed("Invalid node");
        pos = end;
        continue;
      }
      if (token->Is(text_, '/')) {
        listEnd = open;
        return TStep::EndOfList;
      }
      if (depth > MaxDepth) return Failed("Element nesting too deep");
      return ParseNamed(parent, open, *token, depth, element);
    }
  }

  // Past the end of a "<?", "<![", "<!-" or "<!" node whose "?" or "!" is `mark`; npos when
  // the node does not end.
  size_t SkipNode(const TToken& mark) const {
    const size_t after = mark.End;
    if (text_[mark.Start] == '?') {
      const size_t end = text_.find("?>", after);
      return end == npos ? npos : end + 2;
    }
    if (after < text_.size() && text_[after] == '[') {
      const size_t end = text_.find("]]>", after);
      return end == npos ? npos : end + 3;
    }
    if (after < text_.size() && text_[after] == '-') {
      const size_t end = text_.find("-->", after + 1);
      return end == npos ? npos : end + 3;
    }
    // A declaration such as DOCTYPE: to its ">", over nested "[" ... "]" parts.
    size_t depth = 0;
    for (size_t i = after; i < text_.size(); ++i) {
      if (text_[i] == '[') {
        ++depth;
      } else if (text_[i] == ']') {
        if (depth > 0) --depth;
      } else if (text_[i] == '>' && depth == 0) {
        return i + 1;
      }
    }
    return npos;
  }

  TStep ParseNamed(size_t parent, size_t open, const TToken& nameToken, size_t depth,
                   size_t& element) {
    const std::string_view name = nameToken.Text(text_);
    // The start tag's ">", stepping over attribute tokens (quoted values may hold ">").
    size_t close = npos;
    for (auto t = NextToken(text_, nameToken.End); t; t = NextToken(text_, t->End)) {
      if (t->Is(text_, '>')) {
        close = t->Start;
        break;
      }
    }
    if (close == npos) return Failed("End of tag not found");

    element = doc_.index_.size();
    TXmlElementPos record;
    record.StartTagOpen = open;
    record.StartTagClose = close;
    record.Parent = parent;
    doc_.index_.push_back(record);

    if (text_[close - 1] == '/') {
      doc_.index_[element].EndTagOpen = close - 1;
      doc_.index_[element].EndTagClose = close;
      return TStep::Element;
    }

    // The children, one after another, until an end tag or the end of the text.
    size_t pos = close + 1;
    size_t previous = 0;
    size_t listEnd = npos;
    for (;;) {
      size_t child = 0;
      const TStep step = ParseElement(element, pos, depth + 1, listEnd, child);
      if (step == TStep::Error) return step;
      if (step == TStep::EndOfList) break;
      Link(element, previous, child);
      previous = child;
      pos = doc_.index_[child].EndTagClose + 1;
    }
    if (listEnd == npos) return Failed(WithName("End tag of %s element not found", name));

    const auto slash = NextToken(text_, listEnd + 1);
    if (!slash || !slash->Is(text_, '/'))
      return Failed(WithName("Expecting end tag of element %s", name));
    const auto endName = NextToken(text_, slash->End);
    if (!endName || !NameMatches(name, endName->Text(text_)))
      return Failed(WithName("End tag does not correspond to %s", name));
    const auto endClose = NextToken(text_, endName->End);
    if (!endClose || !endClose->Is(text_, '>'))
      return Failed(WithName("End tag not completed for element %s", name));
    doc_.index_[element].EndTagOpen = listEnd;
    doc_.index_[element].EndTagClose = endClose->Start;
    return TStep::Element;
  }

  TStep Failed(std::string message) {
    error_ = std::move(message);
    return TStep::Error;
  }

  XmlDocument& doc_;
  std::string_view text_;
  std::string error_;
};

XmlDocument::XmlDocument() { Clear(); }

void XmlDocument::Clear() {
  index_.assign(1, TXmlElementPos{});
  parent_ = element_ = child_ = 0;
}

bool XmlDocument::Parse(std::string_view text) {
  text_.assign(text);
  Clear();
  error_.clear();
  index_.reserve(text_.size() / 64 + 8);
  TParser parser(*this);
  if (!parser.ParseDocument()) {
    error_ = parser.Error();
    Clear();
    return false;
  }
  return true;
}

bool XmlDocument::NameMatches(std::string_view tagName, std::string_view name) {
  if (name.size() < tagName.size() || name.compare(0, tagName.size(), tagName) != 0) return false;
  return name.size() == tagName.size() || IsNameFollower(name[tagName.size()]);
}

std::string XmlDocument::TagName(size_t element) const {
  if (element == 0 || element >= index_.size()) return {};
  const auto token = NextToken(text_, index_[element].StartTagOpen + 1);
  return token ? std::string(token->Text(text_)) : std::string();
}

bool XmlDocument::FindSibling(std::string_view name) {
  size_t i = element_ ? index_[element_].NextSibling : index_[parent_].FirstChild;
  for (; i != 0; i = index_[i].NextSibling) {
    if (name.empty() || NameMatches(TagName(i), name)) {
      element_ = i;
      child_ = 0;
      return true;
    }
  }
  return false;
}

bool XmlDocument::FindChild(std::string_view name) {
  const size_t savedElement = element_;
  const size_t savedChild = child_;
  if (element_ == 0 && !FindSibling({})) return false;
  size_t i = child_ ? index_[child_].NextSibling : index_[element_].FirstChild;
  for (; i != 0; i = index_[i].NextSibling) {
    if (name.empty() || NameMatches(TagName(i), name)) {
      child_ = i;
      return true;
    }
  }
  element_ = savedElement;
  child_ = savedChild;
  return false;
}

bool XmlDocument::EnterChild() {
  if (child_ == 0) return false;
  parent_ = element_;
  element_ = child_;
  child_ = 0;
  return true;
}

bool XmlDocument::LeaveToParent() {
  if (parent_ == 0) return false;
  child_ = element_;
  element_ = parent_;
  parent_ = index_[parent_].Parent;
  return true;
}

std::string XmlDocument::ElementName() const { return TagName(element_); }
std::string XmlDocument::ChildName() const { return TagName(child_); }

std::string XmlDocument::ChildData() const { return child_ ? DataOf(child_) : std::string(); }

std::string XmlDocument::DataOf(size_t element) const {
  const TXmlElementPos& e = index_[element];
  if (e.FirstChild != 0 || e.EndTagOpen <= e.StartTagClose + 1) return {};
  const std::string_view content =
      std::string_view(text_).substr(e.StartTagClose + 1, e.EndTagOpen - e.StartTagClose - 1);
  size_t lead = 0;
  while (lead < content.size() && IsBlank(content[lead])) ++lead;
  constexpr std::string_view kCdata = "<![CDATA[";
  if (content.substr(lead, kCdata.size()) == kCdata) {
    const size_t from = lead + kCdata.size();
    const size_t end = content.find("]]>", from);
    if (end != npos) return std::string(content.substr(from, end - from));
  }
  return DecodeData(content);
}

std::string XmlDocument::EncodeData(std::string_view data) {
  std::string out;
  out.reserve(data.size());
  for (char c : data) {
    bool coded = false;
    for (const TEntity& e : kEntities) {
      if (c == e.Plain) {
        out += e.Coded;
        coded = true;
        break;
      }
    }
    if (!coded) out += c;
  }
  return out;
}

std::string XmlDocument::DecodeData(std::string_view data) {
  std::string out;
  out.reserve(data.size());
  for (size_t i = 0; i < data.size();) {
    bool decoded = false;
    if (data[i] == '&') {
      for (const TEntity& e : kEntities) {
        if (data.substr(i, e.Coded.size()) == e.Coded) {
          out += e.Plain;
          i += e.Coded.size();
          decoded = true;
          break;
        }
      }
    }
    if (!decoded) out += data[i++];
  }
  return out;
}

void XmlDocument::Shift(size_t from, ptrdiff_t delta) {
  for (size_t i = 1; i < index_.size(); ++i) {
    TXmlElementPos& e = index_[i];
    for (size_t* offset : {&e.StartTagOpen, &e.StartTagClose, &e.EndTagOpen, &e.EndTagClose})
      if (*offset >= from) *offset = size_t(ptrdiff_t(*offset) + delta);
  }
}

void XmlDocument::OpenEmpty(size_t element) {
  const std::string name = TagName(element);
  const size_t close = index_[element].EndTagClose;
  // The "/" before ">" goes, and any "/" right before it, or the tag would still end in "/>".
  size_t from = index_[element].EndTagOpen;
  while (from > index_[element].StartTagOpen + 1 && text_[from - 1] == '/') --from;
  const std::string piece = ">\r\n</" + name + ">";
  const size_t replaced = close + 1 - from;
  Shift(close + 1, ptrdiff_t(piece.size()) - ptrdiff_t(replaced));
  text_.replace(from, replaced, piece);
  TXmlElementPos& e = index_[element];
  e.StartTagClose = from;
  e.EndTagOpen = from + 3;
  e.EndTagClose = from + 3 + 2 + name.size();
}

size_t XmlDocument::Insert(size_t parent, size_t after, std::string_view name,
                           std::string_view data) {
  if (!ValidAppendName(name)) return 0;
  if (parent != 0 && index_[parent].EndTagClose == index_[parent].StartTagClose)
    OpenEmpty(parent);

  size_t at;
  if (after != 0) {
    // After the element and the line end that follows it.
    at = index_[after].EndTagClose + 1;
    if (text_.compare(at, 2, "\r\n") == 0)
      at += 2;
    else if (at < text_.size() && text_[at] == '\n')
      at += 1;
  } else {
    at = parent == 0 ? text_.size() : index_[parent].EndTagOpen;
  }

  const std::string coded = EncodeData(data);
  std::string piece = "<";
  piece += name;
  if (coded.empty()) {
    piece += "/>\r\n";
  } else {
    piece += ">";
    piece += coded;
    piece += "</";
    piece += name;
    piece += ">\r\n";
  }
  Shift(at, ptrdiff_t(piece.size()));
  text_.insert(at, piece);

  TXmlElementPos record;
  record.StartTagOpen = at;
  record.Parent = parent;
  if (coded.empty()) {
    record.StartTagClose = at + 1 + name.size() + 1;
    record.EndTagOpen = record.StartTagClose - 1;
    record.EndTagClose = record.StartTagClose;
  } else {
    record.StartTagClose = at + 1 + name.size();
    record.EndTagOpen = record.StartTagClose + 1 + coded.size();
    record.EndTagClose = record.EndTagOpen + 2 + name.size();
  }
  const size_t added = index_.size();
  if (after != 0) {
    record.NextSibling = index_[after].NextSibling;
    index_.push_back(record);
    index_[after].NextSibling = added;
  } else {
    index_.push_back(record);
    size_t last = index_[parent].FirstChild;
    if (last == 0) {
      index_[parent].FirstChild = added;
    } else {
      while (index_[last].NextSibling != 0) last = index_[last].NextSibling;
      index_[last].NextSibling = added;
    }
  }
  return added;
}

bool XmlDocument::AppendElement(std::string_view name, std::string_view data) {
  const size_t added = Insert(parent_, element_, name, data);
  if (added == 0) return false;
  element_ = added;
  child_ = 0;
  return true;
}

bool XmlDocument::AppendChild(std::string_view name, std::string_view data) {
  if (element_ == 0) return false;
  const size_t added = Insert(element_, child_, name, data);
  if (added == 0) return false;
  child_ = added;
  return true;
}

}  // namespace quayside
