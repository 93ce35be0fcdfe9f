// Project files and pastes whose blocks carry no Name line (written by hand, by a script or by
// another program): every component gets the name a Name line would give it, so the project
// saves as a text that opens again, and a second save gives the same bytes.
#include <gtest/gtest.h>

#include "model/IDCreater.h"

#include <string>
#include <vector>

#include "editor/core/Commands.h"
#include "editor/core/tests/CommandFakes.h"
#include "model/ComponentManager.h"
#include "model/DFMStream.h"
#include "model/FormConstructEx.h"
#include "model/LoadMode.h"
#include "model/ObjectText.h"
#include "platform/base/GbkText.h"

namespace editor {
namespace {

// Every name and text the reader makes is also worked out by walking the tree; a difference
// aborts the test program.
const bool kNamingChecked = (model::TNamingIndex::SetCrossCheck(true), true);

using platform::TComponent;

// Lines joined with CR LF, each ending in one.
std::string Lines(std::initializer_list<std::string> lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

// Every component below `root` as "Name:Class", depth first in ownership order.
void CollectNames(const TComponent& root, std::vector<std::string>& into) {
  for (const TComponent* c : root.OwnedComponents()) {
    into.push_back(c->Name() + ":" + c->ClassName());
    CollectNames(*c, into);
  }
}

std::vector<std::string> NamesOf(const TComponent& root) {
  std::vector<std::string> names;
  CollectNames(root, names);
  return names;
}

// The header lines ("Object Name:Class") of a saved text, without their indentation.
std::vector<std::string> HeadersOf(const std::string& text) {
  std::vector<std::string> headers;
  for (size_t at = 0; (at = text.find("Object ", at)) != std::string::npos; at += 7) {
    const size_t end = text.find("\r\n", at);
    headers.push_back(text.substr(at + 7, end - at - 7));
  }
  return headers;
}

const char* const kDisplayClasses[] = {
    "TText",       "TMultiText",  "TMultiString", "TStringFile", "TPhoto",     "TAVIPlayer",
    "TWordObject", "TTableObject", "TDateTimeComponent", "TCountUp", "TCountDown",
    "TCampaignTime", "TAnalogClock", "TTemperature", "THumidity", "TNoise"};

// Two cascaded screens, each with a container of two sub-cards and a page holding one object of
// every display class; no block has a Name line, and the header names are not the rule's.
std::string TwoScreensWithoutNames() {
  std::string text;
  for (int s = 0; s < 2; ++s) {
    text += Lines({"Object Screen:TLEDScreen", "  Object Container:TCards"});
    for (int c = 0; c < 2; ++c)
      text += Lines({"    Object Sub:TMultiCard", "      Address=" + std::to_string(c + 2), "    End"});
    text += Lines({"  End", "  Object Page:TLeaf"});
    for (const char* cls : kDisplayClasses)
      text += Lines({std::string("    Object Thing:") + cls, "      Left=4", "    End"});
    text += Lines({"    DisplayTime=7", "  End", "  Relation=link_Multi", "End"});
  }
  return text;
}

struct ProjectNames : ::testing::Test {
  ProjectNames() { test::PrepareModel(); }

  // Loads `text` as a project file, saves it, loads the save and saves again: both loads
  // succeed and both saves give the same bytes. The saved text is returned.
  std::string LoadSaveLoadSave(const std::string& text, model::TConstructer& root) {
    dir.Write("by-hand.spj", text);
    EXPECT_TRUE(root.LoadFromFile(dir.File("by-hand.spj")));
    EXPECT_TRUE(root.SaveToFile(dir.File("first.spj")));
    model::TConstructer again(nullptr);
    EXPECT_TRUE(again.LoadFromFile(dir.File("first.spj")));
    EXPECT_EQ(NamesOf(again), NamesOf(root));
    EXPECT_TRUE(again.SaveToFile(dir.File("second.spj")));
    const std::string first = dir.Read("first.spj");
    EXPECT_EQ(dir.Read("second.spj"), first);
    return first;
  }

  test::TTempFolder dir;
};

TEST_F(ProjectNames, BlocksWithoutNameLinesAreNamedInReadingOrder) {
  model::TConstructer root(nullptr);
  const std::string saved = LoadSaveLoadSave(TwoScreensWithoutNames(), root);

  std::vector<std::string> expected;
  int subCard = 0;
  for (int s = 0; s < 2; ++s) {
    expected.push_back("LEDScreen" + std::to_string(s) + ":TLEDScreen");
    expected.push_back("Cards" + std::to_string(s) + ":TCards");
    for (int c = 0; c < 2; ++c) expected.push_back("MultiCard" + std::to_string(subCard++) + ":TMultiCard");
    expected.push_back("Leaf" + std::to_string(s) + ":TLeaf");
    for (const std::string cls : kDisplayClasses) expected.push_back(cls.substr(1) + std::to_string(s) + ":" + cls);
  }
  EXPECT_EQ(NamesOf(root), expected);
  EXPECT_EQ(HeadersOf(saved), expected);
  // What the blocks held came in with them.
  ASSERT_EQ(root.ScreenCount(), 2);
  EXPECT_EQ(root.GetScreen(1)->Cards().SubCards().size(), 2u);
  EXPECT_EQ(root.GetLeaf(1, 0)->DisplayTime(), 7u);
  EXPECT_EQ(root.GetLeaf(1, 0)->ComponentCount(), int(std::size(kDisplayClasses)));
}

TEST_F(ProjectNames, NamedBlocksKeepTheirNamesAndTheOthersTakeTheSmallestFreeNumbers) {
  const std::string text = Lines({"Object A:TLEDScreen",
                                  "  Object B:TLeaf", "    Name='Leaf5'", "  End",
                                  "  Object C:TLeaf", "  End",
                                  "  Object D:TLeaf", "    Name='Anything'", "  End",
                                  "  Object E:TLeaf", "  End",
                                  "  Name='LEDScreen3'",
                                  "End",
                                  "Object F:TLEDScreen", "End"});
  model::TConstructer root(nullptr);
  LoadSaveLoadSave(text, root);
  // A Name line makes the smallest free name when it is read, whatever it says; a block without
  // one gets that name at its End, where the writer puts the line.
  ASSERT_EQ(root.ScreenCount(), 2);
  EXPECT_EQ(root.GetScreen(0)->Name(), "LEDScreen0");
  EXPECT_EQ(root.GetScreen(1)->Name(), "LEDScreen1");
  ASSERT_EQ(root.GetLeafCount(0), 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(root.GetLeaf(0, i)->Name(), "Leaf" + std::to_string(i));
}

// A dotted line names the screen's sub-card container as it stands, quote and all; the file
// still saves as one that opens again.
TEST_F(ProjectNames, ASubObjectNamedByADottedLineSavesAsAFileThatOpens) {
  const std::string text = Lines({"Object LEDScreen0:TLEDScreen", "  Object MulCard:TCards", "  End",
                                  "  Object Leaf0:TLeaf", "  End",
                                  "  Cards.Name='MulCard''LEDScreen0'", "End"});
  model::TConstructer root(nullptr);
  const std::string saved = LoadSaveLoadSave(text, root);
  ASSERT_EQ(root.ScreenCount(), 1);
  EXPECT_EQ(root.GetScreen(0)->Cards().Name(), "MulCard'LEDScreen0");
  EXPECT_EQ(HeadersOf(saved), (std::vector<std::string>{"LEDScreen0:TLEDScreen", "Cards0:TCards", "Leaf0:TLeaf"}));
}

TEST_F(ProjectNames, APasteOfBlocksWithoutNameLinesIsNamedAndSavesAsItReads) {
  test::TCommandsRig rig;
  rig.Start();
  rig.Clipboard.SetDisplayFormat(
      Lines({" Object Copied:TText", "   Left=10", " End", " Object Copied:TText", "   Left=20", " End"}));
  auto* existing = new model::TText(&rig.Page());
  existing->SetName("Text0");
  rig.Commands->Paste();
  ASSERT_EQ(rig.Page().ComponentCount(), 3);
  EXPECT_EQ(rig.Page().Components(1)->Name(), "Text1");
  EXPECT_EQ(rig.Page().Components(2)->Name(), "Text2");

  ASSERT_TRUE(rig.Root().SaveToFile(rig.Dir.File("pasted.fmt")));
  model::TConstructer loaded(nullptr);
  ASSERT_TRUE(loaded.LoadFromFile(rig.Dir.File("pasted.fmt")));
  EXPECT_EQ(NamesOf(loaded), NamesOf(rig.Root()));
  ASSERT_TRUE(loaded.SaveToFile(rig.Dir.File("again.fmt")));
  EXPECT_EQ(rig.Dir.Read("again.fmt"), rig.Dir.Read("pasted.fmt"));
}

TEST_F(ProjectNames, ComponentsMadeByCodeWithoutANameAreWrittenUnderTheRulesName) {
  model::TConstructer root(nullptr);
  model::TLeaf* page = root.GetLeaf(0, 0);
  ASSERT_NE(page, nullptr);
  auto* named = new model::TText(page);
  named->SetName("Text1");
  new model::TText(page);
  new model::TText(page);
  auto* end = new model::TText(page);
  end->SetName("End");  // a keyword would close the block its header opens
  // A file can give a sub-object any name through a dotted line ("Cards.Name='It''s'"): a
  // quote would open a string that runs on through the header, a blank or a colon would split it.
  for (const char* odd : {"It's", "two words", "a:b"}) (new model::TText(page))->SetName(odd);
  ASSERT_TRUE(root.SaveToFile(dir.File("made.fmt")));
  const std::string text = dir.Read("made.fmt");
  const std::vector<std::string> headers = HeadersOf(text);
  const std::vector<std::string> texts(headers.end() - 7, headers.end());
  EXPECT_EQ(texts, (std::vector<std::string>{"Text1:TText", "Text0:TText", "Text2:TText", "Text3:TText",
                                             "Text4:TText", "Text5:TText", "Text6:TText"}));

  model::TConstructer loaded(nullptr);
  ASSERT_TRUE(loaded.LoadFromFile(dir.File("made.fmt")));
  EXPECT_EQ(loaded.GetLeaf(0, 0)->ComponentCount(), 7);
}

}  // namespace
}  // namespace editor
