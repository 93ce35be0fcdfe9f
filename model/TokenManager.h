#pragma once
// The lexer of object text (TTokenManager) and the parent stack of its reader (TObjectStack).
//
// A token is a code and a text:
//   1001..1035  keyword, compared without case ("END" 1004, "OBJECT" 1027, "FALSE" 1033,
//               "TRUE" 1034); the text as written
//   symbol      one of . ; > < , + - / * ( ) { } = : ' " [ ] $, coded by its character
//   1100        identifier: any other word (numbers included), or one of # % & @ ^ | ~
//   3006        string literal, without its quotes and with '' made one '
//   1099        end of the text (its end, or a zero byte)
//   0           no token: the lexer was not started
// Bytes 0-32 and the symbol characters above (with # % & @ ^ | ~) delimit words; every other
// byte forms words, so GBK text forms identifiers: a GBK lead byte always takes its trail byte
// with it, even when that byte is an ASCII delimiter ("皘" is B0 7C). "//" starts a comment
// that runs to the end of the line. Words keep at most 31 bytes.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "model/DFMStream.h"
#include "platform/component/Component.h"

namespace model {

enum TTokenCode : int32_t {
  tcNone = 0,
  tcKeywordFirst = 1001,  // "PROCEDURE"; the others follow in the order of Keywords()
  tcKwEnd = 1004,
  tcKwObject = 1027,
  tcKwFalse = 1033,
  tcKwTrue = 1034,
  tcKeywordLast = 1035,   // "IMPLEMENTATION"
  tcEnd = 1099,
  tcIdentifier = 1100,
  tcString = 3006,
};

struct TToken {
  int32_t Code = tcNone;
  std::string Text;
  bool operator==(const TToken&) const = default;
};

// The 35 keywords in code order, upper case.
const std::vector<std::string_view>& Keywords();

// Row and column (1-based) of the fault, and its number: 2 a word longer than 31 bytes (once
// per byte dropped), 3 a token asked for before Start().
using TOnError = std::function<void(int32_t Row, int32_t Col, int32_t EM_Num)>;

class TTokenManager : public platform::TComponent {
  DECLARE_CLASS_INFO()

  static constexpr int kMaxWord = 31;
  static constexpr int32_t emWordTooLong = 2;
  static constexpr int32_t emNotStarted = 3;

  explicit TTokenManager(platform::TComponent* owner = nullptr);

  // Copies the whole buffer from its start (its position is left alone), clears Name, sets
  // Row and Col to 1 and makes the lexer loaded. False when the copy cannot be made.
  bool LoadFromStream(const TDFMStream& stream);
  // The same from bytes.
  bool LoadFromBytes(std::string_view bytes);
  // Rewinds to the first byte and starts the lexer: 0, or 1 when nothing is loaded.
  int Start();

  // The next token. LastRow and LastCol take the position before it is scanned.
  TToken GetToken();
  // The next token, leaving the position, Row, Col, LastRow and LastCol as they were (a word
  // too long is reported when it is taken, not when it is peeked at).
  TToken PeekToken();
  // The raw bytes after a "{" token up to and including the next "}" (or the end of the text):
  // hexadecimal digits of either case pair up into bytes, first digit high; every other byte
  // is skipped, and an odd last digit is dropped.
  std::vector<uint8_t> ReadHexBlock();

  int32_t Row() const { return row_; }
  int32_t Col() const { return col_; }
  int32_t LastRow() const { return lastRow_; }
  int32_t LastCol() const { return lastCol_; }

  TOnError OnError;

 private:
  enum TState { stEmpty, stLoaded, stStarted };
  uint8_t Next();
  void Back();
  TToken Scan(bool report);
  void Error(int32_t num) const;

  std::string source_;
  size_t pos_ = 0;
  int32_t row_ = 1, col_ = 1, lastRow_ = 1, lastCol_ = 1;
  // Where Next() was before its last byte, so that one byte can be given back.
  size_t prevPos_ = 0;
  int32_t prevRow_ = 1, prevCol_ = 1;
  TState state_ = stEmpty;
};

// The reader's stack of parents: 512 slots.
class TObjectStack {
 public:
  static constexpr int kCapacity = 512;

  // Ignores null (true) and refuses a push onto a full stack (false).
  bool Push(platform::TComponent* component);
  // The top, removed; null when empty.
  platform::TComponent* Pop();
  int Count() const { return count_; }

 private:
  platform::TComponent* slots_[kCapacity] = {};
  int count_ = 0;
};

}  // namespace model
