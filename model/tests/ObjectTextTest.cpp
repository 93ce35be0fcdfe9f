// Object text: the writer line by line, round trips, and the reader's edge cases and failures.
#include "model/ObjectText.h"

#include <gtest/gtest.h>

#include "model/IDCreater.h"

#include <clocale>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <locale>
#include <memory>
#include <string>
#include <vector>

#include "StandIns.h"
#include "TextFixtures.h"
#include "model/Lzss.h"
#include "platform/base/GbkText.h"
#include "platform/component/PropertyPath.h"
#include "platform/gfx/BmpImage.h"
#include "platform/gfx/JpegImage.h"

// The drawing layer's PPM reader, pointed at its own fixtures.
#pragma push_macro("CORVANE_FIXTURES")
#undef CORVANE_FIXTURES
#define CORVANE_FIXTURES GFX_FIXTURES
#include "platform/gfx/tests/PnmFile.h"
#pragma pop_macro("CORVANE_FIXTURES")

using namespace model;
using namespace model::test;
using platform::pf24bit;
using platform::TBitmap;
using platform::TComponent;
using platform::Utf8ToGbk;

namespace {

// Every name and text the reader makes is also worked out by walking the tree; a difference
// aborts the test program.
const bool kNamingChecked = (model::TNamingIndex::SetCrossCheck(true), true);

std::string Contents(const TDFMStream& s) {
  return std::string(reinterpret_cast<const char*>(s.Memory()), size_t(s.Size()));
}

void Fill(TDFMStream& s, std::string_view text) {
  s.Write(text.data(), int32_t(text.size()));
  s.SetPosition(0);
}

std::string Save(TComponent& root, bool packed = false) {
  TDFMStream s;
  EXPECT_TRUE(SaveObjectText(root, s, FixtureRegistry(), packed));
  return Contents(s);
}

std::string Write(TComponent& c, std::string_view indent = "") {
  TDFMStream s;
  EXPECT_TRUE(WriteObjectText(indent, c, s, FixtureRegistry()));
  return Contents(s);
}

bool Read(TComponent& root, std::string_view text, bool packed = false,
          TComponent* parent = nullptr) {
  TDFMStream s;
  Fill(s, text);
  return ReadObjectText(root, parent ? *parent : root, s, FixtureRegistry(), packed);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in) << path;
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The hex lines of a picture or bitmap block: 102 digits a line, each after `indent`.
std::string HexLines(const std::vector<uint8_t>& bytes, const std::string& indent) {
  std::string out;
  char buf[3];
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i % 51 == 0) out += indent;
    std::snprintf(buf, sizeof buf, "%02X", bytes[i]);
    out += buf;
    if (i % 51 == 50 || i + 1 == bytes.size()) out += "\r\n";
  }
  return out;
}

TBitmap Sample(int width, int height, platform::TPixelFormat pf) {
  TBitmap b(width, height, pf24bit);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      b.SetPixel(x, y, platform::RGB(uint8_t(x * 37 + y), uint8_t(y * 51), uint8_t((x ^ y) * 29)));
  b.SetPixelFormat(pf);
  return b;
}

std::unique_ptr<platform::TJPEGImage> Jpeg(const TBitmap& b) {
  auto j = std::make_unique<platform::TJPEGImage>();
  std::vector<uint8_t> file = platform::WriteJpeg(b, 80);
  j->LoadFromStream(file.data(), file.size());
  return j;
}

// Lines of text with CR LF, from a list.
std::string Lines(std::initializer_list<std::string_view> lines) {
  std::string s;
  for (auto l : lines) (s += l) += "\r\n";
  return s;
}

// Every published property of two objects, and of their owned components, alike; empty when
// they are.
std::string Difference(platform::TObject& a, platform::TObject& b, const std::string& where,
                       int depth = 0) {
  using namespace platform;
  if (a.ClassName() != b.ClassName()) return where + ": class " + b.ClassName();
  if (depth > 8) return {};
  for (const TPropInfo* p : a.ClassInfo().SortedProperties()) {
    const std::string at = where + "." + p->Name();
    switch (p->Kind()) {
      case tkInteger:
      case tkEnumeration:
      case tkSet:
        if (p->GetOrd(a) != p->GetOrd(b)) return at + ": " + std::to_string(p->GetOrd(b));
        break;
      case tkFloat:
        if (p->GetFloat(a) != p->GetFloat(b)) return at + ": " + std::to_string(p->GetFloat(b));
        break;
      case tkString:
        if (p->GetStr(a) != p->GetStr(b)) return at + ": '" + p->GetStr(b) + "'";
        break;
      case tkClass: {
        TObject *x = p->GetObject(a), *y = p->GetObject(b);
        if (!x || !y) {
          if (x != y) return at + ": null on one side";
        } else if (auto* s = dynamic_cast<TStrings*>(x)) {
          if (s->Text() != dynamic_cast<TStrings&>(*y).Text()) return at + ": lines";
        } else if (auto* pic = dynamic_cast<TPublishedPicture*>(x)) {
          if (WriteBmp(pic->ImageBitmap()) !=
              WriteBmp(dynamic_cast<TPublishedPicture&>(*y).ImageBitmap()))
            return at + ": picture";
        } else if (auto* bmp = dynamic_cast<TPublishedBitmap*>(x)) {
          if (WriteBmp(bmp->Bitmap()) != WriteBmp(dynamic_cast<TPublishedBitmap&>(*y).Bitmap()))
            return at + ": bitmap";
        } else if (std::string d = Difference(*x, *y, at, depth + 1); !d.empty()) {
          return d;
        }
        break;
      }
      default:
        break;
    }
  }
  auto* ca = dynamic_cast<TComponent*>(&a);
  auto* cb = dynamic_cast<TComponent*>(&b);
  if (ca && cb) {
    if (ca->ComponentCount() != cb->ComponentCount()) return where + ": component count";
    for (int i = 0; i < ca->ComponentCount(); ++i)
      if (std::string d = Difference(*ca->Components(i), *cb->Components(i),
                                     where + "/" + ca->Components(i)->Name(), depth);
          !d.empty())
        return d;
  }
  return {};
}

// The tree of the format's example: a screen with one page holding one multi-line text.
void BuildExample(TComponent& root) {
  auto* screen = new TExampleScreen(&root);
  screen->SetName("LEDScreen0");
  auto* leaf = new TExampleLeaf(screen);
  leaf->SetName("Leaf0");
  auto* ms = new TExampleMultiString(leaf);
  ms->SetName("MultiString0");
  ms->Lines()->Add("first line");
}

// A tree with every kind of property set, named as the reader names components (a block's
// children are read, and named, before the block's own lines).
void BuildRichTree(TComponent& root) {
  auto* outer = new TKinds(&root);
  auto* inner = new TKinds(outer);  // read first, so it becomes Kinds0
  inner->SetName("Kinds0");
  outer->SetName("Kinds1");
  inner->SetParent(outer);
  auto* second = new TKinds(&root);
  second->SetName("Kinds2");

  outer->Color = -16777201;
  outer->Limit = 4000000000u;
  outer->Flag = true;
  outer->Method = dmFlash;
  outer->Ratio = -12.25;
  outer->Text = Utf8ToGbk("显示页面0");
  outer->Hint = Utf8ToGbk("it's 'quoted'\r\n第二行 癨皘皚");
  outer->Styles = platform::FontStyleBit(platform::fsBold) | platform::FontStyleBit(platform::fsItalic);
  outer->Wide = 0xFFFFFFFFu;
  outer->Lines.Add("one");
  outer->Lines.Add("it's two");
  outer->Picture.SetBitmap(Sample(9, 5, pf24bit));
  outer->Glyph.SetBitmap(Sample(13, 3, platform::pf1bit));
  outer->Font.SetName(Utf8ToGbk("宋体"));
  outer->Font.SetSize(12);
  outer->Font.SetColor(0x0000FF);
  outer->Font.SetStyle(platform::FontStyleBit(platform::fsUnderline));
  outer->Sub.Level = -3;
  outer->Sub.Label = "";
  outer->Sub.Inner.X = 5;
  outer->Sub.Inner.Y = 2.5;
  outer->Sub.Inner.Note = "n'";
  outer->Loop().Value = 1;
  outer->Loop().Next->Value = 2;
  outer->SetBounds(1, 2, 30, 40);

  inner->Glyph.SetBitmap(Sample(7, 6, platform::pf8bit));
  inner->Text = "inner";
  inner->Ratio = 0.01;

  second->Picture.Picture().SetGraphic(Jpeg(Sample(16, 8, pf24bit)));
  second->Glyph.SetBitmap(Sample(5, 5, pf24bit));
  second->Text = "second";
  second->Styles = 0;

  BuildExample(root);
}

}  // namespace

TEST(ObjectTextWriter, ReproducesTheFormatsExample) {
  TComponent root(nullptr);
  BuildExample(root);

  const std::string example = Lines({
      "Object LEDScreen0:TLEDScreen",
      "  Object Leaf0:TLeaf",
      "    Object MultiString0:TMultiString",
      "      Lines=(",
      "      'first line'",
      "      )",
      "      Method=dmCopy",
      "      Name='MultiString0'",
      "      Transparent=False",
      "    End",
      "    DisplayTime=10",
      "    Name='Leaf0'",
      "  End",
      "  Address=1",
      "  Name='LEDScreen0'",
      "End",
  });
  std::string written = Save(root);
  // Every component has a Tag besides.
  for (const char* tag : {"      Tag=0\r\n", "    Tag=0\r\n", "  Tag=0\r\n"}) {
    size_t at = written.find(tag);
    ASSERT_NE(at, std::string::npos) << tag;
    written.erase(at, std::strlen(tag));
  }
  EXPECT_EQ(written, example);
}

TEST(ObjectTextWriter, WritesEveryKind) {
  const std::string gbk = "\xB0\x5C\xB0\x7C\xB0\x7D";  // 癨皘皚: trail bytes \ | }
  const TBitmap b1 = Sample(13, 3, platform::pf1bit), b8 = Sample(7, 6, platform::pf8bit),
                b24 = Sample(5, 4, pf24bit);
  std::string all32 = "  Wide=[";
  for (int i = 0; i < 32; ++i) all32 += (i ? ",w" : "w") + std::string(i < 10 ? "0" : "") + std::to_string(i);
  all32 += "]";

  struct Case {
    const char* What;
    std::function<void(TKinds&)> Set;
    std::vector<std::string> Present;
    std::vector<std::string> Absent;
  } cases[] = {
      {"negative colour", [](TKinds& k) { k.Color = -16777201; }, {"  Color=-16777201"}, {}},
      {"cardinal", [](TKinds& k) { k.Limit = 4000000000u; }, {"  Limit=4000000000"}, {}},
      {"boolean", [](TKinds& k) { k.Flag = true; }, {"  Flag=True"}, {}},
      {"enumeration", [](TKinds& k) { k.Method = dmFlash; }, {"  Method=dmFlash"}, {}},
      {"float", [](TKinds& k) { k.Ratio = 1234567.891; }, {"  Ratio=1234567.89"}, {}},
      {"negative float", [](TKinds& k) { k.Ratio = -0.5; }, {"  Ratio=-0.50"}, {}},
      {"empty string", [](TKinds& k) { k.Hint = ""; }, {"  Sub.Label=''", "    Sub.Inner.Note=''"},
       {"Hint="}},
      {"apostrophes", [](TKinds& k) { k.Hint = "it's 'q'"; }, {"  Hint='it''s ''q'''"}, {}},
      {"line break in a string", [](TKinds& k) { k.Hint = "a\r\nb"; }, {"  Hint='a\r\nb'"}, {}},
      {"GBK text", [&](TKinds& k) { k.Hint = gbk; }, {"  Hint='" + gbk + "'"}, {}},
      {"empty set", [](TKinds& k) { k.Styles = 0; }, {"  Styles=[]"}, {}},
      {"mixed set", [](TKinds& k) { k.Styles = 0b1011; },
       {"  Styles=[fsBold,fsItalic,fsStrikeOut]"}, {}},
      {"full set", [](TKinds& k) { k.Wide = 0xFFFFFFFFu; }, {all32}, {}},
      {"empty string list", [](TKinds&) {}, {}, {"Lines"}},
      {"two-line string list", [](TKinds& k) { k.Lines.Add("one"); k.Lines.Add("it's"); },
       {"  Lines=(\r\n  'one'\r\n  'it''s'\r\n  )"}, {}},
      {"picture holding a bitmap", [&](TKinds& k) { k.Picture.SetBitmap(b8); },
       {"  Picture={\r\n" + HexLines(platform::WriteBmp(b8), "") + "  }"}, {}},
      {"picture holding a JPEG: its image as a bitmap file",
       [&](TKinds& k) { k.Picture.Picture().SetGraphic(Jpeg(b24)); },
       {"  Picture={\r\n" + HexLines(platform::WriteBmp(Jpeg(b24)->Bitmap()), "") + "  }"}, {}},
      {"empty picture", [](TKinds&) {}, {}, {"Picture"}},
      {"1-bit bitmap", [&](TKinds& k) { k.Glyph.SetBitmap(b1); },
       {"  Glyph={\r\n" + HexLines(platform::WriteBmp(b1), "") + "  }"}, {}},
      {"24-bit bitmap", [&](TKinds& k) { k.Glyph.SetBitmap(b24); },
       {"  Glyph={\r\n" + HexLines(platform::WriteBmp(b24), "") + "  }"}, {}},
      {"font", [](TKinds& k) { k.Font.SetName("Arial"); k.Font.SetSize(12);
                               k.Font.SetStyle(platform::FontStyleBit(platform::fsBold)); },
       {"  Font.Charset=1", "  Font.Color=0", "  Font.Height=-16", "  Font.Name='Arial'",
        "  Font.Pitch=fpDefault", "  Font.Size=12", "  Font.Style=[fsBold]"}, {}},
      {"nested other object", [](TKinds& k) { k.Sub.Level = 3; k.Sub.Inner.Y = 2.5; },
       {"    Sub.Inner.Note=''\r\n    Sub.Inner.X=0\r\n    Sub.Inner.Y=2.50\r\n"
        "  Sub.Label=''\r\n  Sub.Level=3"},
       {"Sub.Fixed"}},
      {"cycle", [](TKinds& k) { k.Loop().Value = 1; k.Loop().Next->Value = 2; },
       {"    Loop.Next.Value=2\r\n  Loop.Value=1"}, {"Loop.Next.Next"}},
      {"events, read-only, PropertyTable, RecordSelf and other kinds", [](TKinds&) {}, {},
       {"OnClick", "Count", "PropertyTable", "RecordSelf", "Initial", "Area"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    TComponent root(nullptr);
    auto* k = new TKinds(&root);
    k->SetName("Kinds0");
    c.Set(*k);
    const std::string text = Save(root);
    EXPECT_EQ(text.substr(0, 22), "Object Kinds0:TKinds\r\n");
    for (const auto& line : c.Present)
      EXPECT_NE(text.find("\r\n" + line + "\r\n"), std::string::npos) << line << "\n" << text;
    for (const auto& part : c.Absent) EXPECT_EQ(text.find(part), std::string::npos) << part;
  }
}

TEST(ObjectTextWriter, IndentsBlocksAndBitmapDigits) {
  const TBitmap b8 = Sample(7, 6, platform::pf8bit);
  TComponent root(nullptr);
  auto* outer = new TKinds(&root);
  outer->SetName("Kinds1");
  auto* inner = new TKinds(outer);
  inner->SetName("Kinds0");
  inner->Glyph.SetBitmap(b8);
  inner->Picture.SetBitmap(b8);

  // Top level: the child's digit lines start at its block's indent, a picture's at column 1.
  std::string text = Save(root);
  EXPECT_NE(text.find("\r\n  Object Kinds0:TKinds\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\n    Glyph={\r\n" + HexLines(platform::WriteBmp(b8), "  ") + "    }\r\n"),
            std::string::npos);
  EXPECT_NE(text.find("\r\n    Picture={\r\n" + HexLines(platform::WriteBmp(b8), "") + "    }\r\n"),
            std::string::npos);
  EXPECT_NE(text.find("\r\n  End\r\n  Color=0\r\n"), std::string::npos);

  // The copy command's indent of one space.
  text = Write(*outer, " ");
  EXPECT_EQ(text.substr(0, 23), " Object Kinds1:TKinds\r\n");
  EXPECT_NE(text.find("\r\n   Object Kinds0:TKinds\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\n     Glyph={\r\n" + HexLines(platform::WriteBmp(b8), "   ") + "     }\r\n"),
            std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 6), " End\r\n");
}

TEST(ObjectTextWriter, WritesOnlyRegisteredChildren) {
  // With 20 classes registered, a 21st is neither written nor read.
  TComponentManager registry;
  TComponent root(nullptr);
  auto* screen = new TLEDScreen(&root);
  screen->SetName("LEDScreen0");
  new TStandIn<20>(screen);  // "TExtra"
  auto* extraTop = new TStandIn<20>(&root);
  extraTop->SetName("Extra0");
  registry.RegisterClass(TStandIn<0>::StaticClassInfo());
  registry.RegisterClass(TStandIn<1>::StaticClassInfo());
  registry.RegisterClass(TStandIn<2>::StaticClassInfo());
  registry.RegisterClass(TStandIn<3>::StaticClassInfo());
  registry.RegisterClass(TStandIn<4>::StaticClassInfo());
  registry.RegisterClass(TStandIn<5>::StaticClassInfo());
  registry.RegisterClass(TStandIn<6>::StaticClassInfo());
  registry.RegisterClass(TStandIn<7>::StaticClassInfo());
  registry.RegisterClass(TStandIn<8>::StaticClassInfo());
  registry.RegisterClass(TStandIn<9>::StaticClassInfo());
  registry.RegisterClass(TStandIn<10>::StaticClassInfo());
  registry.RegisterClass(TStandIn<11>::StaticClassInfo());
  registry.RegisterClass(TStandIn<12>::StaticClassInfo());
  registry.RegisterClass(TStandIn<13>::StaticClassInfo());
  registry.RegisterClass(TStandIn<14>::StaticClassInfo());
  registry.RegisterClass(TStandIn<15>::StaticClassInfo());
  registry.RegisterClass(TStandIn<16>::StaticClassInfo());
  registry.RegisterClass(TStandIn<17>::StaticClassInfo());
  registry.RegisterClass(TStandIn<18>::StaticClassInfo());
  registry.RegisterClass(TStandIn<19>::StaticClassInfo());
  EXPECT_FALSE(registry.RegisterClass(TStandIn<20>::StaticClassInfo()));

  TDFMStream out;
  ASSERT_TRUE(SaveObjectText(root, out, registry, false));
  const std::string text = Contents(out);
  EXPECT_EQ(text.find("TExtra"), std::string::npos);
  EXPECT_NE(text.find("Object LEDScreen0:TLEDScreen"), std::string::npos);

  TComponent fresh(nullptr);
  TDFMStream in;
  Fill(in, text);
  EXPECT_TRUE(ReadObjectText(fresh, fresh, in, registry, false));
  TDFMStream extra;
  Fill(extra, "Object Extra0:TExtra\r\nEnd\r\n");
  EXPECT_FALSE(ReadObjectText(fresh, fresh, extra, registry, false));
}

TEST(ObjectTextWriter, ReportsABufferThatRefusedAWrite) {
  TComponent root(nullptr);
  auto* k = new TKinds(&root);
  k->SetName("Kinds0");
  k->Picture.SetBitmap(Sample(500, 500, pf24bit));  // 750 000 bytes, 1.5 MB as digits
  TDFMStream small(TDFMStream::kBlockStep);
  EXPECT_FALSE(SaveObjectText(root, small, FixtureRegistry(), false));
  TDFMStream small2(TDFMStream::kBlockStep);
  EXPECT_FALSE(WriteObjectText("", *k, small2, FixtureRegistry()));
  // A buffer that had already refused a write is reported too.
  TDFMStream failed(TDFMStream::kBlockStep);
  std::vector<char> big(TDFMStream::kBlockStep + 1);
  failed.Write(big.data(), int32_t(big.size()));
  TComponent empty(nullptr);
  EXPECT_FALSE(SaveObjectText(empty, failed, FixtureRegistry(), false));
}

TEST(ObjectTextRoundTrip, GivesTheSameBytesAndTheSameTree) {
  for (bool packed : {false, true}) {
    SCOPED_TRACE(packed ? "packed" : "plain");
    TComponent original(nullptr);
    BuildRichTree(original);
    const std::string first = Save(original, packed);
    if (packed) {
      // The packed form is the plain text packed.
      TDFMStream plain, again;
      Fill(plain, Save(original, false));
      ASSERT_TRUE(LzssEncode(plain, again));
      EXPECT_EQ(first, Contents(again));
    }
    TComponent copy(nullptr);
    ASSERT_TRUE(Read(copy, first, packed));
    EXPECT_EQ(Save(copy, packed), first);
    EXPECT_EQ(Difference(original, copy, "root"), "");
    // A read picture holds a bitmap; the nested control sits in its parent.
    auto* outer = dynamic_cast<TKinds*>(copy.Components(0));
    ASSERT_NE(outer, nullptr);
    EXPECT_EQ(outer->ControlCount(), 1);
    EXPECT_EQ(outer->Area, 30 * 40);  // settled by Loaded() once every line was read
  }
}

TEST(ObjectTextRoundTrip, FloatsIgnoreTheLocale) {
  // A global locale whose decimal point is ",": the C++ one always, the C one where installed.
  struct TComma : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
  };
  const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new TComma));
  const std::string previousC = std::setlocale(LC_ALL, nullptr);
  bool cComma = false;
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "ru_RU.UTF-8"}) {
    if (std::setlocale(LC_ALL, name)) {
      cComma = std::localeconv()->decimal_point[0] == ',';
      break;
    }
  }
  TComponent root(nullptr);
  auto* k = new TKinds(&root);
  k->SetName("Kinds0");
  k->Ratio = 3.75;
  k->Sub.Inner.Y = -0.25;
  const std::string text = Save(root);
  TComponent copy(nullptr);
  const bool read = Read(copy, text);
  std::setlocale(LC_ALL, previousC.c_str());
  std::locale::global(previous);

  EXPECT_NE(text.find("\r\n  Ratio=3.75\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\n    Sub.Inner.Y=-0.25\r\n"), std::string::npos);
  ASSERT_TRUE(read);
  auto* back = dynamic_cast<TKinds*>(copy.Components(0));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->Ratio, 3.75);
  EXPECT_EQ(back->Sub.Inner.Y, -0.25);
  if (!cComma) std::printf("note: no C locale with a decimal comma is installed\n");
}

TEST(ObjectTextReader, EdgeCases) {
  const std::string page = Utf8ToGbk("显示页面");
  struct Case {
    const char* What;
    std::string Text;
    bool Result;
    std::function<void(TComponent& root, TKinds& host)> Check;
  } cases[] = {
      {"a set in any case and order",
       Lines({"Object A:TKinds", "Styles=[FSITALIC, fsbold]", "End"}), true,
       [](TComponent&, TKinds& h) {
         EXPECT_EQ(dynamic_cast<TKinds*>(h.Components(0))->Styles, 0b11u);
       }},
      {"every object read gets a generated name",
       Lines({"Object Kinds0:TKinds", "Name='Kinds0'", "End"}), true,
       [](TComponent&, TKinds& h) { EXPECT_EQ(h.Components(0)->Name(), "Kinds1"); }},
      {"a clashing text gets the smallest free number of its prefix",
       Lines({"Object A:TKinds", "Text='" + page + "3'", "End", "Object B:TKinds",
              "Text='" + page + "7'", "End"}),
       true,
       [&](TComponent&, TKinds& h) {
         EXPECT_EQ(dynamic_cast<TKinds*>(h.Components(0))->Text, page + "0");
         EXPECT_EQ(dynamic_cast<TKinds*>(h.Components(1))->Text, page + "7");  // unique: kept
       }},
      {"comments", "// a comment line\r\nObject A:TKinds\r\nColor=5 // after a value\r\nEnd // no line break",
       true, [](TComponent&, TKinds& h) { EXPECT_EQ(dynamic_cast<TKinds*>(h.Components(0))->Color, 5); }},
      {"trailing zero bytes", Lines({"Object A:TKinds", "End"}) + std::string(5, '\0') + "junk", true,
       [](TComponent&, TKinds& h) { EXPECT_EQ(h.ComponentCount(), 1); }},
      {"indentation is ignored", "Object A:TKinds Color=-1 Flag=True End", true,
       [](TComponent&, TKinds& h) {
         auto* k = dynamic_cast<TKinds*>(h.Components(0));
         EXPECT_EQ(k->Color, -1);
         EXPECT_TRUE(k->Flag);
       }},
      {"a cardinal from either sign form",
       Lines({"Object A:TKinds", "Limit=-294967296", "End", "Object B:TKinds", "Limit=4000000000", "End"}),
       true,
       [](TComponent&, TKinds& h) {
         EXPECT_EQ(dynamic_cast<TKinds*>(h.Components(0))->Limit, 4000000000u);
         EXPECT_EQ(dynamic_cast<TKinds*>(h.Components(1))->Limit, 4000000000u);
       }},
      {"values of the wrong kind and unknown names change nothing",
       Lines({"Object A:TKinds", "Color='x'", "Ratio=True", "Method=dmNone", "Method=2",
              "Flag=maybe", "Text=5", "Nothing=1.50", "Font.Nothing=3", "Count=5", "Limit=12x",
              "Color=99999999999999999999", "Ratio=1.5e3", "End"}),
       true,
       [](TComponent&, TKinds& h) {
         auto* k = dynamic_cast<TKinds*>(h.Components(0));
         EXPECT_EQ(k->Color, 0);
         EXPECT_EQ(k->Ratio, 0);
         EXPECT_EQ(k->Method, dmCopy);
         EXPECT_EQ(k->Text, "");
         EXPECT_EQ(k->Limit, 0u);
       }},
      {"numbers", Lines({"Object A:TKinds", "Ratio=2", "Sub.Inner.Y=+1.25", "Method=+3", "Color=+7", "End"}),
       true,
       [](TComponent&, TKinds& h) {
         auto* k = dynamic_cast<TKinds*>(h.Components(0));
         EXPECT_EQ(k->Ratio, 2);
         EXPECT_EQ(k->Sub.Inner.Y, 1.25);
         EXPECT_EQ(k->Method, dmFlash);  // an ordinal goes to an enumeration as it is
         EXPECT_EQ(k->Color, 7);
       }},
      {"controls sit in the windowed control that owns them",
       Lines({"Object A:TKinds", "Object B:TKinds", "End", "End"}), true,
       [](TComponent&, TKinds& h) {
         auto* a = dynamic_cast<TKinds*>(h.Components(0));
         EXPECT_EQ(a->Parent(), &h);
         EXPECT_EQ(dynamic_cast<TKinds*>(a->Components(0))->Parent(), a);
       }},
      // Faults of the format mended: the rest of the text is still read.
      {"a sign without digits",
       Lines({"Object A:TKinds", "Color=-", "Flag=True", "Ratio=+", "End", "Object B:TKinds", "End"}),
       true,
       [](TComponent&, TKinds& h) {
         ASSERT_EQ(h.ComponentCount(), 2);
         auto* k = dynamic_cast<TKinds*>(h.Components(0));
         EXPECT_EQ(k->Color, 0);
         EXPECT_TRUE(k->Flag);
       }},
      {"a set on a property that is no set",
       Lines({"Object A:TKinds", "Color=[fsBold,x]", "Flag=True", "End"}), true,
       [](TComponent&, TKinds& h) {
         auto* k = dynamic_cast<TKinds*>(h.Components(0));
         EXPECT_EQ(k->Color, 0);
         EXPECT_TRUE(k->Flag);
       }},
      {"a list on a property that is no list",
       Lines({"Object A:TKinds", "Color=(", "'a'", ")", "Flag=True", "PropertyTable=(", "'x'", ")", "End"}),
       true,
       [](TComponent&, TKinds& h) {
         auto* k = dynamic_cast<TKinds*>(h.Components(0));
         EXPECT_TRUE(k->Flag);
         EXPECT_EQ(k->Table.Count(), 1);  // the inspector's table is no string list here
       }},
      {"a set and a list cut short leave the End that follows",
       Lines({"Object A:TKinds", "Styles=[fsBold", "End", "Object B:TKinds", "Lines=(", "'a'", "End",
              "Object C:TKinds", "End"}),
       true,
       [](TComponent&, TKinds& h) {
         ASSERT_EQ(h.ComponentCount(), 3);
         auto* a = dynamic_cast<TKinds*>(h.Components(0));
         auto* b = dynamic_cast<TKinds*>(h.Components(1));
         EXPECT_EQ(a->Styles, 0u);
         EXPECT_EQ(b->Lines.Text(), "a\r\n");
         EXPECT_EQ(b->ComponentCount(), 0);
       }},
      {"more Ends than blocks", Lines({"End", "End", "Color=5", "Object A:TKinds", "Name='x'", "End", "Flag=True"}),
       true,
       [](TComponent&, TKinds& h) {
         EXPECT_EQ(h.ComponentCount(), 0);
         EXPECT_EQ(h.Color, 0);
         EXPECT_FALSE(h.Flag);
       }},
      // Failures.
      {"a header without a name", Lines({"Object :TKinds", "End"}), false, nullptr},
      {"a header without a colon", Lines({"Object A TKinds", "End"}), false, nullptr},
      {"a header cut short", "Object A:", false, nullptr},
      {"an unregistered class", Lines({"Object A:TNoSuchClass", "End"}), false, nullptr},
      {"a dot not followed by an identifier", Lines({"Object A:TKinds", "Font.=1", "End"}), false, nullptr},
      {"a path not followed by =", Lines({"Object A:TKinds", "Color 1", "End"}), false, nullptr},
      {"a number's dot not followed by an identifier",
       Lines({"Object A:TKinds", "Ratio=-1.'5'", "End"}), false, nullptr},
      {"a picture block that is no bitmap", Lines({"Object A:TKinds", "Picture={", "0102", "}", "End"}),
       false, nullptr},
      {"a hex block on a property that is no picture",
       Lines({"Object A:TKinds", "Color={", "424D", "}", "End"}), false, nullptr},
      {"a constructor that throws", Lines({"Object A:TBroken", "End"}), false, nullptr},
      {"a setter that throws: what was read stays",
       Lines({"Object A:TKinds", "End", "Object B:TFragile", "Fuse=1", "End", "Object C:TKinds", "End"}),
       false, [](TComponent&, TKinds& h) { EXPECT_EQ(h.ComponentCount(), 2); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    TComponent root(nullptr);
    auto* host = new TKinds(&root);
    host->SetName("Kinds0");
    host->Text = page + "3";
    EXPECT_EQ(Read(root, c.Text, false, host), c.Result);
    if (c.Check) c.Check(root, *host);
  }
}

TEST(ObjectTextReader, NestingStopsAtTheStack) {
  auto nested = [](int depth) {
    std::string text;
    for (int i = 0; i < depth; ++i) text += "Object A:TKinds\r\n";
    for (int i = 0; i < depth; ++i) text += "End\r\n";
    return text;
  };
  // The parent takes the first of the 512 slots.
  TComponent root(nullptr);
  EXPECT_TRUE(Read(root, nested(511)));
  int depth = 0;
  for (TComponent* c = &root; c->ComponentCount() > 0; c = c->Components(0)) ++depth;
  EXPECT_EQ(depth, 511);
  TComponent root2(nullptr);
  EXPECT_FALSE(Read(root2, nested(512)));
  depth = 0;
  for (TComponent* c = &root2; c->ComponentCount() > 0; c = c->Components(0)) ++depth;
  EXPECT_EQ(depth, 511);
}

TEST(ObjectTextReader, SettlesEveryComponentItCreatedInOrder) {
  const std::string text = Lines({"Object A:TKinds", "Object B:TKinds", "Name='x'", "End",
                                  "Width=3", "Height=4", "Name='y'", "End",
                                  "Object C:TKinds", "Name='z'", "End"});
  TComponent root(nullptr);
  LoadedLog().clear();
  ASSERT_TRUE(Read(root, text));
  EXPECT_EQ(LoadedLog(), (std::vector<std::string>{"Kinds1", "Kinds0", "Kinds2"}));
  EXPECT_EQ(dynamic_cast<TKinds*>(root.Components(0))->Area, 12);

  // Properties arrive while the component is loading; Loaded() and later find it settled.
  TComponent root1(nullptr);
  ASSERT_TRUE(Read(root1, Lines({"Object A:TKinds", "Hint='h'", "End"})));
  auto* read = dynamic_cast<TKinds*>(root1.Components(0));
  EXPECT_TRUE(read->LoadingWhenHinted);
  EXPECT_FALSE(read->LoadingInLoaded);
  EXPECT_FALSE(read->Loading());
  TKinds made(nullptr);
  EXPECT_FALSE(made.Loading());

  // Also after a failure, for what was created.
  TComponent root2(nullptr);
  LoadedLog().clear();
  EXPECT_FALSE(Read(root2, text + "Object D:TNoSuchClass\r\n"));
  EXPECT_EQ(LoadedLog().size(), 3u);
}

TEST(ObjectTextReader, PackedTextKeepsNamesAndTexts) {
  const std::string text = Lines({"Object A:TKinds", "Name='Custom7'", "Text='same'", "End",
                                  "Object B:TKinds", "Text='same'", "End"});
  TDFMStream plain, packed;
  Fill(plain, text);
  ASSERT_TRUE(LzssEncode(plain, packed));
  packed.SetPosition(packed.Size());  // the reader rewinds it
  TComponent root(nullptr);
  ASSERT_TRUE(ReadObjectText(root, root, packed, FixtureRegistry(), true));
  ASSERT_EQ(root.ComponentCount(), 2);
  EXPECT_EQ(root.Components(0)->Name(), "Custom7");
  EXPECT_EQ(dynamic_cast<TKinds*>(root.Components(1))->Text, "same");

  TComponent plainRoot(nullptr);
  ASSERT_TRUE(Read(plainRoot, text));
  EXPECT_EQ(plainRoot.Components(0)->Name(), "Kinds0");
  EXPECT_EQ(dynamic_cast<TKinds*>(plainRoot.Components(1))->Text, "same0");
}

TEST(ObjectTextReader, PictureBlocksMadeByXxdLoadTheirBitmaps) {
  for (const char* name : {"bpp1", "bpp4", "bpp8", "bpp24", "os2bpp8", "rle8", "rle8codes", "rle4",
                           "rgb565", "rgb555", "argb32", "topdown"}) {
    SCOPED_TRACE(name);
    TComponent root(nullptr);
    ASSERT_TRUE(Read(root, ReadFile(std::string(CORVANE_FIXTURES) + "/picture-" + name + ".txt")));
    auto* k = dynamic_cast<TKinds*>(root.Components(0));
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(gfxtest::PixelDifference(k->Picture.ImageBitmap(), gfxtest::ReadPnm(std::string(name) + ".ppm")),
              "");
  }
  TComponent root(nullptr);
  ASSERT_TRUE(Read(root, ReadFile(std::string(CORVANE_FIXTURES) + "/glyph-nested-bpp8.txt")));
  auto* inner = dynamic_cast<TKinds*>(root.Components(0)->Components(0));
  ASSERT_NE(inner, nullptr);
  EXPECT_EQ(gfxtest::PixelDifference(inner->Glyph.Bitmap(), gfxtest::ReadPnm("bpp8.ppm")), "");

  // An odd last digit is dropped: the file still ends where it did.
  std::string text = ReadFile(std::string(CORVANE_FIXTURES) + "/picture-bpp24.txt");
  text.insert(text.find("\r\n  }"), "F");
  TComponent odd(nullptr);
  EXPECT_TRUE(Read(odd, text));
}
