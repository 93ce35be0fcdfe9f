#include "TokenManager.h"

#include <new>

#include "platform/base/GbkText.h"
#include "platform/component/ClassBuilder.h"

namespace model {

using platform::TClassBuilder;
using platform::TClassInfo;

namespace {

const platform::TTypeInfo& TypeOnError() {
  static const platform::TTypeInfo t = platform::TTypeInfo::Method("TOnError");
  return t;
}

// The 20 symbols that are tokens of their own code.
bool IsSymbol(uint8_t c) {
  switch (c) {
    case '.': case ';': case '>': case '<': case ',': case '+': case '-': case '/': case '*':
    case '(': case ')': case '{': case '}': case '=': case ':': case '\'': case '"': case '[':
    case ']': case '$':
      return true;
    default:
      return false;
  }
}

// Bytes that end a word: 0-32, the symbols and # % & @ ^ | ~.
bool IsDelimiter(uint8_t c) {
  switch (c) {
    case '#': case '%': case '&': case '@': case '^': case '|': case '~':
      return true;
    default:
      return c <= 32 || IsSymbol(c);
  }
}

bool IsGbkTrailByte(uint8_t c) { return c >= 0x40 && c <= 0xFE && c != 0x7F; }

int HexValue(uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

int32_t KeywordCode(const std::string& word) {
  if (word.size() < 2 || word.size() > 14) return 0;
  const std::string upper = platform::GbkUpperCase(word);
  const auto& keywords = Keywords();
  for (size_t i = 0; i < keywords.size(); ++i)
    if (keywords[i] == upper) return tcKeywordFirst + int32_t(i);
  return 0;
}

}  // namespace

const std::vector<std::string_view>& Keywords() {
  static const std::vector<std::string_view> list = {
      "PROCEDURE", "FUNCTION", "BEGIN", "END",   "WHILE", "DO",     "FOR",      "TO",
      "DOWNTO",    "IF",       "ELSE",  "THEN",  "REPEAT", "UNTIL", "EXIT",     "BREAK",
      "CONTINUE",  "DIV",      "MOD",   "SHR",   "SHL",   "CONST",  "VAR",      "TYPE",
      "ARRAY",     "OF",       "OBJECT", "RECORD", "OR",  "AND",    "XOR",      "NOT",
      "FALSE",     "TRUE",     "IMPLEMENTATION"};
  return list;
}

// ---- TTokenManager -------------------------------------------------------------------------

const TClassInfo& TTokenManager::StaticClassInfo() {
  static const TClassInfo info =
      TClassBuilder<TTokenManager, platform::TComponent>("TTokenManager")
          .Property("Col", &TTokenManager::Col, nullptr)
          .Property("LastCol", &TTokenManager::LastCol, nullptr)
          .Property("LastRow", &TTokenManager::LastRow, nullptr)
          .Property("Name", [](TTokenManager& t) { return t.Name(); }, nullptr)
          .Property("Row", &TTokenManager::Row, nullptr)
          .Event("OnError", TypeOnError())
          .Build();
  return info;
}

TTokenManager::TTokenManager(platform::TComponent* owner) : TComponent(owner) {}

bool TTokenManager::LoadFromStream(const TDFMStream& stream) {
  return LoadFromBytes(std::string_view(reinterpret_cast<const char*>(stream.Memory()),
                                        size_t(std::max(stream.Size(), 0))));
}

bool TTokenManager::LoadFromBytes(std::string_view bytes) {
  try {
    source_.assign(bytes);
  } catch (const std::bad_alloc&) {
    return false;
  }
  SetName("");
  pos_ = prevPos_ = 0;
  row_ = col_ = lastRow_ = lastCol_ = prevRow_ = prevCol_ = 1;
  state_ = stLoaded;
  return true;
}

int TTokenManager::Start() {
  if (state_ == stEmpty) return 1;
  pos_ = prevPos_ = 0;
  row_ = col_ = lastRow_ = lastCol_ = prevRow_ = prevCol_ = 1;
  state_ = stStarted;
  return 0;
}

void TTokenManager::Error(int32_t num) const {
  if (OnError) OnError(row_, col_, num);
}

// The next byte; the end of the text, and a zero byte, read as 0 and are never passed.
uint8_t TTokenManager::Next() {
  prevPos_ = pos_;
  prevRow_ = row_;
  prevCol_ = col_;
  if (pos_ >= source_.size() || source_[pos_] == 0) return 0;
  uint8_t c = uint8_t(source_[pos_++]);
  if (c == '\n') {
    ++row_;
    col_ = 1;
  } else {
    ++col_;
  }
  return c;
}

// Gives back the byte the last Next() took.
void TTokenManager::Back() {
  pos_ = prevPos_;
  row_ = prevRow_;
  col_ = prevCol_;
}

TToken TTokenManager::GetToken() {
  if (state_ != stStarted) {
    Error(emNotStarted);
    return {};
  }
  lastRow_ = row_;
  lastCol_ = col_;
  return Scan(true);
}

TToken TTokenManager::PeekToken() {
  if (state_ != stStarted) {
    Error(emNotStarted);
    return {};
  }
  const size_t pos = pos_, prevPos = prevPos_;
  const int32_t row = row_, col = col_, prevRow = prevRow_, prevCol = prevCol_;
  TToken t = Scan(false);
  pos_ = pos;
  prevPos_ = prevPos;
  row_ = row;
  col_ = col;
  prevRow_ = prevRow;
  prevCol_ = prevCol;
  return t;
}

TToken TTokenManager::Scan(bool report) {
  for (;;) {
    uint8_t c = Next();
    if (c == 0) return {tcEnd, {}};
    if (c <= 32) continue;
    if (c == '/') {
      if (Next() == '/') {
        for (uint8_t d = Next(); d != 0 && d != '\r' && d != '\n'; d = Next()) {
        }
        continue;
      }
      Back();
      return {'/', "/"};
    }
    if (c == '\'') {
      std::string text;
      for (;;) {
        uint8_t d = Next();
        if (d == 0) return {tcEnd, {}};
        if (d == '\'') {
          if (Next() == '\'') {
            text += '\'';
            continue;
          }
          Back();
          return {tcString, std::move(text)};
        }
        text += char(d);
      }
    }
    if (IsDelimiter(c)) return {IsSymbol(c) ? int32_t(c) : tcIdentifier, std::string(1, char(c))};

    // A word. Bytes past the 31st are reported and dropped; a GBK character is kept or dropped
    // whole.
    std::string word;
    bool full = false;
    auto add = [&](const char* unit, size_t n) {
      full = full || word.size() + n > size_t(kMaxWord);
      if (!full) {
        word.append(unit, n);
      } else if (report) {
        for (size_t i = 0; i < n; ++i) Error(emWordTooLong);
      }
    };
    for (;;) {
      char unit[2] = {char(c), 0};
      size_t n = 1;
      if (platform::IsGbkLeadByte(c)) {
        uint8_t d = Next();
        if (IsGbkTrailByte(d)) {
          unit[1] = char(d);
          n = 2;
        } else {
          Back();
        }
      }
      add(unit, n);
      c = Next();
      if (c <= 32) break;  // a blank ends the word and is used up; the end stays
      if (IsDelimiter(c)) {
        Back();
        break;
      }
    }
    const int32_t keyword = KeywordCode(word);
    return {keyword ? keyword : tcIdentifier, std::move(word)};
  }
}

std::vector<uint8_t> TTokenManager::ReadHexBlock() {
  std::vector<uint8_t> bytes;
  if (state_ != stStarted) return bytes;
  int high = -1;
  for (uint8_t c = Next(); c != 0 && c != '}'; c = Next()) {
    const int v = HexValue(c);
    if (v < 0) continue;
    if (high < 0) {
      high = v;
    } else {
      bytes.push_back(uint8_t(high << 4 | v));
      high = -1;
    }
  }
  return bytes;
}

// ---- TObjectStack --------------------------------------------------------------------------

bool TObjectStack::Push(platform::TComponent* component) {
  if (!component) return true;
  if (count_ >= kCapacity) return false;
  slots_[count_++] = component;
  return true;
}

platform::TComponent* TObjectStack::Pop() { return count_ > 0 ? slots_[--count_] : nullptr; }

}  // namespace model
