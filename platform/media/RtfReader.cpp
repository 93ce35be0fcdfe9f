#include "RtfReader.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/media/RtfCodePages.h"

namespace platform {

namespace {

using rtf::AppendDecoded;
using rtf::CodePageOfCharset;

constexpr size_t kMaxWordLength = 32;
constexpr int64_t kMaxParameter = 2147483647;

enum TDestination : uint8_t { dText, dFontTable, dColorTable, dSkip };

// What a group saves and restores.
struct TState {
  TDestination Destination = dText;
  int Font = -1;  // \fN; -1: the default font (\deffN)
  int HalfPoints = 24;
  int Color = -1;  // \cfN; -1: automatic
  TFontStyles Style = 0;
  TParaAlignment Alignment = paLeft;
  bool InTable = false;
  int UnicodeSkip = 1;  // \ucN
};

struct TFontEntry {
  std::string Name;  // UTF-8
  int Charset = -1;  // -1: no \fcharset
};

enum class TWord : uint8_t {
  // header
  AnsiCodePage, DefaultFont, UnicodeSkip, Unicode, Binary,
  // destinations
  FontTable, ColorTable, SkipGroup,
  // tables
  FontCharset, Red, Green, Blue,
  // character and paragraph format
  Plain, Font, FontSize, Color, Bold, Italic, Underline, UnderlineNone, StrikeOut,
  ParagraphDefault, AlignLeft, AlignCenter, AlignRight, AlignJustify, InTable,
  // structure and special characters
  Tab, Line, Paragraph, Section, Cell, Row, Character,
};

struct TWordInfo {
  TWord Word;
  char32_t Character = 0;  // for TWord::Character
};

const std::unordered_map<std::string_view, TWordInfo>& Words() {
  static const std::unordered_map<std::string_view, TWordInfo> words = [] {
    std::unordered_map<std::string_view, TWordInfo> w{
        {"ansicpg", {TWord::AnsiCodePage}}, {"deff", {TWord::DefaultFont}},
        {"uc", {TWord::UnicodeSkip}},       {"u", {TWord::Unicode}},
        {"bin", {TWord::Binary}},           {"fonttbl", {TWord::FontTable}},
        {"colortbl", {TWord::ColorTable}},  {"fcharset", {TWord::FontCharset}},
        {"red", {TWord::Red}},              {"green", {TWord::Green}},
        {"blue", {TWord::Blue}},            {"plain", {TWord::Plain}},
        {"f", {TWord::Font}},               {"fs", {TWord::FontSize}},
        {"cf", {TWord::Color}},             {"b", {TWord::Bold}},
        {"i", {TWord::Italic}},             {"ulnone", {TWord::UnderlineNone}},
        {"strike", {TWord::StrikeOut}},     {"striked", {TWord::StrikeOut}},
        {"pard", {TWord::ParagraphDefault}}, {"ql", {TWord::AlignLeft}},
        {"qc", {TWord::AlignCenter}},       {"qr", {TWord::AlignRight}},
        {"qj", {TWord::AlignJustify}},      {"intbl", {TWord::InTable}},
        {"tab", {TWord::Tab}},              {"line", {TWord::Line}},
        {"par", {TWord::Paragraph}},        {"sect", {TWord::Section}},
        {"page", {TWord::Section}},         {"cell", {TWord::Cell}},
        {"row", {TWord::Row}},
        {"emdash", {TWord::Character, 0x2014}},
        {"endash", {TWord::Character, 0x2013}},
        {"lquote", {TWord::Character, 0x2018}},
        {"rquote", {TWord::Character, 0x2019}},
        {"ldblquote", {TWord::Character, 0x201C}},
        {"rdblquote", {TWord::Character, 0x201D}},
        {"bullet", {TWord::Character, 0x2022}},
    };
    // Every kind of underline underlines.
    for (std::string_view u : {"ul", "uld", "uldash", "uldashd", "uldashdd", "uldb", "ulhwave",
                               "ulldash", "ulth", "ulthd", "ulthdash", "ulthdashd",
                               "ulthdashdd", "ulthldash", "ululdbwave", "ulw", "ulwave"})
      w.emplace(u, TWordInfo{TWord::Underline});
    // Destinations whose text is never shown.
    for (std::string_view d :
         {"info", "stylesheet", "pict", "object", "header", "headerl", "headerr", "headerf",
          "footer", "footerl", "footerr", "footerf", "footnote", "listtable",
          "listoverridetable", "revtbl", "fldinst"})
      w.emplace(d, TWordInfo{TWord::SkipGroup});
    return w;
  }();
  return words;
}

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string TrimBlanks(std::string s) {
  const size_t b = s.find_first_not_of(' ');
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

class TReader {
 public:
  explicit TReader(std::string_view data) : data_(data) {}

  TRichDocument Read() {
    while (pos_ < data_.size() && !done_) Step();
    FlushBytes();
    EndSurrogate();
    if (pendingCellEnd_) EndParagraph(pendingAlignment_);
    if (!paragraph_.Empty()) {
      paragraph_.Alignment = lastAlignment_;
      document_.Paragraphs.push_back(std::move(paragraph_));
    }
    return std::move(document_);
  }

 private:
  struct TWordToken {
    std::string_view Name;
    bool HasParameter = false;
    int Parameter = 0;
  };

  TState& State() { return states_.back(); }

  void Step() {
    const char c = data_[pos_];
    switch (c) {
      case '{':
        ++pos_;
        OpenGroup();
        break;
      case '}':
        ++pos_;
        CloseGroup();
        break;
      case '\\':
        ++pos_;
        ControlSequence();
        break;
      case '\r':
      case '\n':
        ++pos_;  // line ends in the file are not text
        break;
      default:
        ++pos_;
        TextByte(static_cast<unsigned char>(c));
        break;
    }
  }

  void OpenGroup() {
    FlushBytes();
    unicodeToSkip_ = 0;
    if (states_.size() >= kRtfMaxNesting) {
      SkipRestOfGroup();
      if (pos_ < data_.size()) ++pos_;  // its closing brace
      return;
    }
    states_.push_back(states_.empty() ? TState{} : State());
  }

  void CloseGroup() {
    FlushBytes();
    unicodeToSkip_ = 0;
    if (State().Destination == dFontTable) EndFontEntry();
    // The document's own group stays, so the end of reading still has a state.
    if (states_.size() == 1)
      done_ = true;
    else
      states_.pop_back();
  }

  // Moves to the closing brace of the current group (or the end of the data), stepping over
  // nested groups, escaped braces and binary data.
  void SkipRestOfGroup() {
    size_t depth = 1;
    while (pos_ < data_.size()) {
      const char c = data_[pos_];
      if (c == '{') {
        ++depth;
        ++pos_;
      } else if (c == '}') {
        if (--depth == 0) return;
        ++pos_;
      } else if (c == '\\') {
        ++pos_;
        if (pos_ < data_.size() && IsLetter(data_[pos_])) {
          TWordToken word = ReadWord();
          if (word.Name == "bin") SkipBinary(word);
        } else if (pos_ < data_.size()) {
          ++pos_;
        }
      } else {
        ++pos_;
      }
    }
  }

  // After the backslash: a word with an optional parameter and delimiting blank.
  TWordToken ReadWord() {
    TWordToken word;
    const size_t start = pos_;
    while (pos_ < data_.size() && IsLetter(data_[pos_])) ++pos_;
    word.Name = data_.substr(start, std::min(pos_ - start, kMaxWordLength + 1));
    bool negative = false;
    if (pos_ + 1 < data_.size() && data_[pos_] == '-' && IsDigit(data_[pos_ + 1])) {
      negative = true;
      ++pos_;
    }
    int64_t value = 0;
    while (pos_ < data_.size() && IsDigit(data_[pos_])) {
      word.HasParameter = true;
      value = std::min<int64_t>(value * 10 + (data_[pos_] - '0'), kMaxParameter);
      ++pos_;
    }
    word.Parameter = int(negative ? -value : value);
    if (pos_ < data_.size() && data_[pos_] == ' ') ++pos_;
    return word;
  }

  void SkipBinary(const TWordToken& word) {
    if (word.Parameter > 0)
      pos_ += std::min(size_t(word.Parameter), data_.size() - pos_);
  }

  void ControlSequence() {
    if (pos_ >= data_.size()) return;
    const char c = data_[pos_];
    if (IsLetter(c)) {
      TWordToken word = ReadWord();
      if (word.Name == "bin") {
        FlushBytes();
        SkipBinary(word);
        return;
      }
      if (unicodeToSkip_ > 0) {  // a word stands for one fallback character
        --unicodeToSkip_;
        return;
      }
      FlushBytes();
      Act(word);
      return;
    }
    ++pos_;
    switch (c) {
      case '\'': {
        int byte = -1;
        if (pos_ < data_.size() && HexValue(data_[pos_]) >= 0) {
          byte = HexValue(data_[pos_++]);
          if (pos_ < data_.size() && HexValue(data_[pos_]) >= 0)
            byte = byte * 16 + HexValue(data_[pos_++]);
        }
        if (byte >= 0) TextByte(uint8_t(byte), true);
        return;
      }
      case '\\':
      case '{':
      case '}':
        TextByte(uint8_t(c), true);
        return;
      default:
        break;
    }
    if (unicodeToSkip_ > 0) {
      --unicodeToSkip_;
      return;
    }
    FlushBytes();
    switch (c) {
      case '~': Emit(U'\x00A0'); break;
      case '_': Emit(U'\x2011'); break;
      case '*': Skip(); break;
      case '\r':
      case '\n': Paragraph(); break;
      default: break;  // \- \| \: and the like show nothing
    }
  }

  void Act(const TWordToken& word) {
    auto it = Words().find(word.Name);
    if (it == Words().end()) return;
    TState& s = State();
    const int p = word.Parameter;
    const bool on = !word.HasParameter || p != 0;
    auto style = [&](TFontStyle bit) {
      if (on)
        s.Style |= FontStyleBit(bit);
      else
        s.Style &= ~FontStyleBit(bit);
    };
    switch (it->second.Word) {
      case TWord::AnsiCodePage:
        if (word.HasParameter && p > 0) ansiCodePage_ = p;
        break;
      case TWord::DefaultFont: defaultFont_ = p; break;
      case TWord::UnicodeSkip: s.UnicodeSkip = std::max(p, 0); break;
      case TWord::Unicode:
        if (word.HasParameter) {
          Unicode(p);
          unicodeToSkip_ = s.UnicodeSkip;
        }
        break;
      case TWord::Binary: break;  // handled before
      case TWord::FontTable:
        s.Destination = dFontTable;
        entryOpen_ = false;
        break;
      case TWord::ColorTable:
        s.Destination = dColorTable;
        colorEntry_ = {};
        break;
      case TWord::SkipGroup: Skip(); break;
      case TWord::FontCharset:
        if (s.Destination == dFontTable && entryOpen_) entry_.Charset = std::clamp(p, 0, 255);
        break;
      case TWord::Red:
      case TWord::Green:
      case TWord::Blue:
        if (s.Destination == dColorTable) {
          const int shift = it->second.Word == TWord::Red ? 0 : it->second.Word == TWord::Green ? 8 : 16;
          colorEntry_ = (colorEntry_.value_or(0) & ~(TColor(0xFF) << shift)) |
                        (TColor(std::clamp(p, 0, 255)) << shift);
        }
        break;
      case TWord::Plain:
        s.Font = -1;
        s.HalfPoints = 24;
        s.Color = -1;
        s.Style = 0;
        break;
      case TWord::Font:
        if (s.Destination == dFontTable) {
          EndFontEntry();
          entryOpen_ = true;
          entryNumber_ = p;
          entry_ = {};
        } else {
          s.Font = p;
        }
        break;
      case TWord::FontSize:
        s.HalfPoints = word.HasParameter ? std::clamp(p, TRichFormat::kMinHalfPoints,
                                                      TRichFormat::kMaxHalfPoints)
                                         : 24;
        break;
      case TWord::Color: s.Color = std::max(p, 0); break;
      case TWord::Bold: style(fsBold); break;
      case TWord::Italic: style(fsItalic); break;
      case TWord::Underline: style(fsUnderline); break;
      case TWord::UnderlineNone: s.Style &= ~FontStyleBit(fsUnderline); break;
      case TWord::StrikeOut: style(fsStrikeOut); break;
      case TWord::ParagraphDefault:
        s.Alignment = paLeft;
        s.InTable = false;
        break;
      case TWord::AlignLeft: s.Alignment = paLeft; break;
      case TWord::AlignCenter: s.Alignment = paCenter; break;
      case TWord::AlignRight: s.Alignment = paRight; break;
      case TWord::AlignJustify: s.Alignment = paJustify; break;
      case TWord::InTable: s.InTable = true; break;
      case TWord::Tab: Emit(U'\t'); break;
      case TWord::Line: Emit(U'\n'); break;
      case TWord::Paragraph: Paragraph(); break;
      case TWord::Section:
        if (s.Destination != dText) break;
        RealizeCellEnd();
        EndParagraph(s.Alignment);
        break;
      case TWord::Cell:
        if (s.Destination != dText) break;
        pendingCellEnd_ = false;  // the cell's own paragraph end: the tab stands for it
        Emit(U'\t');
        break;
      case TWord::Row:
        if (s.Destination != dText) break;
        EndSurrogate();
        pendingCellEnd_ = false;
        EndParagraph(s.Alignment);
        break;
      case TWord::Character: Emit(it->second.Character); break;
    }
  }

  void Skip() {
    State().Destination = dSkip;
    SkipRestOfGroup();
  }

  // \par: inside a table it may close a cell's text, which the next \cell or \row tells.
  void Paragraph() {
    const TState& s = State();
    if (s.Destination != dText) return;
    RealizeCellEnd();
    if (s.InTable) {
      EndSurrogate();
      pendingCellEnd_ = true;
      pendingAlignment_ = s.Alignment;
      return;
    }
    EndParagraph(s.Alignment);
  }

  void RealizeCellEnd() {
    if (!pendingCellEnd_) return;
    pendingCellEnd_ = false;
    EndParagraph(pendingAlignment_);
  }

  void EndParagraph(TParaAlignment alignment) {
    EndSurrogate();
    paragraph_.Alignment = alignment;
    document_.Paragraphs.push_back(std::move(paragraph_));
    paragraph_ = {};
    lastAlignment_ = paLeft;
  }

  // A byte of text; only a raw ';' ends a table entry, an escaped one is part of a name.
  void TextByte(uint8_t byte, bool escaped = false) {
    if (unicodeToSkip_ > 0) {
      --unicodeToSkip_;
      return;
    }
    switch (State().Destination) {
      case dText: bytes_ += char(byte); break;
      case dFontTable:
        if (!entryOpen_) break;
        if (byte == ';' && !escaped)
          EndFontEntry();
        else
          entryBytes_ += char(byte);
        break;
      case dColorTable:
        if (byte == ';' && !escaped) {
          colors_.push_back(colorEntry_);
          colorEntry_ = {};
        }
        break;
      case dSkip: break;
    }
  }

  int CodePage(int charset) const { return CodePageOfCharset(charset, ansiCodePage_); }

  const TFontEntry* CurrentFont() {
    auto it = fonts_.find(State().Font);
    if (State().Font < 0 || it == fonts_.end()) it = fonts_.find(defaultFont_);
    return it == fonts_.end() ? nullptr : &it->second;
  }

  TRichFormat Format() {
    TRichFormat f;
    const TState& s = State();
    if (const TFontEntry* font = CurrentFont()) {
      f.FaceName = font->Name;
      f.Charset = uint8_t(font->Charset >= 0 ? font->Charset : DEFAULT_CHARSET);
    } else {
      f.Charset = ansiCodePage_ == rtf::kCodePageGbk ? GB2312_CHARSET : DEFAULT_CHARSET;
    }
    f.HalfPoints = s.HalfPoints;
    if (s.Color >= 0 && size_t(s.Color) < colors_.size()) f.Color = colors_[size_t(s.Color)];
    f.Style = s.Style;
    return f;
  }

  // Bytes of text so far, in the code page of the font they were written in.
  void FlushBytes() {
    if (bytes_.empty()) return;
    const TFontEntry* font = CurrentFont();
    std::u32string text;
    AppendDecoded(CodePage(font ? font->Charset : -1), bytes_, text);
    bytes_.clear();
    Emit(text);
  }

  void Emit(char32_t c) { Emit(std::u32string_view(&c, 1)); }

  void Emit(std::u32string_view text) {
    if (text.empty()) return;
    EndSurrogate();
    AppendText(text);
  }

  void AppendText(std::u32string_view text) {
    const TState& s = State();
    if (s.Destination == dFontTable) {
      if (!entryOpen_) return;
      AppendDecoded(CodePage(entry_.Charset), entryBytes_, entryName_);
      entryBytes_.clear();
      entryName_.append(text);
      return;
    }
    if (s.Destination != dText) return;
    RealizeCellEnd();
    paragraph_.Append(Format(), text);
    lastAlignment_ = s.Alignment;
  }

  void Unicode(int value) {
    if (value < 0) value += 65536;
    if (value < 0 || value > 0xFFFF) value = 0xFFFD;
    const char32_t c = char32_t(value);
    if (c >= 0xD800 && c <= 0xDBFF) {
      EndSurrogate();
      highSurrogate_ = c;
      return;
    }
    if (c >= 0xDC00 && c <= 0xDFFF) {
      if (highSurrogate_ == 0) {
        Emit(U'\xFFFD');
        return;
      }
      const char32_t full = 0x10000 + ((highSurrogate_ - 0xD800) << 10) + (c - 0xDC00);
      highSurrogate_ = 0;
      AppendText(std::u32string_view(&full, 1));
      return;
    }
    if (c < 0x20 && c != '\t') return;
    Emit(c);
  }

  // A high surrogate that no low one followed is no character.
  void EndSurrogate() {
    if (highSurrogate_ == 0) return;
    highSurrogate_ = 0;
    const char32_t replacement = 0xFFFD;
    AppendText(std::u32string_view(&replacement, 1));
  }

  void EndFontEntry() {
    if (!entryOpen_) return;
    AppendDecoded(CodePage(entry_.Charset), entryBytes_, entryName_);
    std::u32string name;
    for (char32_t c : entryName_)
      if (c >= 0x20) name += c;
    entry_.Name = TrimBlanks(Utf32ToUtf8(name));
    fonts_[entryNumber_] = entry_;
    entryOpen_ = false;
    entryBytes_.clear();
    entryName_.clear();
  }

  std::string_view data_;
  size_t pos_ = 0;
  bool done_ = false;
  std::vector<TState> states_;
  int ansiCodePage_ = rtf::kCodePageGbk;
  int defaultFont_ = 0;
  int unicodeToSkip_ = 0;
  char32_t highSurrogate_ = 0;
  std::string bytes_;  // text bytes not yet decoded

  std::map<int, TFontEntry> fonts_;
  bool entryOpen_ = false;
  int entryNumber_ = 0;
  TFontEntry entry_;
  std::string entryBytes_;
  std::u32string entryName_;

  std::vector<std::optional<TColor>> colors_;
  std::optional<TColor> colorEntry_;

  TRichDocument document_;
  TRichParagraph paragraph_;
  TParaAlignment lastAlignment_ = paLeft;
  bool pendingCellEnd_ = false;
  TParaAlignment pendingAlignment_ = paLeft;
};

}  // namespace

bool IsRtf(std::string_view data) { return data.starts_with("{\\rtf"); }

std::optional<TRichDocument> ReadRtf(std::string_view data) {
  if (!IsRtf(data)) return std::nullopt;
  return TReader(data).Read();
}

}  // namespace platform
