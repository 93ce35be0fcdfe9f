// The object-text lexer and the reader's parent stack.
#include "model/TokenManager.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "platform/base/GbkText.h"
#include "platform/component/PropertyPath.h"

using namespace model;

namespace {

std::vector<TToken> Tokens(std::string_view text) {
  TTokenManager lexer;
  EXPECT_TRUE(lexer.LoadFromBytes(text));
  EXPECT_EQ(lexer.Start(), 0);
  std::vector<TToken> tokens;
  for (int i = 0; i < 100; ++i) {
    tokens.push_back(lexer.GetToken());
    if (tokens.back().Code == tcEnd) break;
  }
  return tokens;
}

std::string Show(const std::vector<TToken>& tokens) {
  std::string s;
  for (const auto& t : tokens) s += "(" + std::to_string(t.Code) + " " + t.Text + ")";
  return s;
}

TToken Id(std::string text) { return {tcIdentifier, std::move(text)}; }
TToken Sym(char c) { return {int32_t(uint8_t(c)), std::string(1, c)}; }
TToken Str(std::string text) { return {tcString, std::move(text)}; }
const TToken kEnd{tcEnd, ""};

}  // namespace

TEST(TokenManager, ScansTokens) {
  const std::string gbkWord = "\xB0\x7C\xB0\x7D\xB0\x5C";  // 皘皚癨: trail bytes | } backslash
  struct Case {
    std::string Input;
    std::vector<TToken> Expected;
  } cases[] = {
      {"Object Leaf0:TLeaf\r\n  End",
       {{tcKwObject, "Object"}, Id("Leaf0"), Sym(':'), Id("TLeaf"), {tcKwEnd, "End"}, kEnd}},
      {"Name='it''s'", {Id("Name"), Sym('='), Str("it's"), kEnd}},
      {"x=''''", {Id("x"), Sym('='), Str("'"), kEnd}},
      {"x''y", {Id("x"), Str(""), Id("y"), kEnd}},
      {"'line\r\nbreak'", {Str("line\r\nbreak"), kEnd}},
      {"'never closed", {kEnd}},
      {"word/ a/b", {Id("word"), Sym('/'), Id("a"), Sym('/'), Id("b"), kEnd}},
      {"// only a comment\r\nX=1\r\n", {Id("X"), Sym('='), Id("1"), kEnd}},
      {"X=1 // a comment at the very end", {Id("X"), Sym('='), Id("1"), kEnd}},
      {"X=1//\nY", {Id("X"), Sym('='), Id("1"), Id("Y"), kEnd}},
      {"Styles=[fsBold, fsItalic]",
       {Id("Styles"), Sym('='), Sym('['), Id("fsBold"), Sym(','), Id("fsItalic"), Sym(']'), kEnd}},
      {"Ratio=-1.50", {Id("Ratio"), Sym('='), Sym('-'), Id("1"), Sym('.'), Id("50"), kEnd}},
      {"Font.Name", {Id("Font"), Sym('.'), Id("Name"), kEnd}},
      {";><,+*(){}:\"$", {Sym(';'), Sym('>'), Sym('<'), Sym(','), Sym('+'), Sym('*'), Sym('('),
                          Sym(')'), Sym('{'), Sym('}'), Sym(':'), Sym('"'), Sym('$'), kEnd}},
      {"#%&@^|~", {Id("#"), Id("%"), Id("&"), Id("@"), Id("^"), Id("|"), Id("~"), kEnd}},
      {"a_b!c?d`e\\f", {Id("a_b!c?d`e\\f"), kEnd}},
      {"end END eNd True false Implementation procedure OBJECTS",
       {{1004, "end"}, {1004, "END"}, {1004, "eNd"}, {1034, "True"}, {1033, "false"},
        {1035, "Implementation"}, {1001, "procedure"}, Id("OBJECTS"), kEnd}},
      {"to do of div", {{1008, "to"}, {1006, "do"}, {1026, "of"}, {1018, "div"}, kEnd}},
      // A zero byte ends the text for good; so do trailing zeros after the last "End".
      {std::string("End\0\0Object", 11), {{tcKwEnd, "End"}, kEnd}},
      {"", {kEnd}},
      {" \t\r\n\x01\x1F ", {kEnd}},
      // GBK words hold together even where a trail byte is an ASCII delimiter.
      {gbkWord + "=" + gbkWord + ":", {Id(gbkWord), Sym('='), Id(gbkWord), Sym(':'), kEnd}},
      {"'" + gbkWord + "'", {Str(gbkWord), kEnd}},
      {"x\xB0", {Id("x\xB0"), kEnd}},  // a lead byte at the end stands alone
  };
  for (const auto& c : cases) EXPECT_EQ(Show(Tokens(c.Input)), Show(c.Expected)) << c.Input;
}

TEST(TokenManager, TracksRowsAndColumns) {
  TTokenManager lexer;
  lexer.LoadFromBytes("A\r\n  Bc='x'\n\n/");
  lexer.Start();
  struct Step {
    TToken Token;
    int32_t LastRow, LastCol, Row, Col;
  } steps[] = {
      {Id("A"), 1, 1, 1, 3},     // the blank that ends a word is used up
      {Id("Bc"), 1, 3, 2, 5},    // the "=" that ends it is given back
      {Sym('='), 2, 5, 2, 6},
      {Str("x"), 2, 6, 2, 9},    // the byte after the closing quote is given back
      {Sym('/'), 2, 9, 4, 2},
      {kEnd, 4, 2, 4, 2},
  };
  for (const auto& s : steps) {
    EXPECT_EQ(lexer.GetToken(), s.Token);
    EXPECT_EQ(lexer.LastRow(), s.LastRow) << s.Token.Text;
    EXPECT_EQ(lexer.LastCol(), s.LastCol) << s.Token.Text;
    EXPECT_EQ(lexer.Row(), s.Row) << s.Token.Text;
    EXPECT_EQ(lexer.Col(), s.Col) << s.Token.Text;
  }
}

TEST(TokenManager, ReportsLongWordsAndUseBeforeStart) {
  TTokenManager lexer;
  std::vector<std::array<int32_t, 3>> errors;
  lexer.OnError = [&](int32_t row, int32_t col, int32_t num) { errors.push_back({row, col, num}); };

  EXPECT_EQ(lexer.GetToken(), TToken{});
  EXPECT_EQ(lexer.PeekToken(), TToken{});
  EXPECT_EQ(lexer.Start(), 1);  // nothing loaded
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_EQ(errors[0][2], TTokenManager::emNotStarted);

  errors.clear();
  const std::string word33(33, 'w');
  lexer.LoadFromBytes(" " + word33 + " x");
  EXPECT_EQ(lexer.GetToken(), TToken{});  // loaded, not started
  EXPECT_EQ(errors.at(0)[2], TTokenManager::emNotStarted);
  errors.clear();
  lexer.Start();
  EXPECT_EQ(lexer.PeekToken(), Id(std::string(31, 'w')));
  EXPECT_TRUE(errors.empty());  // reported when taken, not when peeked at
  EXPECT_EQ(lexer.GetToken(), Id(std::string(31, 'w')));
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_EQ(errors[0], (std::array<int32_t, 3>{1, 34, 2}));
  EXPECT_EQ(errors[1], (std::array<int32_t, 3>{1, 35, 2}));
  EXPECT_EQ(lexer.GetToken(), Id("x"));

  // A GBK character that no longer fits is dropped whole.
  errors.clear();
  lexer.LoadFromBytes(std::string(30, 'a') + "\xB0\xA1" + "b");
  lexer.Start();
  EXPECT_EQ(lexer.GetToken(), Id(std::string(30, 'a')));
  EXPECT_EQ(errors.size(), 3u);
}

TEST(TokenManager, PeekRestoresEverything) {
  TTokenManager lexer;
  lexer.LoadFromBytes("First\r\n  Second.Third = 'x'");
  lexer.Start();
  lexer.GetToken();
  const auto state = [&] {
    return std::array<int32_t, 4>{lexer.Row(), lexer.Col(), lexer.LastRow(), lexer.LastCol()};
  };
  while (true) {
    auto before = state();
    TToken peeked = lexer.PeekToken();
    EXPECT_EQ(state(), before);
    EXPECT_EQ(lexer.PeekToken(), peeked);
    EXPECT_EQ(lexer.GetToken(), peeked);
    if (peeked.Code == tcEnd) break;
  }
}

TEST(TokenManager, LoadsAWholeBufferAndRestarts) {
  TDFMStream s;
  s.Write("X=1", 3);  // the position stays at the end; the lexer copies from the start
  TTokenManager lexer;
  lexer.SetName("Lexer1");
  ASSERT_TRUE(lexer.LoadFromStream(s));
  EXPECT_EQ(lexer.Name(), "");
  EXPECT_EQ(s.Position(), 3);
  lexer.Start();
  EXPECT_EQ(Show({lexer.GetToken(), lexer.GetToken(), lexer.GetToken(), lexer.GetToken()}),
            Show({Id("X"), Sym('='), Id("1"), kEnd}));
  EXPECT_EQ(lexer.GetToken(), kEnd);  // the end stays the end
  lexer.Start();
  EXPECT_EQ(lexer.GetToken(), Id("X"));
  EXPECT_EQ(lexer.Col(), 2);

  // The published properties are read-only.
  for (const char* name : {"Row", "Col", "LastRow", "LastCol", "Name"}) {
    const auto* p = lexer.ClassInfo().FindProperty(name);
    ASSERT_NE(p, nullptr) << name;
    EXPECT_FALSE(p->IsWritable()) << name;
  }
  EXPECT_EQ(platform::PathGetOrd(&lexer, "Col"), 2);
  EXPECT_EQ(lexer.ClassInfo().FindProperty("OnError")->Kind(), platform::tkMethod);
}

TEST(TokenManager, ReadsHexBlocks) {
  struct Case {
    std::string Input;
    std::vector<uint8_t> Bytes;
    TToken After;
  } cases[] = {
      {"{\r\n4142 zz 4\r\n3a}X", {0x41, 0x42, 0x43}, Id("X")},  // "a" is the odd digit left
      {"{\r\n  0aFf\r\n  }", {0x0A, 0xFF}, kEnd},
      {"{414", {0x41}, kEnd},  // the end of the text ends the block
      {"{}", {}, kEnd},
  };
  for (const auto& c : cases) {
    TTokenManager lexer;
    lexer.LoadFromBytes(c.Input);
    lexer.Start();
    EXPECT_EQ(lexer.GetToken(), Sym('{'));
    EXPECT_EQ(lexer.ReadHexBlock(), c.Bytes) << c.Input;
    EXPECT_EQ(lexer.GetToken(), c.After) << c.Input;
  }
}

TEST(ObjectStack, HoldsFiveHundredAndTwelve) {
  TObjectStack stack;
  platform::TComponent a(nullptr), b(nullptr);
  EXPECT_EQ(stack.Pop(), nullptr);
  EXPECT_TRUE(stack.Push(nullptr));
  EXPECT_EQ(stack.Count(), 0);
  for (int i = 0; i < TObjectStack::kCapacity - 1; ++i) ASSERT_TRUE(stack.Push(&a));
  EXPECT_TRUE(stack.Push(&b));
  EXPECT_FALSE(stack.Push(&a));
  EXPECT_EQ(stack.Count(), 512);
  EXPECT_EQ(stack.Pop(), &b);
  EXPECT_EQ(stack.Pop(), &a);
}
