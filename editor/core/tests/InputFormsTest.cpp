// The date-time, campaign-time, rich-text and text-lines dialogs over recording views, with a
// wall clock of the test's own, the rich-text fixtures AbiWord made and GBK text iconv made.
#include <gtest/gtest.h>

#include "editor/core/DateTimeInput.h"
#include "editor/core/TextInput.h"
#include "editor/core/tests/Fakes.h"
#include "editor/core/tests/InspectorFixtures.h"
#include "model/CardLink.h"
#include "platform/base/AtomicFile.h"
#include "platform/base/FilePath.h"
#include "platform/base/GbkText.h"
#include "platform/media/RtfReader.h"
#include "platform/media/RtfWriter.h"

namespace editor {
namespace {

using platform::TDateTime;
using platform::Utf8ToGbk;

TDateTime Moment(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
  return *platform::EncodeDateTime({y, mo, d, h, mi, s, ms});
}

std::string Fixture(const std::string& name) {
  std::string content;
  EXPECT_TRUE(platform::ReadWholeFile(name, content)) << name;
  return content;
}
std::string DialogFixture(const std::string& name) { return Fixture(std::string(CORVANE_FIXTURES) + "/dialogs/" + name); }
std::string RtfFixture(const std::string& name) { return Fixture(std::string(RTF_FIXTURES) + "/" + name); }

// ---- Date-time dialog -------------------------------------------------------------------------

class TDateTimeView : public TDateTimeInputView {
 public:
  void StateChanged(const TDateTimeInputState& s) override { State = s; }
  void Close() override { ++Closes; }
  TDateTimeInputState State;
  int Closes = 0;
};

TEST(DateTimeInput, TheChosenDateWithThePickersTime) {
  platform::TFakeWallClock clock(Moment(2030, 7, 8, 14, 5, 9, 700));
  platform::TScopedWallClock scoped(clock);
  TDateTimeView view;
  TDateTimeInputForm form(view);
  form.Show(Moment(2024, 3, 3, 23, 59, 0));
  // The date from the initial value, the time of day now.
  EXPECT_EQ(view.State, (TDateTimeInputState{2024, 3, 3, 14, 5, 9}));
  EXPECT_FALSE(form.Accepted());
  form.Confirm();
  EXPECT_TRUE(form.Accepted());
  EXPECT_EQ(form.Result(), "2024-03-03 14:05:09");
  EXPECT_EQ(view.Closes, 1);

  // "取  消" answers nothing.
  form.Show(Moment(2024, 3, 3, 0, 0, 0));
  form.Cancel();
  EXPECT_FALSE(form.Accepted());
}

TEST(DateTimeInput, MovingTheMonthOrYearKeepsTheDayWhereTheMonthHasIt) {
  platform::TFakeWallClock clock(Moment(2030, 1, 1, 8, 0, 0));
  platform::TScopedWallClock scoped(clock);
  TDateTimeView view;
  TDateTimeInputForm form(view);
  struct TStep {
    const char* What;
    int Value;
    int Year, Month, Day;
  } steps[] = {
      {"month", 2, 2024, 2, 29},  // 31 January to February of a leap year
      {"year", 2023, 2023, 2, 28},
      {"month", 3, 2023, 3, 28},
      {"month", 13, 2023, 12, 28},
      {"year", 0, 1, 12, 28},
  };
  form.Show(Moment(2024, 1, 31, 0, 0, 0));
  for (const auto& s : steps) {
    if (std::string(s.What) == "month") form.MonthChanged(s.Value);
    else form.YearChanged(s.Value);
    EXPECT_EQ(view.State.Year, s.Year) << s.What << s.Value;
    EXPECT_EQ(view.State.Month, s.Month) << s.What << s.Value;
    EXPECT_EQ(view.State.Day, s.Day) << s.What << s.Value;
  }
  form.DateSelected(1999, 12, 31);
  form.TimeChanged(23, 59, 58);
  form.Confirm();
  EXPECT_EQ(form.Result(), "1999-12-31 23:59:58");
}

// ---- Campaign dialog --------------------------------------------------------------------------

class TCampaignLabel : public TCampaignView {
 public:
  void SetLabel(const std::string& gbk) override { Label = gbk; }
  void Close() override { ++Closes; }
  std::string Label;
  int Closes = 0;
};

struct TCampaignRig {
  platform::TFakeWallClock Clock{Moment(2024, 3, 3, 10, 20, 30, 456)};  // a Sunday
  platform::TScopedWallClock Scoped{Clock};
  test::TFakeDialogs Dialogs;
  TCampaignLabel View;
  TCampaignForm Form{View, Dialogs};
  TCampaignRig() { model::CampaignTime() = {}; }
  ~TCampaignRig() { model::CampaignTime() = {}; }
};

TEST(Campaign, OkAtOnceStoresTheShownTime) {
  TCampaignRig rig;
  rig.Form.Show();
  EXPECT_EQ(rig.View.Label, Utf8ToGbk("当前作战时间: 2024-03-03 10:20:30"));
  EXPECT_EQ(model::CampaignTime(), platform::TSystemTime{});
  rig.Form.Confirm();
  EXPECT_TRUE(rig.Form.Accepted());
  EXPECT_EQ(rig.View.Closes, 1);
  EXPECT_EQ(model::CampaignTime(), (platform::TSystemTime{2024, 3, 0, 3, 10, 20, 30, 0}));
}

TEST(Campaign, AChoiceIsStoredOnlyByOk) {
  TCampaignRig rig;
  rig.Form.Show();
  // The date-time dialog starts at now; a cancelled one changes nothing.
  rig.Form.Modify();
  ASSERT_EQ(rig.Dialogs.DateTimeRequests.size(), 1u);
  EXPECT_EQ(platform::FormatDateTime(rig.Dialogs.DateTimeRequests[0]), "2024-03-03 10:20:30");
  EXPECT_EQ(rig.View.Label, Utf8ToGbk("当前作战时间: 2024-03-03 10:20:30"));

  // Modified, then abandoned: nothing is stored.
  rig.Dialogs.DateTimes.push_back("2025-12-24 18:00:05");
  rig.Form.Modify();
  EXPECT_EQ(rig.View.Label, Utf8ToGbk("当前作战时间: 2025-12-24 18:00:05"));
  rig.Form.Cancel();
  EXPECT_FALSE(rig.Form.Accepted());
  EXPECT_EQ(model::CampaignTime(), platform::TSystemTime{});

  // Shown again: now, not the abandoned choice. Modified, then confirmed: the choice.
  rig.Form.Show();
  EXPECT_EQ(rig.View.Label, Utf8ToGbk("当前作战时间: 2024-03-03 10:20:30"));
  rig.Dialogs.DateTimes.push_back("2025-12-24 18:00:05");
  rig.Form.Modify();
  rig.Form.Confirm();
  EXPECT_EQ(model::CampaignTime(), (platform::TSystemTime{2025, 12, 3, 24, 18, 0, 5, 0}));
}

// ---- Rich-text dialog -------------------------------------------------------------------------

class TRichView : public TMultiInputView {
 public:
  void SetDocument(const platform::TRichDocument& document, const platform::TRichFormat& typing) override {
    Doc = document;
    Typing = typing;
    Changed = false;
    ++Sets;
  }
  platform::TRichDocument Document() const override { return Doc; }
  bool Modified() const override { return Changed; }
  void Close() override { ++Closes; }
  // The user types a paragraph at the end.
  void Type(const char* utf8) {
    Doc.Paragraphs.emplace_back().Append(Typing, platform::Utf8ToUtf32(utf8));
    Changed = true;
  }
  platform::TRichDocument Doc;
  platform::TRichFormat Typing;
  bool Changed = false;
  int Sets = 0, Closes = 0;
};


struct TRichRig {
  test::TTempFolder Dir;
  test::TFakeDialogs Dialogs;
  TRichView View;
  test::TFakeChooser Chooser;
  TMultiInputForm Form{View, Dialogs, Chooser};
  std::string Copy(const std::string& content, const std::string& name) {
    Dir.Write(name, content);
    return platform::GbkPathFromOs(Dir.File(name));
  }
};

TEST(RichTextDialog, AnUnchangedFileIsNotRewritten) {
  for (const char* name : {"abiword_table.rtf", "abiword_footnote.rtf"}) {
    TRichRig rig;
    const std::string original = RtfFixture(name);
    const std::string file = rig.Copy(original, "text.RTF");
    rig.Form.Show(file);
    EXPECT_FALSE(rig.View.Doc.Empty()) << name;
    rig.Form.Confirm();
    EXPECT_TRUE(rig.Form.Accepted());
    EXPECT_EQ(rig.Form.FileName(), file);
    // Byte for byte what AbiWord wrote, footnote and table included.
    EXPECT_EQ(rig.Dir.Read("text.RTF"), original) << name;
  }
}

TEST(RichTextDialog, AChangedRtfFileIsWrittenAsRtf) {
  TRichRig rig;
  const std::string file = rig.Copy(RtfFixture("abiword_table.rtf"), "text.RTF");
  rig.Form.Show(file);
  rig.View.Type("新的一段");
  const platform::TRichDocument typed = rig.View.Doc;
  rig.Form.Confirm();
  EXPECT_TRUE(rig.Form.Accepted());
  const auto reread = platform::ReadRtf(rig.Dir.Read("text.RTF"));
  ASSERT_TRUE(reread);
  EXPECT_EQ(*reread, typed);
}

TEST(RichTextDialog, APlainFileStaysPlainGbkLines) {
  TRichRig rig;
  const std::string file = rig.Copy(DialogFixture("lines.Txt"), "lines.Txt");
  rig.Form.Show(file);
  ASSERT_EQ(rig.View.Doc.Paragraphs.size(), 3u);
  rig.View.Type("加上第四行");
  rig.Form.Confirm();
  EXPECT_TRUE(rig.Form.Accepted());
  EXPECT_EQ(rig.Form.FileName(), file);
  EXPECT_EQ(rig.Dir.Read("lines.Txt"), DialogFixture("lines_edited.Txt"));
}

TEST(RichTextDialog, ANewTextGoesToTheNameOfTheSaveDialog) {
  TRichRig rig;
  rig.Form.Show("");
  EXPECT_EQ(rig.View.Typing, platform::PlainTextFormat());
  // Unchanged: accepted without a file.
  rig.Form.Confirm();
  EXPECT_TRUE(rig.Form.Accepted());
  EXPECT_EQ(rig.Form.FileName(), "");
  EXPECT_TRUE(rig.Dialogs.FileRequests.empty());

  rig.Form.Show("");
  rig.View.Type("文字");
  // A cancelled save dialog keeps the dialog open with its text.
  rig.Form.Confirm();
  EXPECT_FALSE(rig.Form.Accepted());
  EXPECT_EQ(rig.View.Closes, 1);
  ASSERT_EQ(rig.Dialogs.FileRequests.size(), 1u);
  EXPECT_EQ(rig.Dialogs.FileRequests[0].Filter, Utf8ToGbk("超文本文件|*.RTF"));
  EXPECT_EQ(rig.Dialogs.FileRequests[0].FileName, "*.RTF");
  EXPECT_EQ(rig.View.Doc.PlainText(), U"文字");

  // A name without the extension gets it.
  rig.Dialogs.Files.push_back(platform::GbkPathFromOs(rig.Dir.File("new")));
  rig.Form.Confirm();
  EXPECT_TRUE(rig.Form.Accepted());
  EXPECT_EQ(rig.Form.FileName(), platform::GbkPathFromOs(rig.Dir.File("new.RTF")));
  EXPECT_EQ(rig.Dir.Read("new.RTF"), platform::WriteRtf(rig.View.Doc));
}

TEST(RichTextDialog, AFailedWriteIsToldAndKeepsTheText) {
  TRichRig rig;
  rig.Form.Show("");
  rig.View.Type("文字");
  rig.Dialogs.Files.push_back(platform::GbkPathFromOs(rig.Dir.File("missing/new.RTF")));
  rig.Form.Confirm();
  EXPECT_FALSE(rig.Form.Accepted());
  ASSERT_EQ(rig.Dialogs.Boxes.size(), 1u);
  EXPECT_EQ(rig.Dialogs.Boxes[0].Caption, MessageCaption());
  EXPECT_EQ(rig.View.Doc.PlainText(), U"文字");
  EXPECT_EQ(rig.Form.FileName(), "");
}

TEST(RichTextDialog, LoadingReplacesTheTextOrSaysItCannot) {
  TRichRig rig;
  rig.Form.Show("");
  rig.View.Type("保留");
  rig.Dialogs.Files.push_back(platform::GbkPathFromOs(rig.Dir.File("missing.Txt")));
  rig.Form.LoadFile();
  ASSERT_EQ(rig.Dialogs.Boxes.size(), 1u);
  EXPECT_EQ(rig.Dialogs.Boxes[0].Text, Utf8ToGbk("无法调入所选择文件，请检查文件名!"));
  EXPECT_EQ(rig.Dialogs.Boxes[0].Caption, MessageCaption());
  EXPECT_EQ(rig.View.Doc.PlainText(), U"保留");
  EXPECT_EQ(rig.Dialogs.FileRequests[0].Filter, Utf8ToGbk("文本文件|*.Txt|超文本文件|*.RTF"));
  EXPECT_EQ(rig.Dialogs.FileRequests[0].FileName, "*.Txt;*.RTF");

  // A folder is no text file either.
  rig.Dialogs.Files.push_back(platform::GbkPathFromOs(rig.Dir.Path()));
  rig.Form.LoadFile();
  EXPECT_EQ(rig.Dialogs.Boxes.size(), 2u);

  const std::string file = rig.Copy(DialogFixture("lines.Txt"), "lines.Txt");
  rig.Dialogs.Files.push_back(file);
  rig.Form.LoadFile();
  EXPECT_EQ(rig.Form.FileName(), file);
  EXPECT_EQ(rig.View.Doc.PlainText(), U"第一行\n第二行\n第三行");
  // Loaded and unchanged: accepted on that file, which stays as it was.
  rig.Form.Confirm();
  EXPECT_TRUE(rig.Form.Accepted());
  EXPECT_EQ(rig.Dir.Read("lines.Txt"), DialogFixture("lines.Txt"));
}

TEST(RichTextDialog, AFileThatDoesNotLoadAtShowIsForgotten) {
  TRichRig rig;
  rig.Form.Show(platform::GbkPathFromOs(rig.Dir.File("gone.RTF")));
  EXPECT_EQ(rig.Dialogs.Boxes.size(), 1u);
  EXPECT_EQ(rig.Form.FileName(), "");
  EXPECT_TRUE(rig.View.Doc.Empty());
}

TEST(RichTextDialog, TheChosenFontAppliesToTheWholeTextAndIsSaved) {
  TRichRig rig;
  const std::string file = rig.Copy(RtfFixture("abiword_styles.rtf"), "styles.RTF");
  rig.Form.Show(file);
  platform::TFontDescription font;
  font.Name = Utf8ToGbk("黑体");
  font.SetSize(18);
  font.Color = 0x0000FF;
  font.Style = platform::FontStyleBit(platform::fsBold);
  font.Charset = 134;
  rig.Chooser.Font = font;
  rig.Chooser.Color = 0x00FF00;
  rig.Form.ChooseFont();
  EXPECT_EQ(rig.Chooser.Offered.Name, Utf8ToGbk("宋体"));
  for (const auto& paragraph : rig.View.Doc.Paragraphs)
    for (const auto& run : paragraph.Runs) {
      EXPECT_EQ(run.Format.FaceName, "黑体");
      EXPECT_EQ(run.Format.HalfPoints, 36);
      EXPECT_EQ(run.Format.Color, platform::TColor(0x00FF00));
      EXPECT_EQ(run.Format.Style, platform::FontStyleBit(platform::fsBold));
    }
  // One run per paragraph once every run looks alike.
  for (const auto& paragraph : rig.View.Doc.Paragraphs) EXPECT_LE(paragraph.Runs.size(), 1u);
  EXPECT_TRUE(rig.Form.Modified());
  rig.Form.Confirm();
  EXPECT_EQ(platform::ReadRtf(rig.Dir.Read("styles.RTF")), rig.View.Doc);
}

// ---- Text-lines dialog ------------------------------------------------------------------------

class TLinesView : public TMultiStringInputView {
 public:
  void SetLines(const std::vector<std::string>& lines) override { Shown = lines; }
  std::vector<std::string> Lines() const override { return Shown; }
  void SetEditorFont(const platform::TFontDescription& font) override { Font = font; }
  void Close() override { ++Closes; }
  std::vector<std::string> Shown;
  platform::TFontDescription Font;
  int Closes = 0;
};

TEST(TextLinesDialog, ShowsTheCallersLinesInItsFontAndLoadsTextFiles) {
  test::TTempFolder dir;
  test::TFakeDialogs dialogs;
  TLinesView view;
  TMultiStringInputForm form(view, dialogs);
  platform::TFontDescription font;
  font.SetSize(18);
  font.Color = 0x00FFFF;
  form.Show({Utf8ToGbk("内码文本")}, font);
  EXPECT_EQ(view.Font, font);
  EXPECT_EQ(view.Shown, std::vector<std::string>{Utf8ToGbk("内码文本")});
  EXPECT_FALSE(form.Accepted());

  dialogs.Files.push_back(platform::GbkPathFromOs(dir.File("missing.Txt")));
  form.LoadFile();
  ASSERT_EQ(dialogs.Boxes.size(), 1u);
  EXPECT_EQ(dialogs.Boxes[0].Text, Utf8ToGbk("无法调入所选择文件，请检查文件名!"));
  EXPECT_EQ(view.Shown, std::vector<std::string>{Utf8ToGbk("内码文本")});
  EXPECT_EQ(dialogs.FileRequests[0].Filter, Utf8ToGbk("文本文件|*.Txt"));

  dir.Write("lines.Txt", DialogFixture("lines.Txt"));
  dialogs.Files.push_back(platform::GbkPathFromOs(dir.File("lines.Txt")));
  form.LoadFile();
  EXPECT_EQ(form.Lines(),
            (std::vector<std::string>{Utf8ToGbk("第一行"), Utf8ToGbk("第二行"), Utf8ToGbk("第三行")}));
  form.Confirm();
  EXPECT_TRUE(form.Accepted());
  EXPECT_EQ(view.Closes, 1);
}

}  // namespace
}  // namespace editor
