#pragma once
// XmlDocument: the station client's small XML class. It keeps a whole document as one string,
// parses it into an index of element positions without copying any text, walks the elements
// with a current position, reads element data with the five standard entities decoded, and
// builds documents by appending elements with their data encoded.
//
// It knows elements and character data only: attributes are tokenised over as part of a start
// tag, and comments, processing instructions, CDATA sections and DOCTYPE nodes between elements
// are skipped. Text is bytes (the client's files are GBK); nothing is converted.
//
// The position: a parent, a current element among the parent's children (none at first), and
// a current child among the current element's children. Index 0 stands for the document itself,
// whose children are the top-level elements.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quayside {

// One element's place in the text. For an empty element "<name/>" the start tag's ">" is also
// the end tag's ">", and EndTagOpen is the offset of its "/".
struct TXmlElementPos {
  size_t StartTagOpen = 0;   // the start tag's "<"
  size_t StartTagClose = 0;  // the start tag's ">"
  size_t EndTagOpen = 0;     // the end tag's "<"
  size_t EndTagClose = 0;    // the end tag's ">"
  size_t Reserved = 0;
  size_t Parent = 0;
  size_t FirstChild = 0;   // 0: none
  size_t NextSibling = 0;  // 0: none
};

class XmlDocument {
 public:
  // Elements nested deeper than this fail to parse ("Element nesting too deep"), so a hostile
  // file cannot exhaust the stack.
  static constexpr size_t MaxDepth = 256;

  XmlDocument();

  // Replaces the document and rebuilds the index. True when the text is not empty and at least
  // one top-level element was found without error; otherwise the index is emptied (the text is
  // kept) and ParseError() tells why.
  bool Parse(std::string_view text);
  const std::string& DocumentText() const { return text_; }
  const std::string& ParseError() const { return error_; }

  // The next element named `name` after the current element among the parent's children (from
  // the parent's first child when there is none); it becomes the current element and no child
  // is current. An empty name takes the next element whatever its name.
  bool FindSibling(std::string_view name);
  // Without a current element, first the first sibling; then the next child named `name` of
  // the current element after the current child (or from its first child), which becomes the
  // current child. A failed find leaves the position as it was.
  bool FindChild(std::string_view name);
  // The current child becomes the current element, its parent the parent.
  bool EnterChild();
  // The current element becomes the current child, its parent the current element.
  bool LeaveToParent();
  // The data of the current child; empty without one.
  std::string ChildData() const;
  // The tag name of the current element or child; empty without one.
  std::string ElementName() const;
  std::string ChildName() const;

  // A new element "<name>data</name>" (or "<name/>" for empty data) followed by CR LF, with the
  // data's "<", "&", ">", "'" and '"' written as entities. AppendElement puts it after the
  // current element (or at the end of the parent's content) and makes it current; AppendChild
  // puts it after the current child (or at the end of the current element's content) and makes
  // it the current child, and fails without a current element. A parent written as "<name/>"
  // is first opened into "<name>" CR LF "</name>".
  bool AppendElement(std::string_view name, std::string_view data);
  bool AppendChild(std::string_view name, std::string_view data);

  // The index, record 0 being the document; for tests and walkers.
  const std::vector<TXmlElementPos>& Elements() const { return index_; }

  // Entity coding of element data.
  static std::string EncodeData(std::string_view data);
  static std::string DecodeData(std::string_view data);
  // Whether an element's tag name matches `name`: equal, or `name` goes on after the tag name
  // only with one of " ", "=", "/", "[".
  static bool NameMatches(std::string_view tagName, std::string_view name);

 private:
  class TParser;

  void Clear();
  std::string TagName(size_t element) const;
  std::string DataOf(size_t element) const;
  // Inserts `name`/`data` into `parent`'s children after `after` (0: at the end), returns the
  // new record's index, or 0 when it cannot.
  size_t Insert(size_t parent, size_t after, std::string_view name, std::string_view data);
  // Opens an empty element "<name/>" into "<name>" CR LF "</name>".
  void OpenEmpty(size_t element);
  // Moves every offset at or beyond `from` by `delta` bytes.
  void Shift(size_t from, ptrdiff_t delta);

  std::string text_;
  std::vector<TXmlElementPos> index_;
  size_t parent_ = 0;
  size_t element_ = 0;
  size_t child_ = 0;
  std::string error_;
};

}  // namespace quayside
