#include "TextInput.h"

#include <algorithm>

#include "platform/base/AtomicFile.h"
#include "platform/base/FilePath.h"
#include "platform/base/GbkText.h"
#include "platform/component/Strings.h"
#include "platform/media/RtfReader.h"

namespace editor {

namespace {

const char* const LoadFailed = "无法调入所选择文件，请检查文件名!";
const char* const SaveFailed = "无法保存所编辑的文字，请检查文件名!";

void Tell(TDialogs& dialogs, const char* utf8) {
  dialogs.MessageBox(platform::Utf8ToGbk(utf8), MessageCaption(), TMessageIcon::Warning, TMessageButtons::Ok);
}

// The content of a regular file (GBK path); false when it cannot be read.
bool ReadTextFile(const std::string& gbkPath, std::string& content) {
  return platform::ReadWholeFile(platform::OsPathFromGbk(gbkPath), content);
}

}  // namespace

std::string PlainTextOf(const platform::TRichDocument& document) {
  platform::TStringList lines;
  for (const auto& paragraph : document.Paragraphs) {
    std::u32string text;
    for (const auto& run : paragraph.Runs) text += run.Text;
    // A line break inside a paragraph ends a line of the file as well.
    size_t start = 0;
    for (;;) {
      const size_t end = text.find(U'\n', start);
      lines.Add(platform::Utf8ToGbk(platform::Utf32ToUtf8(std::u32string_view(text).substr(start, end - start))));
      if (end == std::u32string::npos) break;
      start = end + 1;
    }
  }
  return lines.Text();
}

platform::TRichDocument WithFormat(const platform::TRichDocument& document, const platform::TRichFormat& format) {
  platform::TRichDocument result;
  for (const auto& paragraph : document.Paragraphs) {
    platform::TRichParagraph& changed = result.Paragraphs.emplace_back();
    changed.Alignment = paragraph.Alignment;
    for (const auto& run : paragraph.Runs) changed.Append(format, run.Text);
  }
  return result;
}

platform::TRichFormat RichFormatOf(const platform::TFontDescription& font) {
  platform::TRichFormat format;
  format.FaceName = platform::GbkToUtf8(font.Name);
  format.Charset = font.Charset;
  format.HalfPoints =
      std::clamp(font.Size() * 2, platform::TRichFormat::kMinHalfPoints, platform::TRichFormat::kMaxHalfPoints);
  format.Color = font.Color;
  format.Style = font.Style;
  return format;
}

// ---- Rich-text dialog -------------------------------------------------------------------------

TMultiInputForm::TMultiInputForm(TMultiInputView& view, TDialogs& dialogs, TPropertyChooser& chooser)
    : view_(view), dialogs_(dialogs), chooser_(chooser) {}

bool TMultiInputForm::Load(const std::string& gbkFileName) {
  std::string content;
  if (!ReadTextFile(gbkFileName, content)) return false;
  kind_ = platform::IsRtf(content) ? TFileKind::Rtf : TFileKind::Plain;
  fileName_ = gbkFileName;
  formatChanged_ = false;
  view_.SetDocument(platform::LoadRichText(content), typing_);
  return true;
}

void TMultiInputForm::Show(const std::string& gbkFileName) {
  accepted_ = false;
  formatChanged_ = false;
  fileName_.clear();
  kind_ = TFileKind::None;
  typing_ = platform::PlainTextFormat();
  view_.SetDocument({}, typing_);
  if (!gbkFileName.empty() && !Load(gbkFileName)) Tell(dialogs_, LoadFailed);
}

// Writes the text in its file's kind; a text without a file goes to a new RTF file. False when
// there is no file to write to (the save dialog was cancelled) or the write failed.
bool TMultiInputForm::Save() {
  const platform::TRichDocument document = view_.Document();
  if (kind_ == TFileKind::None) {
    const auto chosen = dialogs_.SaveFileName(
        {"", platform::Utf8ToGbk("超文本文件|*.RTF"), "*.RTF"});
    if (!chosen) return false;
    const std::string name = platform::SetFileExt(*chosen, ".RTF");
    if (!platform::SaveRichTextFile(name, document)) {
      Tell(dialogs_, SaveFailed);
      return false;
    }
    fileName_ = name;
    kind_ = TFileKind::Rtf;
    return true;
  }
  bool saved;
  if (kind_ == TFileKind::Rtf) {
    saved = platform::SaveRichTextFile(fileName_, document);
  } else {
    const std::string text = PlainTextOf(document);
    saved = platform::SaveFileAtomic(platform::OsPathFromGbk(fileName_), text.data(), text.size());
  }
  if (!saved) Tell(dialogs_, SaveFailed);
  return saved;
}

void TMultiInputForm::Confirm() {
  if (Modified() && !Save()) return;
  accepted_ = true;
  view_.Close();
}

void TMultiInputForm::ChooseFont() {
  platform::TFontDescription font = typing_.Font();
  if (!chooser_.ChooseFont(font)) return;
  // The font dialog has no colour of its own: the colour dialog follows, and keeps the colour
  // when it is cancelled.
  platform::TColor color = font.Color;
  if (chooser_.ChooseColor(color)) font.Color = color;
  typing_ = RichFormatOf(font);
  // Setting the text clears the editor's own flag; the change is kept here.
  formatChanged_ = true;
  view_.SetDocument(WithFormat(view_.Document(), typing_), typing_);
}

void TMultiInputForm::LoadFile() {
  const auto chosen = dialogs_.OpenFileName(
      {"", platform::Utf8ToGbk("文本文件|*.Txt|超文本文件|*.RTF"), "*.Txt;*.RTF"});
  if (!chosen) return;
  if (!Load(*chosen)) Tell(dialogs_, LoadFailed);
}

void TMultiInputForm::Cancel() { view_.Close(); }

// ---- Text-lines dialog ------------------------------------------------------------------------

TMultiStringInputForm::TMultiStringInputForm(TMultiStringInputView& view, TDialogs& dialogs)
    : view_(view), dialogs_(dialogs) {}

void TMultiStringInputForm::Show(const std::vector<std::string>& gbkLines, const platform::TFontDescription& font) {
  accepted_ = false;
  view_.SetEditorFont(font);
  view_.SetLines(gbkLines);
}

void TMultiStringInputForm::Confirm() {
  accepted_ = true;
  view_.Close();
}

void TMultiStringInputForm::LoadFile() {
  const auto chosen = dialogs_.OpenFileName({"", platform::Utf8ToGbk("文本文件|*.Txt"), "*.Txt"});
  if (!chosen) return;
  std::string content;
  if (!ReadTextFile(*chosen, content)) {
    Tell(dialogs_, LoadFailed);
    return;
  }
  platform::TStringList lines;
  lines.SetText(content);
  view_.SetLines(std::vector<std::string>(lines.begin(), lines.end()));
}

void TMultiStringInputForm::Cancel() { view_.Close(); }

}  // namespace editor
