// The demo's window, offscreen, with a private copy of the built library loaded by its path and
// a recorder in place of message boxes. Form1Card runs it against the simulated card on a pty
// standing in for COM5; waits are on the title bar (QTest::qWaitFor), never sleeps.
#include <dlfcn.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Form1.h"
#include "MessageService.h"
#include "PanelcastLib.h"
#include "platform/base/ByteOrder.h"
#include "tools/cardsim/CardSim.h"

namespace {

using namespace std::chrono_literals;
using kestrel1::TForm1;
using platform::LoadU16;
using platform::LoadU32;

constexpr int Generous = 20000;  // ms; reached only when something is broken
const QString Automatic = QStringLiteral("处于自动开关屏模式，不能进行电源操作");

void StartApplication() {
  if (QCoreApplication::instance()) return;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "kestrel1_tests";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);
}

class TRecorder final : public kestrel1::TMessageService {
 public:
  struct TBox {
    QString Title, Text;
  };
  void Show(const QString& title, const QString& text) override { Boxes.push_back({title, text}); }
  std::vector<TBox> Boxes;
};

// A private copy of the built library, so each test loads one that has seen nothing yet.
struct TLibraryCopy {
  std::string Path = panelcast::test::CopyLibrary();
  ~TLibraryCopy() {
    if (!Path.empty()) unlink(Path.c_str());
  }
};

bool IsLoaded(const std::string& path) {
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (handle) dlclose(handle);  // drops only the reference this look took
  return handle != nullptr;
}

// A call of the copy the form has loaded: the same mapping, so the same options, notify record
// and devices.
template <typename F>
F LoadedCall(const std::string& path, const char* name) {
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (!handle) {
    ADD_FAILURE() << path << " is not loaded";
    return nullptr;
  }
  F call = reinterpret_cast<F>(dlsym(handle, name));
  dlclose(handle);
  if (!call) ADD_FAILURE() << "no call " << name;
  return call;
}

class Form1Window : public ::testing::Test {
 protected:
  void SetUp() override { StartApplication(); }
  void TearDown() override {
    if (form) form->close();
    form.reset();
    unsetenv("CORVANE_COM5");
  }

  void Make(const std::string& library) {
    form = std::make_unique<TForm1>(library, recorder);
    form->show();
  }
  QPushButton* Button(int n) const {
    return form->findChild<QPushButton*>(QStringLiteral("Command%1").arg(n));
  }
  QTimer* Timer1() const { return form->findChild<QTimer*>(QStringLiteral("Timer1")); }
  QString Title() const { return form->windowTitle(); }
  bool WaitTitle(const QString& title) {
    return QTest::qWaitFor([&] { return form->windowTitle() == title; }, Generous);
  }
  // Clicks button n and waits until the title says `title`; the title is cleared first so a
  // repeated text is a new one.
  bool ClickFor(int n, const QString& title) {
    form->setWindowTitle(QStringLiteral("-"));
    Button(n)->click();
    return WaitTitle(title);
  }

  TLibraryCopy library;
  TRecorder recorder;
  std::unique_ptr<TForm1> form;
};

TEST_F(Form1Window, ShowsItsControlsWithoutLoadingTheLibrary) {
  Make(library.Path);
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(QStringLiteral("Kestrel1"), Title());
  const char* captions[] = {"打开串口", "查询", "打开电源", "关闭电源", "发送数据", "电源状态"};
  for (int n = 1; n <= 6; ++n) {
    ASSERT_TRUE(Button(n)) << n;
    EXPECT_EQ(QString::fromUtf8(captions[n - 1]), Button(n)->text());
  }
  ASSERT_TRUE(form->findChild<QLabel*>(QStringLiteral("Picture1")));
  ASSERT_TRUE(Timer1());
  EXPECT_TRUE(Timer1()->isActive());
  EXPECT_EQ(1000, Timer1()->interval());
  EXPECT_EQ(0, form->DeviceIndex());

  // Picture1 packs without doubt in two-colour mode: only the four LED colours, each present.
  const QImage& picture = form->Picture();
  EXPECT_EQ(QSize(128, 64), picture.size());
  EXPECT_EQ(QImage::Format_BGR888, picture.format());
  std::set<QRgb> colours;
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x) colours.insert(picture.pixel(x, y) & 0xFFFFFF);
  EXPECT_EQ((std::set<QRgb>{0x000000, 0xFF0000, 0x00FF00, 0xFFFF00}), colours);

  // Nothing was clicked: closing does not load the library to close it.
  form->close();
  EXPECT_FALSE(IsLoaded(library.Path));
  EXPECT_TRUE(recorder.Boxes.empty());
}

TEST_F(Form1Window, MissingLibraryGivesTheLoadMessageAndNothingElse) {
  const std::string missing = "libpanelcast-missing-kestrel1.so";
  Make(missing);
  EXPECT_TRUE(form->isVisible());
  for (int n = 1; n <= 6; ++n) {
    Button(n)->click();
    ASSERT_EQ(size_t(n), recorder.Boxes.size()) << n;
    const auto& box = recorder.Boxes.back();
    EXPECT_EQ(QStringLiteral("提示信息"), box.Title);
    EXPECT_TRUE(box.Text.contains(QString::fromStdString(missing))) << box.Text.toStdString();
    // The loader's own reason.
    EXPECT_TRUE(box.Text.contains(QStringLiteral("cannot open shared object file")))
        << box.Text.toStdString();
    EXPECT_EQ(QStringLiteral("Kestrel1"), Title());
  }
  EXPECT_TRUE(Timer1()->isActive());  // sending stopped nothing
  form->close();
  EXPECT_EQ(6u, recorder.Boxes.size());
}

TEST_F(Form1Window, TheNextClickTriesTheLibraryAgain) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::temp_directory_path() / ("kestrel1-" + std::to_string(getpid()));
  fs::remove_all(folder);
  const std::string path = (folder / "libpanelcast.so").string();
  Make(path);
  Button(2)->click();
  ASSERT_EQ(1u, recorder.Boxes.size());

  fs::create_directories(folder);
  fs::copy_file(library.Path, path);
  // Loaded now; the port does not open, which only the library can say.
  ::setenv("CORVANE_COM5", "/dev/does-not-exist-kestrel1", 1);
  Button(1)->click();
  ASSERT_EQ(2u, recorder.Boxes.size());
  EXPECT_EQ(QStringLiteral("无法打开指定端口"), recorder.Boxes.back().Text);
  EXPECT_TRUE(IsLoaded(path));
  form->close();
  fs::remove_all(folder);
}

TEST_F(Form1Window, FailedOpenShowsTheBoxAndKeepsTheTitle) {
  ::setenv("CORVANE_COM5", "/dev/does-not-exist-kestrel1", 1);
  Make(library.Path);
  Button(1)->click();
  ASSERT_EQ(1u, recorder.Boxes.size());
  EXPECT_EQ(QStringLiteral("提示信息"), recorder.Boxes[0].Title);
  EXPECT_EQ(QStringLiteral("无法打开指定端口"), recorder.Boxes[0].Text);
  EXPECT_EQ(QStringLiteral("Kestrel1"), Title());
  EXPECT_EQ(0, form->DeviceIndex());
}

TEST_F(Form1Window, MissingCallIsNamedWhenItsButtonIsClicked) {
  Make(PARTIAL_LIBRARY);
  Button(1)->click();
  EXPECT_TRUE(recorder.Boxes.empty());
  EXPECT_EQ(QStringLiteral("打开串口成功"), Title());
  EXPECT_EQ(3, form->DeviceIndex());

  form->setWindowTitle(QStringLiteral("-"));
  Button(2)->click();
  ASSERT_EQ(1u, recorder.Boxes.size());
  EXPECT_TRUE(recorder.Boxes[0].Text.contains(QStringLiteral("LED_Query")))
      << recorder.Boxes[0].Text.toStdString();
  EXPECT_TRUE(recorder.Boxes[0].Text.contains(QStringLiteral("undefined symbol")))
      << recorder.Boxes[0].Text.toStdString();
  Button(5)->click();
  ASSERT_EQ(2u, recorder.Boxes.size());
  EXPECT_TRUE(recorder.Boxes[1].Text.contains(QStringLiteral("MakeRoot")));
  EXPECT_TRUE(Timer1()->isActive());
  EXPECT_EQ(QStringLiteral("-"), Title());
}

TEST(Kestrel1Program, IsNotLinkedAgainstTheLibrary) {
  FILE* pipe = popen("readelf -d '" KESTREL1_PROGRAM "'", "r");
  ASSERT_TRUE(pipe);
  std::string dynamic;
  std::array<char, 4096> chunk;
  while (size_t n = fread(chunk.data(), 1, chunk.size(), pipe)) dynamic.append(chunk.data(), n);
  ASSERT_EQ(0, pclose(pipe)) << dynamic;
  ASSERT_NE(std::string::npos, dynamic.find("(NEEDED)")) << dynamic;
  EXPECT_EQ(std::string::npos, dynamic.find("libpanelcast")) << dynamic;
  // Found by name at the first click: LD_LIBRARY_PATH first (RUNPATH, not RPATH), then beside
  // the program, and never in the current folder (an empty entry).
  EXPECT_EQ(std::string::npos, dynamic.find("(RPATH)")) << dynamic;
  const size_t at = dynamic.find("(RUNPATH)");
  ASSERT_NE(std::string::npos, at) << dynamic;
  const size_t open = dynamic.find('[', at), close = dynamic.find(']', at);
  ASSERT_LT(open, close);
  const std::string runpath = dynamic.substr(open + 1, close - open - 1);
  EXPECT_EQ(0u, runpath.find("$ORIGIN:")) << runpath;
  EXPECT_EQ(std::string::npos, runpath.find("::")) << runpath;
  EXPECT_NE(':', runpath.back()) << runpath;
  // In the build tree, beside the program is the built library.
  namespace fs = std::filesystem;
  EXPECT_TRUE(fs::equivalent(fs::path(KESTREL1_PROGRAM).parent_path() / "libpanelcast.so",
                             PANELCAST_LIBRARY));
}

// ---- Against the simulated card --------------------------------------------------------------

class Form1Card : public Form1Window {
 protected:
  void SetUp() override {
    Form1Window::SetUp();
    sim.AddCard(0);
    std::string error;
    ASSERT_TRUE(sim.StartPty(&error)) << error;
    ::setenv("CORVANE_COM5", sim.PtyPath().c_str(), 1);
    Make(library.Path);
  }
  void TearDown() override {
    Form1Window::TearDown();
    EXPECT_TRUE(recorder.Boxes.empty());
  }

  void Open() {
    Button(1)->click();
    ASSERT_EQ(QStringLiteral("打开串口成功"), Title());
  }

  template <typename F>
  F Call(const char* name) {
    return LoadedCall<F>(library.Path, name);
  }

  cardsim::TCardSim sim{cardsim::TCardSimOptions{.AnswerTimeoutMs = 200, .Retries = 3}};
};

TEST_F(Form1Card, ButtonsDriveTheCard) {
  Open();
  ASSERT_TRUE(ClickFor(2, QStringLiteral("查询状态成功")));
  const auto frames = sim.Frames();
  std::vector<cardsim::TFrameRecord> queries;
  for (const auto& f : frames)
    if (f.Direction == cardsim::fdIn && f.Kind == cardsim::mkQuery) queries.push_back(f);
  ASSERT_EQ(1u, queries.size());
  EXPECT_EQ(0, queries[0].Destination);

  ASSERT_TRUE(ClickFor(4, QStringLiteral("电源已关闭")));
  EXPECT_EQ(0u, sim.Card(0)->Power);
  ASSERT_TRUE(ClickFor(6, QStringLiteral("电源已关闭")));
  ASSERT_TRUE(ClickFor(3, QStringLiteral("电源已打开")));
  EXPECT_EQ(1u, sim.Card(0)->Power);
  ASSERT_TRUE(ClickFor(6, QStringLiteral("电源已打开")));

  ASSERT_TRUE(sim.SetAutomatic(0, true, false));
  ASSERT_TRUE(ClickFor(4, Automatic));
  EXPECT_EQ(1u, sim.Card(0)->Power);
  ASSERT_TRUE(ClickFor(3, Automatic));

  // The rows of the calls the demo has no button for, on the same loaded copy and device.
  const int32_t device = form->DeviceIndex();
  auto adjustTime = Call<decltype(&LED_AdjustTime)>("LED_AdjustTime");
  auto getBrightness = Call<decltype(&LED_GetBrightness)>("LED_GetBrightness");
  auto setBrightness = Call<decltype(&LED_SetBrightness)>("LED_SetBrightness");
  ASSERT_TRUE(adjustTime && getBrightness && setBrightness);
  form->setWindowTitle(QStringLiteral("-"));
  adjustTime(device, 0, "192.168.0.99", 6666);
  ASSERT_TRUE(WaitTitle(QStringLiteral("时钟校正完成")));
  EXPECT_TRUE(sim.Card(0)->Clock.has_value());
  form->setWindowTitle(QStringLiteral("-"));
  getBrightness(device, 0, "192.168.0.99", 6666);
  ASSERT_TRUE(WaitTitle(QStringLiteral("显示屏亮度为：7")));
  form->setWindowTitle(QStringLiteral("-"));
  setBrightness(device, 0, "192.168.0.99", 6666, 3);
  ASSERT_TRUE(WaitTitle(QStringLiteral("亮度调整完毕")));
  EXPECT_EQ(3u, sim.Card(0)->Brightness);
}

// The card's program, read with the program stream's layouts.
struct TProgramLayout {
  static constexpr size_t Header = 0, Page = 12, Item = 28, Block = 56, Pixels = 68;
};

TEST_F(Form1Card, SendsPicture1) {
  Open();
  EXPECT_TRUE(Timer1()->isActive());
  Button(5)->click();
  EXPECT_FALSE(Timer1()->isActive());
  EXPECT_EQ(QStringLiteral("正在发送数据..."), Title());
  ASSERT_TRUE(WaitTitle(QStringLiteral("发送完成")));
  const auto got = sim.WaitForTransfer(20s);
  ASSERT_TRUE(got);
  EXPECT_EQ(1u, sim.Transfers().size());
  EXPECT_EQ(0, got->Card);
  const std::vector<uint8_t>& data = got->Data;

  // (a) What a second copy of the library builds from Picture1 with the same calls, sent over
  // UDP to another simulated card.
  {
    auto lib = panelcast::test::TPanelcastLib::Load();
    ASSERT_TRUE(lib);
    cardsim::TCardSim udp;
    udp.AddCard(0);
    std::string error;
    ASSERT_TRUE(udp.StartUdp(0, "127.0.0.1", &error)) << error;
    TDeviceRecord record;
    std::memset(&record, 0, sizeof record);
    record.LinkKind = LED_LINK_UDP;
    const int32_t device = lib->LED_Open(&record, 0, 0, kestrel1::NotifyMessage);
    ASSERT_GE(device, 0);
    const QImage& picture = form->Picture();
    const TLEDImage image = {picture.constBits(), int32_t(picture.bytesPerLine()), 128, 64};
    const TLEDRect rect = {0, 0, 128, 64};
    ASSERT_EQ(1, lib->MakeRoot(17, 2));
    ASSERT_EQ(1, lib->AddLeaf(1000));
    ASSERT_EQ(1, lib->AddWindow(&image, 128, 64, &rect, 1, 1, 1));
    lib->LED_SendToScreen(device, 0, "127.0.0.1", udp.UdpPort());
    const auto rebuilt = udp.WaitForTransfer(20s);
    lib->LED_Close(device);
    ASSERT_TRUE(rebuilt);
    EXPECT_EQ(rebuilt->Data, data);
  }

  // (b) The layouts: header, one page, one picture item, one two-colour pixel block.
  using L = TProgramLayout;
  const size_t words = 128 * (64 / 16);
  ASSERT_EQ(L::Pixels + words * 4, data.size());
  const uint8_t* p = data.data();
  EXPECT_EQ(17, LoadU16(p + L::Header));
  EXPECT_EQ(1, LoadU16(p + L::Header + 2));
  EXPECT_EQ(data.size(), LoadU32(p + L::Header + 4));
  EXPECT_EQ(2, LoadU16(p + L::Header + 8));
  EXPECT_EQ(48, LoadU16(p + L::Page));
  EXPECT_EQ(1, LoadU16(p + L::Page + 2));
  EXPECT_EQ(1000u, LoadU32(p + L::Page + 4));
  EXPECT_EQ(data.size() - L::Page, LoadU32(p + L::Page + 12));
  EXPECT_EQ(49, LoadU16(p + L::Item));
  EXPECT_EQ(1, LoadU16(p + L::Item + 2));  // transparent
  EXPECT_EQ(data.size() - L::Item, LoadU32(p + L::Item + 4));
  const uint16_t bounds[] = {LoadU16(p + L::Item + 8), LoadU16(p + L::Item + 10),
                             LoadU16(p + L::Item + 12), LoadU16(p + L::Item + 14)};
  EXPECT_EQ(0, bounds[0]);
  EXPECT_EQ(0, bounds[1]);
  EXPECT_EQ(128, bounds[2]);
  EXPECT_EQ(64, bounds[3]);
  EXPECT_EQ(1, LoadU16(p + L::Item + 16));  // effect
  EXPECT_EQ(1, LoadU16(p + L::Item + 18));  // speed
  EXPECT_EQ(54, LoadU16(p + L::Block));
  EXPECT_EQ(128, LoadU16(p + L::Block + 2));
  EXPECT_EQ(64, LoadU16(p + L::Block + 4));
  EXPECT_EQ(4, LoadU16(p + L::Block + 6));
  EXPECT_EQ(data.size() - L::Block, LoadU32(p + L::Block + 8));

  // (c) The pixel words: two bits a pixel, column by column, 16 rows a word from the high
  // bits, the higher bit of a pair green > 96, the lower red > 96.
  const QImage& picture = form->Picture();
  int mismatches = 0;
  for (int x = 0; x < 128; ++x) {
    for (int w = 0; w < 4; ++w) {
      const uint32_t word = LoadU32(p + L::Pixels + (size_t(x) * 4 + w) * 4);
      for (int r = 0; r < 16; ++r) {
        const int y = w * 16 + r;
        const QRgb pixel = picture.pixel(x, y);
        const bool green = word & (1u << (31 - 2 * r));
        const bool red = word & (1u << (30 - 2 * r));
        if (green != (qGreen(pixel) > 96) || red != (qRed(pixel) > 96)) ++mismatches;
      }
    }
  }
  EXPECT_EQ(0, mismatches);
}

TEST_F(Form1Card, TimeOutsShowInTheTitle) {
  Open();
  auto setOption = Call<decltype(&LED_SetOption)>("LED_SetOption");
  ASSERT_TRUE(setOption);
  ASSERT_EQ(1, setOption(LED_OPTION_TIMEOUT, 51));
  ASSERT_EQ(1, setOption(LED_OPTION_RETRIES, 2));

  const cardsim::TFaultRule dropQueryAnswers{
      .Action = cardsim::faDropAnswer, .Kind = cardsim::mkQuery, .Times = 0};
  sim.AddFault(dropQueryAnswers);
  ASSERT_TRUE(ClickFor(2, QStringLiteral("传送超时")));
  // The good query gets the default time-out, so a busy machine cannot turn it into a lost one.
  sim.ClearFaults();
  ASSERT_EQ(1, setOption(LED_OPTION_TIMEOUT, 2500));
  ASSERT_TRUE(ClickFor(2, QStringLiteral("查询状态成功")));
  ASSERT_EQ(1, setOption(LED_OPTION_TIMEOUT, 51));

  // The library's valid flag has been set for a while; the time-out still shows.
  auto getNotify = Call<decltype(&LED_GetNotifyMessage)>("LED_GetNotifyMessage");
  ASSERT_TRUE(getNotify);
  TNotifyRecord record;
  EXPECT_EQ(1, getNotify(&record));
  sim.AddFault(dropQueryAnswers);
  ASSERT_TRUE(ClickFor(2, QStringLiteral("传送超时")));

  // A send whose blocks never arrive ends in the time-out, not in "sending".
  sim.ClearFaults();
  sim.AddFault({.Action = cardsim::faDrop, .Kind = cardsim::mkBlock, .Times = 0});
  Button(5)->click();
  EXPECT_EQ(QStringLiteral("正在发送数据..."), Title());
  ASSERT_TRUE(WaitTitle(QStringLiteral("传送超时")));
  EXPECT_TRUE(sim.Transfers().empty());
}

TEST_F(Form1Card, ButtonsBeforeAnyOpenSendNothing) {
  for (int n : {2, 3, 4, 6}) {
    Button(n)->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(QStringLiteral("Kestrel1"), Title()) << n;
  }
  // The send sets its title before it sends, as always; there is no link to send on.
  Button(5)->click();
  QCoreApplication::processEvents();
  EXPECT_TRUE(sim.Frames().empty());

  // The line works: what the card sees from here on is the one query after the open.
  Open();
  ASSERT_TRUE(ClickFor(2, QStringLiteral("查询状态成功")));
  for (const auto& f : sim.Frames()) {
    const bool query = f.Direction == cardsim::fdIn && f.Kind == cardsim::mkQuery;
    const bool answer = f.Direction == cardsim::fdOut && f.Kind == cardsim::mkAnswer;
    EXPECT_TRUE(query || answer) << "kind " << f.Kind;
  }
  EXPECT_EQ(1u, sim.CountFrames(cardsim::fdIn, cardsim::mkQuery));
  EXPECT_TRUE(sim.Transfers().empty());
}

TEST_F(Form1Card, ClosingTheFormClosesTheLink) {
  Open();
  const auto lockable = [&] {
    const int fd = ::open(sim.PtyPath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return locked;
  };
  EXPECT_FALSE(lockable());  // the link holds the port
  form->close();
  EXPECT_TRUE(lockable());
  EXPECT_TRUE(IsLoaded(library.Path));  // closed, never unloaded
}

}  // namespace
