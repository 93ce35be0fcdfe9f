// Saving and loading the project tree as object text.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "TempDir.h"
#include "TreeFixtures.h"
#include "model/ComponentManager.h"
#include "model/FormConstructEx.h"
#include "model/IDCreater.h"
#include "model/LoadMode.h"
#include "model/Lzss.h"
#include "model/ObjectText.h"
#include "platform/base/AtomicFile.h"
#include "platform/base/GbkText.h"
#include "platform/base/StopRequest.h"
#include "platform/component/ClassInfo.h"
#include "platform/component/Strings.h"

using namespace model;
using model::test::TTempDir;
using platform::TComponent;
using platform::Utf8ToGbk;

namespace {

// Every name and text the reader makes is also worked out by walking the tree; a difference
// aborts the test program.
const bool kNamingChecked = (model::TNamingIndex::SetCrossCheck(true), true);

// Records the load mode it was made in.
class TModeRecorder : public platform::TGraphicControl {
  DECLARE_CLASS_INFO()
  explicit TModeRecorder(TComponent* owner) : TGraphicControl(owner) {
    Modes().push_back(LoadMode());
  }
  static std::vector<int>& Modes() {
    static std::vector<int> modes;
    return modes;
  }
};

const platform::TClassInfo& TModeRecorder::StaticClassInfo() {
  static const platform::TClassInfo info =
      platform::TClassBuilder<TModeRecorder, platform::TGraphicControl>("TModeRecorder").Build();
  return info;
}

// Makes a helper component of an unregistered class for itself, as some display objects do.
class TWithHelper : public platform::TWinControl {
  DECLARE_CLASS_INFO()
  explicit TWithHelper(TComponent* owner) : TWinControl(owner) { new TComponent(this); }
};

const platform::TClassInfo& TWithHelper::StaticClassInfo() {
  static const platform::TClassInfo info =
      platform::TClassBuilder<TWithHelper, platform::TWinControl>("TWithHelper").Build();
  return info;
}

// The tree's classes, the fixture display objects and the two classes above.
const TComponentManager& Registry() {
  static TComponentManager registry(nullptr);
  static const bool filled = [] {
    for (const platform::TClassInfo* cls :
         {&TLEDScreen::StaticClassInfo(), &TLeaf::StaticClassInfo(),
          &TMultiCard::StaticClassInfo(), &TCards::StaticClassInfo(),
          &test::TPictureObject::StaticClassInfo(), &test::TStringObject::StaticClassInfo(),
          &test::TSilentObject::StaticClassInfo(), &TModeRecorder::StaticClassInfo(),
          &TWithHelper::StaticClassInfo()})
      registry.RegisterClass(*cls);
    return true;
  }();
  (void)filled;
  return registry;
}

std::string Fixture(const char* name) {
  return std::string(CORVANE_FIXTURES) + "/tree/" + name;
}

std::string ReadFile(const std::string& path) {
  std::string content;
  EXPECT_TRUE(platform::ReadWholeFile(path, content)) << path;
  return content;
}

void WriteFile(const std::string& path, const std::string& content) {
  ASSERT_TRUE(platform::SaveFileAtomic(path, content.data(), content.size()));
}

// The saved bytes of `root`.
std::string Saved(TConstructer& root, const TTempDir& dir) {
  const std::string path = dir.File("saved.spj");
  EXPECT_TRUE(root.SaveToFile(path, Registry()));
  return ReadFile(path);
}

// Every published property of two objects, recursively through sub-objects; string lists
// (property tables included) line by line; components held by a property by name only (they
// are compared as part of the tree).
void ExpectSameObject(platform::TObject& a, platform::TObject& b, const std::string& where) {
  ASSERT_EQ(a.ClassName(), b.ClassName()) << where;
  for (const platform::TPropInfo* p : a.ClassInfo().Properties()) {
    const std::string at = where + "." + p->Name();
    switch (p->Kind()) {
      case platform::tkInteger:
      case platform::tkEnumeration:
      case platform::tkSet:
        EXPECT_EQ(p->GetOrd(a), p->GetOrd(b)) << at;
        break;
      case platform::tkFloat:
        EXPECT_EQ(p->GetFloat(a), p->GetFloat(b)) << at;
        break;
      case platform::tkString:
        EXPECT_EQ(p->GetStr(a), p->GetStr(b)) << at;
        break;
      case platform::tkClass: {
        platform::TObject* x = p->GetObject(a);
        platform::TObject* y = p->GetObject(b);
        ASSERT_EQ(x == nullptr, y == nullptr) << at;
        if (!x) break;
        if (auto* lines = dynamic_cast<platform::TStrings*>(x)) {
          auto* other = dynamic_cast<platform::TStrings*>(y);
          ASSERT_NE(other, nullptr) << at;
          EXPECT_EQ(std::vector<std::string>(lines->begin(), lines->end()),
                    std::vector<std::string>(other->begin(), other->end()))
              << at;
        } else if (auto* c = dynamic_cast<TComponent*>(x)) {
          EXPECT_EQ(c->Name(), dynamic_cast<TComponent*>(y)->Name()) << at;
        } else {
          ExpectSameObject(*x, *y, at);
        }
        break;
      }
      default:
        break;
    }
  }
}

void ExpectSameTree(TComponent& a, TComponent& b, const std::string& where) {
  ExpectSameObject(a, b, where);
  auto* ca = dynamic_cast<platform::TControl*>(&a);
  auto* cb = dynamic_cast<platform::TControl*>(&b);
  if (ca && cb) {
    EXPECT_EQ(ca->Parent() ? ca->Parent()->Name() : "", cb->Parent() ? cb->Parent()->Name() : "")
        << where;
  }
  ASSERT_EQ(a.ComponentCount(), b.ComponentCount()) << where;
  for (int i = 0; i < a.ComponentCount(); ++i)
    ExpectSameTree(*a.Components(i), *b.Components(i), where + "/" + a.Components(i)->Name());
}

void ExpectSameProject(TConstructer& a, TConstructer& b) {
  ASSERT_EQ(a.ComponentCount(), b.ComponentCount());
  for (int i = 0; i < a.ComponentCount(); ++i)
    ExpectSameTree(*a.Components(i), *b.Components(i), a.Components(i)->Name());
}

template <class C>
C* Make(TConstructer& root, TComponent* owner, const std::string& textPrefix = "") {
  const std::string& cls = C::StaticClassInfo().ClassName();
  const int n = IDCreater().NewNameNumber(root, cls);
  auto* c = new C(owner);
  c->SetName(cls.substr(1) + std::to_string(n));
  if constexpr (requires { c->SetText(""); })
    c->SetText(textPrefix + std::to_string(IDCreater().NewTextNumber(root, textPrefix)));
  return c;
}

// A project with every link kind, a cascade screen with two sub-cards, pages with display
// times and display objects; named in file order, as a load names them.
void BuildProject(TConstructer& root) {
  TLEDScreen* serial = root.GetScreen(0);
  serial->SetAddress(1);
  serial->Communicate().SetCommunicationType(ctCom);
  serial->Communicate().SetComPort(3);
  serial->Communicate().SetSpeed(cs19200);
  serial->Communicate().SetZFlowControl(fcHardWare);
  TLeaf* page = root.GetLeaf(0, 0);
  page->SetDisplayTime(5);
  auto* picture = Make<test::TPictureObject>(root, page, Utf8ToGbk("图片"));
  picture->SetBounds(10, 20, 33, 17);
  auto* text = Make<test::TStringObject>(root, page, Utf8ToGbk("内码文本"));
  text->SetLines("it's " + Utf8ToGbk("北京"));
  Make<test::TSilentObject>(root, page);
  TLeaf* second = root.AddLeaf(0);
  second->SetDisplayTime(4294968);
  second->SetActive(false);

  TLEDScreen* rs485 = root.AddScreen(Utf8ToGbk("北门"));
  rs485->Communicate().SetCommunicationType(ct485);
  rs485->Communicate().SetComPort(2);
  rs485->SetScreenWidth(128);
  rs485->SetScreenHeight(32);
  rs485->SetPower(0);
  rs485->SetBright(3);
  rs485->SetAddress(255);

  TLEDScreen* cascade = root.AddScreen("");
  cascade->Communicate().SetIP("127.0.0.1");
  cascade->Communicate().SetLocalPort(0);
  cascade->Communicate().SetRemotePort(7000);
  cascade->SetRelation(link_Multi);
  auto* sub0 = Make<TMultiCard>(root, &cascade->Cards(), Utf8ToGbk("子卡"));
  sub0->Communicate().SetCommunicationType(ctCom);
  sub0->Communicate().SetComPort(4);
  sub0->SetAddress(2);
  auto* sub1 = Make<TMultiCard>(root, &cascade->Cards(), Utf8ToGbk("子卡"));
  sub1->Communicate().SetIP("127.0.0.2");
  sub1->SetAddress(3);
  Make<test::TPictureObject>(root, root.GetLeaf(2, 0), Utf8ToGbk("图片"));
}

class TreeFile : public ::testing::Test {
 protected:
  void SetUp() override { SetLoadMode(LoadModeNormal); }
  void TearDown() override { SetLoadMode(LoadModeNormal); }

  TTempDir dir_;
};

}  // namespace

TEST_F(TreeFile, ANewProjectSavesAsTheHandWrittenFile) {
  TConstructer root(nullptr);
  EXPECT_EQ(Saved(root, dir_), ReadFile(Fixture("new-project.spj")));

  // By default the program's registry is the one used.
  for (const platform::TClassInfo* cls :
       {&TLEDScreen::StaticClassInfo(), &TLeaf::StaticClassInfo(), &TMultiCard::StaticClassInfo(),
        &TCards::StaticClassInfo()})
    if (!ComponentManager().IsRegistered(*cls)) ComponentManager().RegisterClass(*cls);
  const std::string path = dir_.File("default.spj");
  ASSERT_TRUE(root.SaveToFile(path));
  EXPECT_EQ(ReadFile(path), ReadFile(Fixture("new-project.spj")));
  TConstructer loaded(nullptr);
  EXPECT_TRUE(loaded.LoadFromFile(path));
  ExpectSameProject(root, loaded);
}

TEST_F(TreeFile, ABuiltProjectLoadsAsItWasAndSavesTheSameBytes) {
  TConstructer root(nullptr);
  BuildProject(root);
  const std::string first = Saved(root, dir_);

  TConstructer loaded(nullptr);
  ASSERT_TRUE(loaded.LoadFromFile(dir_.File("saved.spj"), Registry()));
  EXPECT_FALSE(loaded.Modify());
  ExpectSameProject(root, loaded);
  // What the comparison above reached through properties, once more by hand.
  ASSERT_EQ(loaded.ScreenCount(), 3);
  EXPECT_EQ(loaded.GetScreen(1)->Communicate().CommunicationType(), ct485);
  EXPECT_EQ(loaded.GetLeaf(0, 1)->DisplayTime(), 4294968u);
  EXPECT_FALSE(loaded.GetLeaf(0, 1)->Active());
  EXPECT_FALSE(loaded.GetLeaf(0, 1)->RepaintTimer().Enabled());
  EXPECT_EQ(loaded.GetScreen(2)->Cards().Name(), "MulCard");
  ASSERT_EQ(loaded.GetScreen(2)->Cards().SubCards().size(), 2u);
  EXPECT_EQ(loaded.GetScreen(2)->Cards().SubCards()[1]->Communicate().IP(), "127.0.0.2");
  EXPECT_EQ(loaded.GetScreen(2)->PropertyTable()[7], Utf8ToGbk("Cards|子卡参数|$00808000"));
  auto* text = dynamic_cast<test::TStringObject*>(loaded.GetLeaf(0, 0)->Components(1));
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->Lines(), "it's " + Utf8ToGbk("北京"));
  EXPECT_EQ(text->Parent(), loaded.GetLeaf(0, 0));

  EXPECT_EQ(Saved(loaded, dir_), first);
}

TEST_F(TreeFile, NamesWithGapsAreRenumberedThenLoadAndSaveAreStable) {
  TConstructer root(nullptr);
  ASSERT_TRUE(root.LoadFromFile(Fixture("gaps.spj"), Registry()));
  ASSERT_EQ(root.ScreenCount(), 1);
  TLEDScreen* screen = root.GetScreen(0);
  EXPECT_EQ(screen->Name(), "LEDScreen0");
  EXPECT_EQ(screen->Text(), Utf8ToGbk("控制卡1"));
  ASSERT_EQ(root.GetLeafCount(0), 2);
  EXPECT_EQ(root.GetLeaf(0, 0)->Name(), "Leaf0");
  EXPECT_EQ(root.GetLeaf(0, 0)->Text(), Utf8ToGbk("显示页面2"));
  EXPECT_EQ(root.GetLeaf(0, 1)->Name(), "Leaf1");
  EXPECT_EQ(root.GetLeaf(0, 0)->Components(0)->Name(), "PictureObject0");
  EXPECT_EQ(screen->Cards().Name(), "MulCard");
  ASSERT_EQ(screen->Cards().SubCards().size(), 1u);
  TMultiCard* sub = screen->Cards().SubCards()[0];
  EXPECT_EQ(sub->Name(), "MultiCard0");
  EXPECT_EQ(sub->Text(), Utf8ToGbk("子卡7"));
  EXPECT_EQ(sub->Communicate().ComPort(), 3);
  EXPECT_EQ(sub->PropertyTable()[sub->PropertyTable().Count() - 3],
            Utf8ToGbk("Communicate.ComPort|串口号|$000000F0"));
  EXPECT_EQ(screen->Relation(), link_Multi);
  EXPECT_EQ(screen->Communicate().CommunicationType(), ctCom);

  const std::string once = Saved(root, dir_);
  TConstructer again(nullptr);
  ASSERT_TRUE(again.LoadFromFile(dir_.File("saved.spj"), Registry()));
  ExpectSameProject(root, again);
  EXPECT_EQ(Saved(again, dir_), once);
}

TEST_F(TreeFile, EveryScreenIsInStateOneAfterLoading) {
  TConstructer root(nullptr);
  BuildProject(root);
  root.GetScreen(0)->SetStatus(6);
  root.GetScreen(2)->SetStatus(33);
  const std::string text = Saved(root, dir_);
  EXPECT_NE(text.find("Status=33"), std::string::npos);
  TConstructer loaded(nullptr);
  ASSERT_TRUE(loaded.LoadFromFile(dir_.File("saved.spj"), Registry()));
  for (TLEDScreen* screen : loaded.Screens()) EXPECT_EQ(screen->Status(), 1);
}

TEST_F(TreeFile, UnreadableOrInvalidTextGivesTheDefaultProject) {
  const std::string cases[] = {
      "Object LEDScreen0:TUnknown\r\nEnd\r\n",                    // unregistered class
      "Object LEDScreen0 TLEDScreen\r\nEnd\r\n",                  // malformed header
      "Object LEDScreen0:TLEDScreen\r\n  Width 5\r\nEnd\r\n",     // no "="
      "Object LEDScreen0:TLEDScreen\r\n  Object Leaf0:TLeaf\r\n"  // a later failure
      "  End\r\n  Communicate.=1\r\nEnd\r\n",
      "Object Helper0:TWithHelper\r\nEnd\r\n",  // an unregistered component on level 2
      "",                                           // no object block at all: no project file
      "\r\n  \t\r\n// a comment\r\n   // and another",
      "End\r\nEnd\r\nObject LEDScreen0:TLEDScreen\r\nEnd\r\n",  // a header with no object current
      "Object LEDScreen0:TLEDScreen\r\n  Object Leaf0:TLeaf\r\n  End\r\n",  // cut short
  };
  for (const std::string& text : cases) {
    const std::string path = dir_.File("bad.spj");
    WriteFile(path, text);
    TConstructer root(nullptr);
    BuildProject(root);
    root.SetModify(false);
    EXPECT_FALSE(root.LoadFromFile(path, Registry())) << text;
    EXPECT_EQ(LoadMode(), LoadModeNormal);
    EXPECT_TRUE(root.Modify());
    ASSERT_EQ(root.ComponentCount(), 1) << text;
    TLEDScreen* screen = root.GetScreen(0);
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->Name(), "LEDScreen0");
    EXPECT_EQ(screen->Text(), Utf8ToGbk("控制卡0"));
    EXPECT_EQ(screen->Status(), 1);
    ASSERT_EQ(root.GetLeafCount(0), 1);
    EXPECT_EQ(root.GetLeaf(0, 0)->Name(), "Leaf0");
    EXPECT_EQ(root.GetLeaf(0, 0)->Text(), Utf8ToGbk("显示页面0"));
    // Made while reading: no container until Cards is read.
    EXPECT_EQ(screen->ComponentCount(), 1);
    EXPECT_EQ(screen->Cards().Name(), "MultiCard");
    EXPECT_EQ(screen->ComponentCount(), 2);
  }
}

// A project text cut after any of its lines reads only when every block it opened was closed:
// one that ends inside a screen, page, object or a sub-object's lines is damaged. Plain and
// packed alike.
TEST_F(TreeFile, ATextCutInsideABlockDoesNotRead) {
  TConstructer root(nullptr);
  BuildProject(root);
  const std::string text = Saved(root, dir_);
  ASSERT_NE(text.find("  Communicate.IP="), std::string::npos);
  int depth = 0;
  size_t cuts = 0, inside = 0;
  for (size_t at = 0; at < text.size(); ++cuts) {
    const size_t end = text.find("\r\n", at) + 2;
    const std::string line = text.substr(at, end - at);
    const std::string bare = line.substr(line.find_first_not_of(' '));
    if (bare.rfind("Object ", 0) == 0) ++depth;
    if (bare == "End\r\n") --depth;
    if (depth > 0) ++inside;
    for (bool packed : {false, true}) {
      SCOPED_TRACE(testing::Message() << "cut after line " << cuts + 1 << (packed ? ", packed" : ""));
      TDFMStream plain, input;
      plain.Write(text.data(), int32_t(end));
      if (packed) {
        plain.SetPosition(0);
        ASSERT_TRUE(LzssEncode(plain, input));
      }
      TConstructer into(nullptr);
      into.DestroyComponents();
      TLoadModeScope reading;
      EXPECT_EQ(ReadObjectText(into, into, packed ? input : plain, Registry(), packed), depth == 0);
    }
    at = end;
  }
  EXPECT_EQ(depth, 0);
  EXPECT_GT(inside, 50u);  // lines in screens, pages, objects and the link settings' lines
}

// A program asked to end (a signal) whose request has waited too long, the load keeping the
// loop from it, does not finish reading: the read gives up and the load leaves the default
// project. A request just made lets the read finish, as the loop will see it soon.
TEST_F(TreeFile, ALoadGivesUpWhenTheProgramIsAskedToEnd) {
  TConstructer root(nullptr);
  BuildProject(root);
  Saved(root, dir_);
  platform::RequestStop();
  TConstructer fresh(nullptr);
  EXPECT_TRUE(fresh.LoadFromFile(dir_.File("saved.spj"), Registry()));
  platform::ClearStopRequest();
  platform::RequestStopAt(std::chrono::steady_clock::now() - std::chrono::seconds(1));
  TConstructer loaded(nullptr);
  const bool read = loaded.LoadFromFile(dir_.File("saved.spj"), Registry());
  platform::ClearStopRequest();
  EXPECT_FALSE(read);
  EXPECT_EQ(loaded.ScreenCount(), 1);
  EXPECT_EQ(loaded.GetLeafCount(0), 1);
  // And reads whole once the request is gone.
  EXPECT_TRUE(loaded.LoadFromFile(dir_.File("saved.spj"), Registry()));
  EXPECT_EQ(loaded.ScreenCount(), 3);
}

TEST_F(TreeFile, TheValidTreeCheckLooksAtTwoLevels) {
  // Below a screen, the helper sits on the third level, which is not checked.
  const std::string text =
      "Object LEDScreen0:TLEDScreen\r\n"
      "  Object Leaf0:TLeaf\r\n"
      "    Object Helper1:TWithHelper\r\n"
      "    End\r\n"
      "  End\r\n"
      "  Object Helper0:TWithHelper\r\n"
      "  End\r\n"
      "End\r\n";
  const std::string path = dir_.File("helpers.spj");
  WriteFile(path, text);
  TConstructer root(nullptr);
  ASSERT_TRUE(root.LoadFromFile(path, Registry()));
  ASSERT_EQ(root.ScreenCount(), 1);
  EXPECT_EQ(root.GetLeafCount(0), 1);
  EXPECT_EQ(root.GetScreen(0)->ComponentCount(), 2);  // the text brought no container
  EXPECT_FALSE(root.Modify());
}

TEST_F(TreeFile, TheReadRunsInReadingModeAndEndsInNormalMode) {
  const std::string good =
      "Object LEDScreen0:TLEDScreen\r\n  Object Leaf0:TLeaf\r\n"
      "    Object ModeRecorder0:TModeRecorder\r\n    End\r\n  End\r\nEnd\r\n";
  const std::string bad = good + "Object X:TNothing\r\nEnd\r\n";
  for (bool readable : {true, false}) {
    const std::string& text = readable ? good : bad;
    const std::string path = dir_.File("modes.spj");
    WriteFile(path, text);
    SetLoadMode(LoadModeStart);
    TModeRecorder::Modes().clear();
    TConstructer root(nullptr);
    EXPECT_EQ(root.LoadFromFile(path, Registry()), readable);
    EXPECT_EQ(TModeRecorder::Modes(), std::vector<int>{LoadModeReading});
    EXPECT_EQ(LoadMode(), LoadModeNormal);
  }
}

TEST_F(TreeFile, AFileThatCannotBeReadLeavesTheTreeAlone) {
  const std::string fifo = dir_.File("pipe.spj");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string paths[] = {dir_.File("missing.spj"), dir_.Path(), fifo, "/dev/null"};
  for (const std::string& path : paths) {
    TConstructer root(nullptr);
    BuildProject(root);
    TLEDScreen* screen = root.GetScreen(1);
    screen->SetStatus(6);
    const int count = root.ComponentCount();
    SetLoadMode(LoadModeNormal);
    EXPECT_FALSE(root.LoadFromFile(path, Registry())) << path;
    EXPECT_EQ(root.ComponentCount(), count) << path;
    EXPECT_EQ(root.GetScreen(1), screen) << path;
    EXPECT_EQ(screen->Status(), 6) << path;
    EXPECT_TRUE(root.Modify());
  }
}

TEST_F(TreeFile, ASaveThatCannotBeWrittenReturnsFalse) {
  TConstructer root(nullptr);
  EXPECT_FALSE(root.SaveToFile("/dev/full", Registry()));
  EXPECT_FALSE(root.SaveToFile(dir_.File("no/such/folder.spj"), Registry()));
  EXPECT_FALSE(root.SaveToFile(dir_.Path(), Registry()));  // a folder
  EXPECT_TRUE(std::filesystem::is_directory(dir_.Path()));
}

TEST_F(TreeFile, AFileNameIsGbkText) {
  TConstructer root(nullptr);
  const std::string gbkName = dir_.Path() + "/" + Utf8ToGbk("工程.spj");
  ASSERT_TRUE(root.SaveToFile(gbkName, Registry()));
  EXPECT_TRUE(std::filesystem::is_regular_file(dir_.Path() + "/工程.spj"));
  TConstructer loaded(nullptr);
  EXPECT_TRUE(loaded.LoadFromFile(gbkName, Registry()));
}

TEST_F(TreeFile, ASaveMakesMissingContainersBeforeTheText) {
  // After a failed load the default screen has no container; the save makes it first, so the
  // file has its block as well as its Cards lines, and the next save gives the same bytes.
  const std::string path = dir_.File("bad.spj");
  WriteFile(path, "Object X:TNothing\r\nEnd\r\n");
  TConstructer root(nullptr);
  ASSERT_FALSE(root.LoadFromFile(path, Registry()));
  const std::string first = Saved(root, dir_);
  EXPECT_NE(first.find("  Object MultiCard:TCards\r\n"), std::string::npos);
  EXPECT_NE(first.find("  Cards.Name='MultiCard'\r\n"), std::string::npos);
  EXPECT_EQ(Saved(root, dir_), first);
  TConstructer loaded(nullptr);
  ASSERT_TRUE(loaded.LoadFromFile(dir_.File("saved.spj"), Registry()));
  EXPECT_EQ(Saved(loaded, dir_), first);
}
