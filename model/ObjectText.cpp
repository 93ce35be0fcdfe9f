#include "ObjectText.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "model/IDCreater.h"
#include "model/Lzss.h"
#include "model/TokenManager.h"
#include "platform/base/GbkText.h"
#include "platform/base/StopRequest.h"
#include "platform/component/Control.h"
#include "platform/component/Graphics.h"
#include "platform/component/PropertyPath.h"
#include "platform/component/Strings.h"
#include "platform/gfx/BmpImage.h"

namespace model {

using platform::TClassInfo;
using platform::TComponent;
using platform::TObject;
using platform::TPropInfo;

namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr size_t kHexBytesPerLine = 51;
// The string-list property of this exact name is the inspector's table: never a string list
// in the text, and publishing nothing, it writes nothing.
constexpr std::string_view kPropertyTable = "PropertyTable";

// ---- writing -------------------------------------------------------------------------------

void AppendQuoted(std::string& out, std::string_view text) {
  out += '\'';
  for (char c : text) {
    if (c == '\'') out += '\'';
    out += c;
  }
  out += '\'';
}

template <class T>
void AppendNumber(std::string& out, T value) {
  char buf[32];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  out.append(buf, r.ptr);
}

void AppendFloat(std::string& out, double value) {
  // Fixed notation, two decimals, "." whatever the locale; large enough for any double.
  char buf[400];
  auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 2);
  out.append(buf, r.ptr);
}

// True when the reader takes `name` as the one word a block's header needs: not empty, no
// delimiter inside, no keyword ("End" would close the block it opens). It is read with the
// header's ":" after it, as the reader meets it: a quote in the name would open a string that
// swallows the rest of the header.
bool IsHeaderWord(const std::string& name) {
  if (name.empty()) return false;
  TTokenManager lexer;
  if (!lexer.LoadFromBytes(name + ":") || lexer.Start() != 0) return false;
  return lexer.GetToken().Code == tcIdentifier && lexer.GetToken().Code == ':' &&
         lexer.GetToken().Code == tcEnd;
}

class TWriter {
 public:
  // Components whose name the reader would refuse in a header (one made by code without a
  // name) are written under a name made as the reader makes them, unique under `namingRoot`.
  TWriter(TDFMStream& buffer, const TComponentManager& registry, TComponent& namingRoot)
      : buffer_(buffer), registry_(registry), namingRoot_(namingRoot) {}

  void Block(const std::string& indent, TComponent& component) {
    const std::string& name = component.Name();
    if (IsHeaderWord(name)) {
      Line(indent, "Object ", name, ":", component.ClassName());
    } else {
      if (!names_) names_.emplace(namingRoot_);
      const std::string& cls = component.ClassName();
      Line(indent, "Object ", cls.empty() ? cls : cls.substr(1),
           std::to_string(names_->TakeNameNumber(cls)), ":", cls);
    }
    const std::string inner = indent + "  ";
    for (TComponent* child : component.OwnedComponents())
      if (registry_.IsRegistered(child->ClassInfo())) Block(inner, *child);
    path_.assign(1, &component);
    for (const TPropInfo* p : component.ClassInfo().SortedProperties())
      Property(indent, inner, *p, component);
    Line(indent, "End");
  }

  // Hands what is left to the buffer; false when it refused any write.
  bool Finish() {
    Flush();
    return !buffer_.Failed();
  }

 private:
  template <class... Parts>
  void Line(const Parts&... parts) {
    (out_.append(parts), ...);
    out_ += kCrLf;
    if (out_.size() >= 65536) Flush();
  }

  void Flush() {
    if (!out_.empty()) buffer_.Write(out_.data(), int32_t(out_.size()));
    out_.clear();
  }

  // The value of an integer, enumeration, float, string or set property; false when it
  // writes nothing.
  static bool SimpleValue(const TPropInfo& p, TObject& obj, bool keepEmpty, std::string& value) {
    value.clear();
    switch (p.Kind()) {
      case platform::tkInteger:
        AppendNumber(value, p.GetOrd(obj));
        return true;
      case platform::tkEnumeration:
        // A value without a name would leave "=" alone and spoil the next line.
        value = platform::GetEnumName(p.PropType(), p.GetOrd(obj));
        return !value.empty();
      case platform::tkFloat:
        AppendFloat(value, p.GetFloat(obj));
        return true;
      case platform::tkString: {
        std::string text = p.GetStr(obj);
        if (text.empty() && !keepEmpty) return false;
        AppendQuoted(value, text);
        return true;
      }
      case platform::tkSet: {
        const uint32_t bits = uint32_t(p.GetOrd(obj));
        const auto& names = p.PropType().ElementType()->EnumNames();
        value = "[";
        bool first = true;
        for (size_t i = 0; i < names.size() && i < 32; ++i) {
          if (!(bits & (uint32_t(1) << i))) continue;
          if (!first) value += ',';
          value += names[i];
          first = false;
        }
        value += ']';
        return true;
      }
      default:
        return false;
    }
  }

  void Property(const std::string& blockIndent, const std::string& indent, const TPropInfo& p,
                TComponent& component) {
    if (p.Kind() != platform::tkClass) {
      if (p.IsWritable() && SimpleValue(p, component, false, value_))
        Line(indent, p.Name(), "=", value_);
      return;
    }
    TObject* obj = p.GetObject(component);
    if (!obj) return;
    if (auto* list = dynamic_cast<platform::TStrings*>(obj); list && p.Name() != kPropertyTable) {
      if (list->Count() == 0) return;
      Line(indent, p.Name(), "=(");
      for (const std::string& s : *list) {
        value_.clear();
        AppendQuoted(value_, s);
        Line(indent, value_);
      }
      Line(indent, ")");
    } else if (auto* picture = dynamic_cast<platform::TPublishedPicture*>(obj)) {
      // The bitmap file of the picture's image, whatever its graphic: the reader loads
      // pictures as bitmaps, so a JPEG's own bytes would not load again.
      if (picture->Empty()) return;
      Hex(indent, p.Name(), "", platform::WriteBmp(picture->ImageBitmap()));
    } else if (auto* bitmap = dynamic_cast<platform::TPublishedBitmap*>(obj)) {
      if (bitmap->Bitmap().Empty()) return;
      Hex(indent, p.Name(), blockIndent, platform::WriteBmp(bitmap->Bitmap()));
    } else {
      SubObject(indent, p.Name() + ".", *obj);
    }
  }

  void Hex(const std::string& indent, const std::string& name, const std::string& digitIndent,
           const std::vector<uint8_t>& bytes) {
    static const char kDigits[] = "0123456789ABCDEF";
    Line(indent, name, "={");
    std::string digits;
    for (size_t at = 0; at < bytes.size(); at += kHexBytesPerLine) {
      digits.clear();
      const size_t end = std::min(bytes.size(), at + kHexBytesPerLine);
      for (size_t i = at; i < end; ++i) {
        digits += kDigits[bytes[i] >> 4];
        digits += kDigits[bytes[i] & 15];
      }
      Line(digitIndent, digits);
    }
    Line(indent, "}");
  }

  // The lines of an object held by a class property: "prefix" + property = value.
  void SubObject(const std::string& indent, const std::string& prefix, TObject& obj) {
    if (std::find(path_.begin(), path_.end(), &obj) != path_.end()) return;  // a cycle
    path_.push_back(&obj);
    for (const TPropInfo* q : obj.ClassInfo().SortedProperties()) {
      if (!q->IsWritable()) continue;
      if (q->Kind() == platform::tkClass) {
        if (TObject* inner = q->GetObject(obj))
          SubObject(indent + "  ", prefix + q->Name() + ".", *inner);
      } else if (SimpleValue(*q, obj, true, value_)) {
        Line(indent, prefix, q->Name(), "=", value_);
      }
    }
    path_.pop_back();
  }

  TDFMStream& buffer_;
  const TComponentManager& registry_;
  TComponent& namingRoot_;
  std::optional<TNamingIndex> names_;
  std::string out_;
  std::string value_;
  std::vector<const TObject*> path_;  // the objects being written, outermost first
};

bool WritePlain(TComponent& root, TDFMStream& buffer, const TComponentManager& registry) {
  TWriter writer(buffer, registry, root);
  for (TComponent* child : root.OwnedComponents())
    if (registry.IsRegistered(child->ClassInfo())) writer.Block("", *child);
  return writer.Finish();
}

// ---- reading -------------------------------------------------------------------------------

// Decimal digits only, as a non-negative number; none when anything else is there or the
// number does not fit.
std::optional<int64_t> DigitsValue(std::string_view digits) {
  if (digits.empty() || digits.size() > 18) return std::nullopt;
  int64_t n = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
  }
  return n;
}

// Whole digits "." fraction digits, converted without the locale.
std::optional<double> FloatValue(std::string_view whole, std::string_view fraction) {
  auto digitsOnly = [](std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  if (whole.empty() || !digitsOnly(whole) || !digitsOnly(fraction)) return std::nullopt;
  std::string text(whole);
  if (!fraction.empty()) (text += '.') += fraction;
  double value = 0;
  auto r = std::from_chars(text.data(), text.data() + text.size(), value);
  if (r.ec != std::errc() || r.ptr != text.data() + text.size()) return std::nullopt;
  return value;
}

class TReader {
 public:
  TReader(TComponent& namingRoot, const TComponentManager& registry, bool packed,
          TTokenManager& lexer)
      : root_(namingRoot), registry_(registry), packed_(packed), lexer_(lexer) {}

  bool Run(TComponent& parent) {
    if (!stack_.Push(&parent)) return false;
    current_ = &parent;
    for (uint32_t tokens = 0;; ++tokens) {
      // A program asked to end does not finish reading a large project first.
      if (tokens % 4096 == 0 && platform::StopOverdue()) return false;
      TToken t = lexer_.GetToken();
      switch (t.Code) {
        case tcEnd:
          // A text that ends inside a block was cut short: what it would have held is lost.
          return openBlocks_ == 0;
        case tcKwEnd:
          if (openBlocks_ > 0) {
            // A block without a Name line (made by hand or by another program) is named where
            // the writer puts that line, so the text it saves reads back the same.
            if (current_ && current_->Name().empty()) GiveName(*current_);
            --openBlocks_;
          }
          current_ = stack_.Pop();
          break;
        case tcKwObject:
          if (!Header()) return false;
          break;
        case tcIdentifier:
          if (!Assignment(std::move(t.Text))) return false;
          break;
        default:
          break;
      }
    }
  }

  // Calls Loaded() on every component created that is still below `parent`; false when one
  // threw.
  bool Settle(TComponent& parent) {
    std::unordered_set<const TComponent*> alive;
    Collect(parent, alive);
    bool ok = true;
    for (TComponent* c : created_) {
      if (!alive.count(c)) continue;
      c->SetLoading(false);
      if (platform::StopOverdue()) {
        ok = false;  // what was read is abandoned: no need to make it ready
        continue;
      }
      try {
        c->Loaded();
      } catch (...) {
        ok = false;
      }
    }
    return ok;
  }

 private:
  static void Collect(const TComponent& c, std::unordered_set<const TComponent*>& into) {
    for (const TComponent* child : c.OwnedComponents()) {
      into.insert(child);
      Collect(*child, into);
    }
  }

  TNamingIndex& Index() {
    if (!index_) index_.emplace(root_);
    return *index_;
  }

  // The class name without its first letter and the smallest number free for that class.
  void GiveName(TComponent& c) {
    const std::string& cls = c.ClassName();
    std::string name = cls.empty() ? cls : cls.substr(1);
    c.SetName(name + std::to_string(Index().NewNameNumber(cls)));
    index_->Update(c);
  }

  bool Header() {
    if (lexer_.GetToken().Code != tcIdentifier) return false;
    if (lexer_.GetToken().Code != ':') return false;
    TToken className = lexer_.GetToken();
    if (className.Code != tcIdentifier) return false;
    const TClassInfo* cls = registry_.FindClass(className.Text);
    if (!cls) return false;
    if (!current_) return true;  // more "End"s than blocks: the header is passed over
    // A block nested deeper than the stack holds is refused: created anyway, such blocks
    // would nest components without limit.
    if (!stack_.Push(current_)) return false;
    TComponent* obj = cls->CreateInstance(current_);
    if (!obj) return false;
    obj->SetLoading(true);
    created_.push_back(obj);
    ++openBlocks_;
    if (index_) index_->Add(*obj);
    if (auto* parent = dynamic_cast<platform::TWinControl*>(current_))
      if (auto* control = dynamic_cast<platform::TControl*>(obj)) control->SetParent(parent);
    current_ = obj;
    return true;
  }

  // The property at `path` of the current object and the object that has it; null when there
  // is no current object or the path does not resolve.
  const TPropInfo* Resolve(const std::string& path, TObject*& target) const {
    target = nullptr;
    return platform::PathPropInfo(current_, path, &target);
  }

  TObject* ObjectAt(const std::string& path) const {
    TObject* target;
    const TPropInfo* p = Resolve(path, target);
    return p && p->Kind() == platform::tkClass ? p->GetObject(*target) : nullptr;
  }

  bool Assignment(std::string path) {
    const int children = current_ ? current_->ComponentCount() : 0;
    const bool ok = AssignValue(path);
    if (index_ && current_) {
      // A setter or getter on the path may have renamed, re-texted or made a component.
      index_->Update(*current_);
      if (path.find('.') != std::string::npos) {
        TObject* target;
        if (Resolve(path, target))
          if (auto* c = dynamic_cast<TComponent*>(target)) index_->Update(*c);
      }
      if (current_->ComponentCount() != children) index_->Add(*current_);
    }
    return ok;
  }

  bool AssignValue(std::string& path) {
    while (lexer_.PeekToken().Code == '.') {
      lexer_.GetToken();
      TToken part = lexer_.GetToken();
      if (part.Code != tcIdentifier) return false;
      (path += '.') += part.Text;
    }
    if (lexer_.GetToken().Code != '=') return false;
    TToken value = lexer_.GetToken();
    switch (value.Code) {
      case '{':
        return HexBlock(path);
      case '(':
        StringList(path);
        return true;
      case '+':
      case '-':
        return SignedNumber(path, value.Code == '-');
      case '[':
        Set(path);
        return true;
      case tcKwTrue:
      case tcKwFalse:
        platform::PathSetOrd(current_, path, value.Code == tcKwTrue ? 1 : 0);
        return true;
      case tcIdentifier:
        return Word(path, value.Text);
      case tcString:
        String(path, value.Text);
        return true;
      default:
        return true;
    }
  }

  bool HexBlock(const std::string& path) {
    TObject* obj = ObjectAt(path);
    auto* picture = dynamic_cast<platform::TPublishedPicture*>(obj);
    auto* bitmap = dynamic_cast<platform::TPublishedBitmap*>(obj);
    // For any other property the block stays unread, and its digits then fail as a line.
    if (!picture && !bitmap) return true;
    std::vector<uint8_t> bytes = lexer_.ReadHexBlock();
    platform::TBitmap image;
    try {
      image = platform::ReadBmp(bytes.data(), bytes.size());
    } catch (const std::exception&) {
      return false;
    }
    if (picture)
      picture->SetBitmap(std::move(image));
    else
      bitmap->SetBitmap(std::move(image));
    return true;
  }

  // "(" and quoted lines up to ")": the new lines of a string list. On any other property the
  // lines are passed over. A token that is neither ends the list and is left for what follows.
  void StringList(const std::string& path) {
    TObject* target;
    const TPropInfo* p = Resolve(path, target);
    platform::TStrings* list = nullptr;
    if (p && p->Kind() == platform::tkClass && p->Name() != kPropertyTable)
      list = dynamic_cast<platform::TStrings*>(p->GetObject(*target));
    if (list) list->Clear();
    for (;;) {
      TToken t = lexer_.PeekToken();
      if (t.Code == tcString) {
        lexer_.GetToken();
        if (list) list->Add(t.Text);
        continue;
      }
      if (t.Code == ')') lexer_.GetToken();
      return;
    }
  }

  // "[" element names separated by "," up to "]". On a property that is no set the value is
  // passed over; a token that does not belong leaves the property unchanged and is left for
  // what follows.
  void Set(const std::string& path) {
    TObject* target;
    const TPropInfo* p = Resolve(path, target);
    const bool isSet = p && p->Kind() == platform::tkSet;
    uint32_t bits = 0;
    for (;;) {
      TToken t = lexer_.PeekToken();
      if (t.Code == tcIdentifier) {
        lexer_.GetToken();
        if (!isSet) continue;
        int element = platform::GetEnumValue(*p->PropType().ElementType(), t.Text);
        if (element >= 0 && element < 32) bits |= uint32_t(1) << element;
      } else if (t.Code == ',') {
        lexer_.GetToken();
      } else {
        if (t.Code == ']') {
          lexer_.GetToken();
          if (isSet) p->SetOrd(*target, bits);
        }
        return;
      }
    }
  }

  // A "." after a number brings its fraction digits; false when no identifier follows it.
  bool Fraction(std::optional<std::string>& fraction) {
    if (lexer_.PeekToken().Code != '.') return true;
    lexer_.GetToken();
    TToken t = lexer_.GetToken();
    if (t.Code != tcIdentifier) return false;
    fraction = std::move(t.Text);
    return true;
  }

  // "+" or "-", digits, and a fraction for float properties. A sign without digits passes the
  // value over and leaves what follows it (the next line's name, "End") to be read.
  bool SignedNumber(const std::string& path, bool negative) {
    TToken digits = lexer_.PeekToken();
    if (digits.Code != tcIdentifier || digits.Text[0] < '0' || digits.Text[0] > '9') return true;
    lexer_.GetToken();
    std::optional<std::string> fraction;
    if (!Fraction(fraction)) return false;
    if (fraction) {
      if (auto v = FloatValue(digits.Text, *fraction))
        platform::PathSetFloat(current_, path, negative ? -*v : *v);
    } else if (auto n = DigitsValue(digits.Text)) {
      // The property cuts the value to its storage, so a Cardinal reads from either sign form.
      platform::PathSetOrd(current_, path, negative ? -*n : *n);
    }
    return true;
  }

  // An unquoted value: a number for integer and float properties, a value name for
  // enumerations. A fraction is taken whatever the property, so that a line that does not
  // apply is passed over whole.
  bool Word(const std::string& path, const std::string& word) {
    std::optional<std::string> fraction;
    if (!Fraction(fraction)) return false;
    TObject* target;
    const TPropInfo* p = Resolve(path, target);
    if (!p) return true;
    switch (p->Kind()) {
      case platform::tkInteger:
        if (!fraction)
          if (auto n = DigitsValue(word)) p->SetOrd(*target, *n);
        break;
      case platform::tkFloat:
        if (auto v = FloatValue(word, fraction.value_or(""))) p->SetFloat(*target, *v);
        break;
      case platform::tkEnumeration:
        if (!fraction) {
          int ordinal = platform::GetEnumValue(p->PropType(), word);
          if (ordinal >= 0) p->SetOrd(*target, ordinal);
        }
        break;
      default:
        break;
    }
    return true;
  }

  void String(const std::string& path, const std::string& text) {
    if (!packed_ && platform::GbkSameText(path, "Name")) {
      // The name in the text is not used: every component read gets a fresh one.
      if (current_) {
        GiveName(*current_);
      }
    } else if (!packed_ && platform::GbkSameText(path, "Text")) {
      if (!current_ || platform::PathKind(current_, path) != platform::tkString) return;
      if (Index().IsTextUnique(current_, text)) {
        platform::PathSetStr(current_, path, text);
      } else {
        std::string prefix = text;
        while (!prefix.empty() && prefix.back() >= '0' && prefix.back() <= '9') prefix.pop_back();
        platform::PathSetStr(current_, path,
                             prefix + std::to_string(index_->NewTextNumber(prefix)));
      }
    } else {
      platform::PathSetStr(current_, path, text);
    }
  }

  TComponent& root_;
  const TComponentManager& registry_;
  const bool packed_;
  TTokenManager& lexer_;
  TObjectStack stack_;
  TComponent* current_ = nullptr;
  std::vector<TComponent*> created_;
  int openBlocks_ = 0;  // blocks opened by the text and not yet closed by an "End"
  // Names and texts are made unique through an index of the naming root, made at the first
  // need and kept in step with what the text creates and sets: a walk of the whole tree for
  // each Name and Text line would make large projects load in quadratic time.
  std::optional<TNamingIndex> index_;
};

}  // namespace

bool SaveObjectText(TComponent& root, TDFMStream& buffer, const TComponentManager& registry,
                    bool packed) {
  try {
    if (!packed) return WritePlain(root, buffer, registry);
    TDFMStream plain;
    if (!WritePlain(root, plain, registry)) return false;
    plain.SetPosition(0);
    buffer.SetPosition(0);
    return LzssEncode(plain, buffer);
  } catch (...) {
    return false;
  }
}

bool WriteObjectText(std::string_view indent, TComponent& component, TDFMStream& buffer,
                     const TComponentManager& registry) {
  try {
    TComponent* top = &component;
    while (top->Owner()) top = top->Owner();
    TWriter writer(buffer, registry, *top);
    writer.Block(std::string(indent), component);
    return writer.Finish();
  } catch (...) {
    return false;
  }
}

bool ReadObjectText(TComponent& namingRoot, TComponent& parent, TDFMStream& stream,
                    const TComponentManager& registry, bool packed) {
  try {
    TTokenManager lexer;
    if (packed) {
      stream.SetPosition(0);
      TDFMStream plain;
      if (!LzssDecode(stream, plain) || !lexer.LoadFromStream(plain)) return false;
    } else if (!lexer.LoadFromStream(stream)) {
      return false;
    }
    lexer.Start();
    TReader reader(namingRoot, registry, packed, lexer);
    bool ok;
    try {
      ok = reader.Run(parent);
    } catch (...) {
      ok = false;
    }
    return reader.Settle(parent) && ok;
  } catch (...) {
    return false;
  }
}

}  // namespace model
