// The Word object TWordObject, its converter client and WordToBitmap, against the fake
// converter (tools/pageflat/tests/FakePageflat.cpp): a "document" there is a text file of page
// colours, so every page's pixels are known.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "model/LoadMode.h"
#include "model/TimerClock.h"
#include "model/objects/PageflatClient.h"
#include "model/objects/WordToBmp.h"
#include "model/objects/tests/ObjectsTestSupport.h"
#include "model/stream/StreamContext.h"
#include "model/stream/WindowRecords.h"
#include "model/tests/TempDir.h"
#include "platform/base/ByteOrder.h"
#include "platform/base/MessageWindow.h"
#include "platform/base/tests/FileWatch.h"
#include "platform/base/tests/ScopedEnv.h"

namespace model {
namespace {

namespace fs = std::filesystem;
using platform::TBitmap;
using platform::Utf8ToGbk;
using test::Lines;
using TEnv = platform::test::TScopedEnv;

// Colours of the fake's pages and their inverses.
constexpr platform::TColor Red = 0x0000FF, Green = 0x00FF00, Blue = 0xFF0000;
constexpr platform::TColor Cyan = 0xFFFF00, Magenta = 0xFF00FF, Yellow = 0x00FFFF;

TBitmap Filled(int width, int height, std::initializer_list<platform::TColor> bands) {
  TBitmap b(width, height * int(bands.size()));
  int y = 0;
  for (platform::TColor c : bands)
    for (int i = 0; i < height; ++i, ++y)
      for (int x = 0; x < width; ++x) b.SetPixel(x, y, c);
  return b;
}

std::vector<uint8_t> PictureWindow(const TRecordRect& rect, const TBitmap& picture, uint16_t effect,
                                   uint16_t speed, bool transparent) {
  TProgramStream s;
  WritePictureWindow(rect, picture, effect, speed, transparent, s);
  return s.Bytes();
}

// ---- Tables and text ------------------------------------------------------------------------

TEST(WordObjectTable, EqualsThePartsList) {
  TWordObject word(nullptr);
  EXPECT_EQ(test::Joined(word.PropertyTable()), Utf8ToGbk(std::string(R"(Text|名称
Left|左上角X坐标
Top|左上角Y坐标
Width|宽度
Height|高度
Reverse|是否反色|$000000F0
FileName|文件名|$000000F0
Transparent|是否透明
Method|显示方式
Speed|显示速度
True|是
False|否
)") + test::kEffectAndSpeedRows));
}

TEST(WordObjectDefaults, ANewObjectIsBlackAndWritesTheseLines) {
  TWordObject word(nullptr);
  word.SetName("WordObject0");
  EXPECT_EQ(test::ObjectText(word),
            Lines({"Object WordObject0:TWordObject", "  Height=128", "  Left=0", "  Method=dmCopy",
                   "  Name='WordObject0'", "  Reverse=True", "  Speed=dsFirst", "  Tag=0",
                   "  Top=0", "  Transparent=True", "  Width=256", "End"}));
  EXPECT_TRUE(test::SamePixels(word.Preview(), TBitmap(256, 128)));
  EXPECT_EQ(word.Preview().PixelFormat(), platform::pf24bit);
  EXPECT_FALSE(word.Polling());
}

TEST(WordObjectText, RoundTripsEveryValue) {
  TLeaf page(nullptr);
  auto* word = new TWordObject(&page);
  word->SetParent(&page);
  word->SetName("WordObject0");
  word->SetBounds(3, 4, 64, 32);
  word->SetFileName(Utf8ToGbk("/nowhere/文档.doc"));
  word->SetReverse(false);
  word->SetMethod(dmFlicker);
  word->SetSpeed(dsEight);
  word->SetTransparent(false);
  word->SetText(Utf8ToGbk("Word1"));
  const std::string text = test::ChildrenText(page);
  EXPECT_EQ(text, Lines({"Object WordObject0:TWordObject",
                         "  FileName='/nowhere/" + Utf8ToGbk("文档") + ".doc'", "  Height=32",
                         "  Left=3", "  Method=dmFlicker", "  Name='WordObject0'",
                         "  Reverse=False", "  Speed=dsEight", "  Tag=0", "  Text='Word1'",
                         "  Top=4", "  Transparent=False", "  Width=64", "End"}));
  test::ExpectRoundTrip(page);
}

// ---- The request message ----------------------------------------------------------------------

TEST(ConvertMessage, FieldsSitWhereTheRecordSays) {
  TConvertRequest r{"/home/a.doc", "/tmp/p/12.Bmp", 200, -7, true};
  const auto m = PackConvertMessage(r);
  ASSERT_TRUE(m);
  ASSERT_EQ(m->size(), 549u);
  EXPECT_EQ(platform::LoadU32(&(*m)[0]), 0x5555u);
  EXPECT_EQ(platform::LoadU32(&(*m)[4]), 0u);
  EXPECT_EQ(platform::LoadU32(&(*m)[8]), 537u);
  const uint8_t* record = m->data() + 12;
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(record)), "/home/a.doc");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(record + 264)), "/tmp/p/12.Bmp");
  EXPECT_EQ(platform::LoadU32(record + 528), 200u);
  EXPECT_EQ(int32_t(platform::LoadU32(record + 532)), -7);
  EXPECT_EQ(record[536], 1);
  r.Reverse = false;
  EXPECT_EQ(PackConvertMessage(r)->back(), 0);

  r.Document = std::string(263, 'd');
  EXPECT_TRUE(PackConvertMessage(r));
  r.Document = std::string(264, 'd');  // cut, it would name another file
  EXPECT_FALSE(PackConvertMessage(r));
  r.Document = "/a";
  r.Bitmap = std::string(264, 'b');
  EXPECT_FALSE(PackConvertMessage(r));
}

TEST(StripHeight, EightMegapixelsAtMost65535RowsInWholePages) {
  struct TCase {
    int width, height, rows;
  } cases[] = {
      {200, 64, 41920},  // 8388608 / 200 = 41943, rounded down to 655 pages
      {100, 64, 65472},  // 83886 rows are more than a picture holds: 65535, 1023 pages
      {256, 128, 32768},
      {16, 8, 65528},
      {0, 64, 0},
      {64, 0, 0},
      {-3, 8, 0},
      {16, 70000, 0},      // not one page fits
      {8388609, 1, 0},     // not one row
      {8388608, 1, 1},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(StripHeight(c.width, c.height), c.rows) << c.width << " x " << c.height;
}

// ---- On the fake converter --------------------------------------------------------------------

class TWordOnFake : public ::testing::Test {
 protected:
  void SetUp() override {
    SetTimerClock(&clock_);
    SetLoadMode(LoadModeNormal);
    StreamContext().SetColorMode(3);  // every colour counts
    log_ = dir_.File("messages.log");
  }
  void TearDown() override {
    PageflatClient().Stop();
    SetTimerClock(nullptr);
    StreamContext().Reset();
  }

  // Starts the fake in serve mode with the switches set now.
  void StartConverter() {
    TEnv logged("FAKE_PAGEFLAT_LOG", log_.c_str());
    ASSERT_TRUE(PageflatClient().Start(FAKE_PAGEFLAT_PROGRAM));
  }

  // A document of pages of these colours ("FF0000" ...).
  std::string Document(const char* name, std::initializer_list<const char*> pages) {
    std::string text;
    for (const char* p : pages) text += std::string(p) + "\n";
    const std::string path = dir_.File(name);
    test::WriteFile(path, text);
    return path;
  }

  // One poll tick.
  void Tick() {
    clock_.Advance(TWordObject::PollInterval);
    platform::ProcessMessages();
  }

  // Waits for the fake to have written something in the converter's folder.
  static bool WaitInFolder(const std::function<bool()>& condition) {
    return platform::test::WaitForFiles(PageflatClient().Folder(), condition);
  }
  static bool WaitForBitmap() {
    return WaitInFolder([] { return BitmapCount() > 0; });
  }
  static int BitmapCount() {
    int n = 0;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(PageflatClient().Folder(), ec))
      n += e.path().extension() == ".Bmp";
    return n;
  }

  // The messages the fake received, each 549 bytes.
  std::vector<std::vector<uint8_t>> Logged() const {
    const std::string bytes = test::FileBytes(log_);
    std::vector<std::vector<uint8_t>> messages;
    for (size_t at = 0; at + 549 <= bytes.size(); at += 549)
      messages.emplace_back(bytes.begin() + long(at), bytes.begin() + long(at + 549));
    return messages;
  }

  static bool AllOf(const TBitmap& b, platform::TColor c) {
    return test::SamePixels(b, Filled(b.Width(), b.Height(), {c}));
  }

  platform::TFakeClock clock_;
  test::TTempDir dir_;
  std::string log_;
};

TEST_F(TWordOnFake, ARequestCarriesTheRecordAndItsBitmapBecomesThePreview) {
  StartConverter();
  const std::string doc = Document("red.doc", {"FF0000", "00FF00"});
  TWordObject word(nullptr);
  word.SetFileName(doc);
  EXPECT_EQ(PageflatClient().SentCount(), 1);
  EXPECT_TRUE(word.Polling());
  ASSERT_TRUE(WaitForBitmap());

  // The message as the fake logged it, read by its offsets.
  const auto logged = Logged();
  ASSERT_EQ(logged.size(), 1u);
  const std::vector<uint8_t>& m = logged[0];
  EXPECT_EQ(platform::LoadU32(&m[0]), 0x5555u);
  EXPECT_EQ(platform::LoadU32(&m[4]), 0u);
  EXPECT_EQ(platform::LoadU32(&m[8]), 537u);
  const uint8_t* record = &m[12];
  const std::string document(reinterpret_cast<const char*>(record));
  const std::string bitmap(reinterpret_cast<const char*>(record + 264));
  EXPECT_EQ(document, doc);
  EXPECT_EQ(record[document.size()], 0);
  EXPECT_EQ(bitmap.rfind(PageflatClient().Folder(), 0), 0u);
  const std::string name = bitmap.substr(PageflatClient().Folder().size());
  EXPECT_TRUE(name.ends_with(".Bmp"));
  EXPECT_EQ(name.find_first_not_of("0123456789"), name.size() - 4);
  EXPECT_EQ(platform::LoadU32(record + 528), 256u);
  EXPECT_EQ(platform::LoadU32(record + 532), 128u);
  EXPECT_EQ(record[536], 1);  // Reverse is True at first

  // The next tick loads page 1 (inverted red), deletes the file and stops polling.
  Tick();
  EXPECT_FALSE(word.Polling());
  EXPECT_TRUE(AllOf(word.Preview(), Cyan));
  EXPECT_FALSE(fs::exists(bitmap));

  // Paint: the preview stretched onto the object, ORed onto the page while transparent.
  word.SetBounds(2, 1, 8, 4);  // a new size: a new request
  TBitmap page = test::PaintedOnBlue(word, 12, 6);
  EXPECT_EQ(page.GetPixel(2, 1), Cyan | platform::clBlue);
  EXPECT_EQ(page.GetPixel(1, 1), platform::clBlue);
  ASSERT_TRUE(WaitForBitmap());
  Tick();
  EXPECT_EQ(word.Preview().Width(), 8);
  word.SetTransparent(false);
  word.SetReverse(false);
  ASSERT_TRUE(WaitForBitmap());
  Tick();
  EXPECT_TRUE(AllOf(word.Preview(), Red));
  page = test::PaintedOnBlue(word, 12, 6);
  EXPECT_EQ(page.GetPixel(9, 4), Red);
  word.SetTransparent(true);
  page = test::PaintedOnBlue(word, 12, 6);
  EXPECT_EQ(page.GetPixel(9, 4), Red | platform::clBlue);
  EXPECT_EQ(PageflatClient().SentCount(), 3);
  EXPECT_EQ(page.GetPixel(10, 4), platform::clBlue);
}

TEST_F(TWordOnFake, OnlyAChangeMakesARequest) {
  StartConverter();
  const std::string doc = Document("a.doc", {"FF0000"});
  TWordObject word(nullptr);
  word.SetBounds(0, 0, 40, 20);
  EXPECT_EQ(PageflatClient().SentCount(), 0);  // no document yet
  word.SetFileName(doc);
  ASSERT_TRUE(WaitForBitmap());
  Tick();
  ASSERT_FALSE(word.Polling());

  word.SetFileName(doc);            // the same name
  word.SetBounds(5, 6, 40, 20);     // moved, the same size
  word.SetReverse(true);            // the same value
  word.SetTransparent(false);
  word.SetMethod(dmFlicker);
  EXPECT_EQ(PageflatClient().SentCount(), 1);
  EXPECT_FALSE(word.Polling());

  word.SetBounds(5, 6, 41, 20);  // a new size
  EXPECT_EQ(PageflatClient().SentCount(), 2);
  ASSERT_TRUE(WaitForBitmap());
  Tick();
  EXPECT_EQ(word.Preview().Width(), 41);
  EXPECT_EQ(Logged().size(), 2u);
}

TEST_F(TWordOnFake, ChangesWhileARequestIsOutMakeOneMoreWhenItsBitmapArrives) {
  StartConverter();
  TWordObject word(nullptr);
  word.SetFileName(Document("a.doc", {"00FF00"}));
  word.SetReverse(false);
  word.SetReverse(true);
  EXPECT_EQ(PageflatClient().SentCount(), 1);
  ASSERT_TRUE(WaitForBitmap());
  Tick();  // the bitmap is in: the pending changes go out as one
  EXPECT_EQ(PageflatClient().SentCount(), 2);
  EXPECT_TRUE(word.Polling());
  ASSERT_TRUE(WaitForBitmap());
  Tick();
  EXPECT_FALSE(word.Polling());
  EXPECT_EQ(PageflatClient().SentCount(), 2);
  EXPECT_TRUE(AllOf(word.Preview(), Magenta));
}

TEST_F(TWordOnFake, WhileAProjectIsReadTheRequestWaitsForItsEnd) {
  StartConverter();
  TWordObject word(nullptr);
  SetLoadMode(LoadModeReading);
  word.SetFileName(Document("a.doc", {"0000FF"}));
  word.SetReverse(false);
  EXPECT_EQ(PageflatClient().SentCount(), 0);
  EXPECT_TRUE(word.Polling());
  Tick();
  Tick();
  EXPECT_EQ(PageflatClient().SentCount(), 0);
  SetLoadMode(LoadModeNormal);
  Tick();  // the first tick after the reading sends it
  EXPECT_EQ(PageflatClient().SentCount(), 1);
  ASSERT_TRUE(WaitForBitmap());
  Tick();
  EXPECT_TRUE(AllOf(word.Preview(), Blue));
  EXPECT_EQ(PageflatClient().SentCount(), 1);
}

TEST_F(TWordOnFake, ObjectTextMakesOneRequestAtTheFinalSize) {
  StartConverter();
  const std::string doc = Document("a.doc", {"0000FF"});
  TLeaf page(nullptr);
  ASSERT_TRUE(test::ReadInto(
      page, Lines({"Object WordObject1:TWordObject", "  FileName='" + doc + "'", "  Height=30",
                   "  Reverse=False", "  Width=60", "End"})));
  EXPECT_EQ(PageflatClient().SentCount(), 1);
  ASSERT_TRUE(WaitForBitmap());
  const auto logged = Logged();
  ASSERT_EQ(logged.size(), 1u);
  EXPECT_EQ(platform::LoadU32(&logged[0][12 + 528]), 60u);
  EXPECT_EQ(platform::LoadU32(&logged[0][12 + 532]), 30u);
  EXPECT_EQ(logged[0][12 + 536], 0);
}

TEST_F(TWordOnFake, WithoutAConverterNothingIsAskedAndThePreviewStays) {
  {
    TEnv gone("FAKE_PAGEFLAT_EXIT", "2");  // as pageflat without LibreOffice
    StartConverter();
  }
  ASSERT_TRUE(PageflatClient().WaitExit(20000));
  EXPECT_FALSE(PageflatClient().Running());
  TWordObject word(nullptr);
  word.SetFileName(Document("a.doc", {"FF0000"}));
  EXPECT_FALSE(word.Polling());
  EXPECT_EQ(PageflatClient().SentCount(), 0);

  // A preview made while one ran stays when it is gone.
  PageflatClient().Stop();
  StartConverter();
  word.SetReverse(false);
  ASSERT_TRUE(WaitForBitmap());
  Tick();
  ASSERT_TRUE(AllOf(word.Preview(), Red));
  PageflatClient().Stop();
  word.SetReverse(true);
  EXPECT_FALSE(word.Polling());
  EXPECT_TRUE(AllOf(word.Preview(), Red));
}

TEST_F(TWordOnFake, After20SecondsARequestIsGivenUpAndItsLateBitmapGoesAtStop) {
  const std::string hold = dir_.File("hold");
  ASSERT_EQ(::mkfifo(hold.c_str(), 0600), 0);
  {
    TEnv held("FAKE_PAGEFLAT_HOLD", hold.c_str());
    StartConverter();
  }
  const std::string folder = PageflatClient().Folder();
  TWordObject word(nullptr);
  word.SetFileName(Document("a.doc", {"FF0000"}));
  clock_.Advance(TWordObject::RequestTimeoutMs - TWordObject::PollInterval);
  Tick();  // exactly at the deadline: still waiting
  EXPECT_TRUE(word.Polling());
  Tick();
  EXPECT_FALSE(word.Polling());

  ::close(::open(hold.c_str(), O_WRONLY));  // let the fake write it now
  ASSERT_TRUE(WaitForBitmap());
  Tick();
  EXPECT_TRUE(AllOf(word.Preview(), platform::clBlack));
  PageflatClient().Stop();
  EXPECT_FALSE(fs::exists(folder));
}

TEST_F(TWordOnFake, ABitmapStillBeingWrittenIsLoadedWholeOnALaterTick) {
  const std::string slow = dir_.File("slow");
  ASSERT_EQ(::mkfifo(slow.c_str(), 0600), 0);
  {
    TEnv slowly("FAKE_PAGEFLAT_SLOW", slow.c_str());
    StartConverter();
  }
  TWordObject word(nullptr);
  word.SetFileName(Document("a.doc", {"00FF00"}));
  ASSERT_TRUE(WaitForBitmap());  // the first half is there
  Tick();
  EXPECT_TRUE(word.Polling());
  EXPECT_TRUE(AllOf(word.Preview(), platform::clBlack));
  ::close(::open(slow.c_str(), O_WRONLY));  // the rest may come
  const size_t whole = 54 + 256 * 3 * 128;
  ASSERT_TRUE(WaitInFolder([&] {
    for (const auto& e : fs::directory_iterator(PageflatClient().Folder()))
      if (e.file_size() == whole) return true;
    return false;
  }));
  Tick();
  EXPECT_FALSE(word.Polling());
  EXPECT_TRUE(AllOf(word.Preview(), Magenta));
}

TEST_F(TWordOnFake, NoRequestForAPathItsFieldCannotHoldWhole) {
  StartConverter();
  // Absolute paths of 263 and 264 bytes.
  const size_t base = dir_.Path().size() + 1;
  const std::string fits = Document(std::string(263 - base, 'f').c_str(), {"FF0000"});
  const std::string over = Document(std::string(264 - base, 'o').c_str(), {"FF0000"});
  ASSERT_EQ(fits.size(), 263u);
  ASSERT_EQ(over.size(), 264u);
  TWordObject word(nullptr);
  word.SetFileName(over);
  EXPECT_FALSE(word.Polling());
  EXPECT_EQ(PageflatClient().SentCount(), 0);
  word.SetFileName(fits);
  EXPECT_TRUE(word.Polling());
  EXPECT_EQ(PageflatClient().SentCount(), 1);
  ASSERT_TRUE(WaitForBitmap());

  // Nor for a bitmap path that long: a temporary folder deep enough.
  PageflatClient().Stop();
  const std::string deep = dir_.Path() + "/" + std::string(200, 't') + "/" + std::string(40, 'u');
  fs::create_directories(deep);
  {
    TEnv tmp("TMPDIR", deep.c_str());
    StartConverter();
  }
  TWordObject other(nullptr);
  other.SetFileName(fits);
  EXPECT_FALSE(other.Polling());
  EXPECT_EQ(PageflatClient().SentCount(), 0);
}

TEST_F(TWordOnFake, BitmapNamesAreNewWithinTheProcessAndPassOverFilesThatExist) {
  StartConverter();
  TPageflatClient& c = PageflatClient();
  const std::string a = c.NewBitmapPath();
  const std::string b = c.NewBitmapPath();
  EXPECT_NE(a, b);
  // A file with the next name already there is passed over.
  const unsigned long last = std::stoul(fs::path(b).stem().string());
  const std::string next = c.Folder() + std::to_string(last + 1) + ".Bmp";
  test::WriteFile(next, "x");
  const std::string d = c.NewBitmapPath();
  EXPECT_NE(d, next);
  EXPECT_EQ(d.rfind(c.Folder(), 0), 0u);
  struct stat st;
  ASSERT_EQ(::stat(c.Folder().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(TWordOnFake, AConverterThatTakesNoMoreIsNotWaitedFor) {
  {
    TEnv slow("FAKE_PAGEFLAT_DELAY_MS", "60000");  // it reads one request and renders a minute
    StartConverter();
  }
  TPageflatClient& c = PageflatClient();
  const TConvertRequest request{Document("a.doc", {"FF0000"}), c.Folder() + "x.Bmp", 8, 8, false};
  // Once the fake has taken the first request it reads no more; until then (a busy machine)
  // what it takes would leave room for one more.
  ASSERT_TRUE(c.Send(request));
  ASSERT_TRUE(platform::test::WaitForFiles(dir_.Path(), [&] { return Logged().size() == 1; }));
  int sent = 1;
  while (sent < 100000 && c.Send(request)) ++sent;
  EXPECT_LT(sent, 100000);  // the socket filled up, and Send said so at once
  EXPECT_EQ(c.SentCount(), sent);
  EXPECT_TRUE(c.Running());
  // A Word object then skips its request, as without a converter.
  TWordObject word(nullptr);
  word.SetFileName(request.Document);
  EXPECT_FALSE(word.Polling());
}

// ---- Records ------------------------------------------------------------------------------------

TEST_F(TWordOnFake, TheRecordStacksEveryPageInvertedWithReverse) {
  TEnv program("CORVANE_PAGEFLAT", FAKE_PAGEFLAT_PROGRAM);
  TWordObject word(nullptr);
  word.SetBounds(4, 2, 16, 8);
  word.SetFileName(Document("rgb.doc", {"FF0000", "00FF00", "0000FF"}));
  word.SetMethod(dmLeftMoveIn);
  word.SetSpeed(dsThree);
  // Red, green and blue are exact in 16 bits, and so are their inverses.
  EXPECT_EQ(test::RecordOf(word),
            PictureWindow({4, 2, 20, 10}, Filled(16, 8, {Cyan, Magenta, Yellow}), 8, 3, true));
  word.SetReverse(false);
  word.SetTransparent(false);
  EXPECT_EQ(test::RecordOf(word),
            PictureWindow({4, 2, 20, 10}, Filled(16, 8, {Red, Green, Blue}), 8, 3, false));
}

TEST_F(TWordOnFake, WordToBitmapResults) {
  TEnv program("CORVANE_PAGEFLAT", FAKE_PAGEFLAT_PROGRAM);
  TBitmap strip(8, StripHeight(8, 4), platform::pf16bit);
  const std::string three = Document("three.doc", {"FF0000", "00FF00", "0000FF"});
  struct TSeen {
    std::vector<int> Indexes;
    int RefuseAt = 0;
  };
  auto record = [](void* context, const TBitmap& page, int index, TBitmap& s, bool reverse,
                   int h, int w) {
    auto* seen = static_cast<TSeen*>(context);
    EXPECT_EQ(page.PixelFormat(), platform::pf16bit);
    EXPECT_EQ(page.Width(), 8);
    EXPECT_EQ(h, 4);
    EXPECT_EQ(w, 8);
    if (index == seen->RefuseAt) return false;
    seen->Indexes.push_back(index);
    return CopyPageToStrip(nullptr, page, index, s, reverse, h, w);
  };
  TSeen all;
  EXPECT_EQ(WordToBitmap(three, 8, 4, record, &all, strip, false), 4);  // n + 1
  EXPECT_EQ(all.Indexes, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(strip.GetPixel(7, 4), Green);
  TSeen refused;
  refused.RefuseAt = 2;
  EXPECT_EQ(WordToBitmap(three, 8, 4, record, &refused, strip, false), 2);
  EXPECT_EQ(refused.Indexes, (std::vector<int>{1}));

  EXPECT_EQ(WordToBitmap(dir_.File("missing.doc"), 8, 4, record, &all, strip, false), -2);
  EXPECT_EQ(WordToBitmap(Document("bad.doc", {"FF0000", "nonsense"}), 8, 4, record, &all, strip,
                         false),
            -4);
  {
    TEnv slow("FAKE_PAGEFLAT_DELAY_MS", "60000");
    EXPECT_EQ(WordToBitmap(three, 8, 4, record, &all, strip, false, 100), -2);  // time limit
  }
  {
    TEnv noOffice("FAKE_PAGEFLAT_EXIT", "2");
    EXPECT_EQ(WordToBitmap(three, 8, 4, record, &all, strip, false), -1);
  }
  {
    TEnv noConverter("CORVANE_PAGEFLAT", dir_.File("nothing").c_str());
    EXPECT_EQ(WordToBitmap(three, 8, 4, record, &all, strip, false), -1);
  }
}

TEST_F(TWordOnFake, TheStripTakesOnlyWholePagesThatFit) {
  TEnv program("CORVANE_PAGEFLAT", FAKE_PAGEFLAT_PROGRAM);
  TBitmap strip(4, 8, platform::pf16bit);  // two pages of 4 x 4
  const int k = WordToBitmap(Document("three.doc", {"FF0000", "00FF00", "0000FF"}), 4, 4,
                             CopyPageToStrip, nullptr, strip, true);
  EXPECT_EQ(k, 3);  // the third page did not fit and does not count
  EXPECT_TRUE(test::SamePixels(strip, Filled(4, 4, {Cyan, Magenta})));
}

TEST_F(TWordOnFake, ADocumentThatGivesNoPageSendsNothingAndThePageCountsOneObjectLess) {
  TLeaf page(nullptr);
  auto* text = new TText(&page);
  text->SetParent(&page);
  auto* word = new TWordObject(&page);
  word->SetParent(&page);
  word->SetBounds(0, 0, 16, 8);
  const std::string doc = Document("a.doc", {"FF0000"});
  word->SetFileName(doc);
  auto objectCount = [&] {
    TProgramStream s;
    page.SetRecordSelf(&s);
    return platform::LoadU16(s.Bytes().data() + 2);
  };
  {
    TEnv noConverter("CORVANE_PAGEFLAT", dir_.File("nothing").c_str());  // -1
    EXPECT_EQ(objectCount(), 1);
    EXPECT_TRUE(test::RecordOf(*word).empty());
  }
  TEnv program("CORVANE_PAGEFLAT", FAKE_PAGEFLAT_PROGRAM);
  EXPECT_EQ(objectCount(), 2);
  fs::remove(doc);  // -2
  EXPECT_EQ(objectCount(), 1);
  // Sizes without a whole page in the strip send nothing either, without running anything.
  Document("a.doc", {"FF0000"});
  for (auto [w, h] : {std::pair{0, 8}, {16, 0}, {16, 70000}}) {
    word->SetBounds(0, 0, w, h);
    EXPECT_TRUE(test::RecordOf(*word).empty()) << w << " x " << h;
  }
}

TEST_F(TWordOnFake, ARecordNeitherWaitsForNorStopsAPreviewRequest) {
  const std::string hold = dir_.File("hold");
  ASSERT_EQ(::mkfifo(hold.c_str(), 0600), 0);
  {
    TEnv held("FAKE_PAGEFLAT_HOLD", hold.c_str());
    StartConverter();
  }
  TEnv program("CORVANE_PAGEFLAT", FAKE_PAGEFLAT_PROGRAM);
  TWordObject word(nullptr);
  word.SetBounds(0, 0, 16, 8);
  word.SetFileName(Document("a.doc", {"0000FF"}));
  ASSERT_TRUE(word.Polling());
  // The preview is held back; the record is written all the same.
  EXPECT_EQ(test::RecordOf(word),
            PictureWindow({0, 0, 16, 8}, Filled(16, 8, {Yellow}), 1, 1, true));
  EXPECT_TRUE(word.Polling());
  ::close(::open(hold.c_str(), O_WRONLY));
  ASSERT_TRUE(WaitForBitmap());
  Tick();
  EXPECT_FALSE(word.Polling());
  EXPECT_TRUE(AllOf(word.Preview(), Yellow));
}

}  // namespace
}  // namespace model
