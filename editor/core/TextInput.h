#pragma once
// The two text dialogs "文字输入" without their windows: the rich-text dialog (`TMultiInputForm`)
// that edits the file of a multi-line text object, and the text-lines dialog
// (`TMultiStringInputForm`) that edits the lines of a text or code-text object.
//
// A rich-text file is RTF when it starts with "{\rtf", else plain GBK text (RichText.h). The
// dialog writes a file back only when the text was changed, and in the file's own kind: plain
// text stays plain GBK lines, so a user's text file never turns into RTF; RTF goes to a file
// read as RTF or to a new name from the save dialog.
#include <string>
#include <vector>

#include "editor/core/Dialogs.h"
#include "editor/core/PropertyEditor.h"
#include "platform/gfx/FontDescription.h"
#include "platform/media/RichText.h"

namespace editor {

// The rich text as GBK lines, CR LF after each: paragraphs and the line breaks inside them end
// lines; characters GBK cannot hold become '?'.
std::string PlainTextOf(const platform::TRichDocument& document);
// The document with every run in `format` (neighbouring runs that become alike joined).
platform::TRichDocument WithFormat(const platform::TRichDocument& document, const platform::TRichFormat& format);
// The format of a chosen font: face, character set, size (whole points), colour and style.
platform::TRichFormat RichFormatOf(const platform::TFontDescription& font);

class TMultiInputView {
 public:
  virtual ~TMultiInputView() = default;
  // Replaces the editor's text; typing goes on in `typing`. The text counts as unchanged after.
  virtual void SetDocument(const platform::TRichDocument& document, const platform::TRichFormat& typing) = 0;
  virtual platform::TRichDocument Document() const = 0;
  // Whether the text was changed since it was last set.
  virtual bool Modified() const = 0;
  virtual void Close() = 0;
};

class TMultiInputForm {
 public:
  // `dialogs` asks for file names and shows the boxes; `chooser` is the inspector's font dialog.
  TMultiInputForm(TMultiInputView& view, TDialogs& dialogs, TPropertyChooser& chooser);

  // Shown on a file (GBK path, "" for none): an empty text in "宋体" 12 pt red, then the file's
  // text. A file that does not load is reported and the dialog goes on without a file.
  void Show(const std::string& gbkFileName);
  // "确 定": a changed text is written (to its file, or to a name asked for); the dialog closes
  // accepted once it is. A cancelled save dialog or a failed write keeps it open with its text.
  void Confirm();
  // "字 体": the font dialog, then the colour dialog; the chosen font applies to the whole text.
  void ChooseFont();
  // "调 入": a text or RTF file replaces the text and becomes the dialog's file.
  void LoadFile();
  // "放 弃".
  void Cancel();

  bool Accepted() const { return accepted_; }
  // The file the text is in ("" for none).
  const std::string& FileName() const { return fileName_; }
  bool Modified() const { return formatChanged_ || view_.Modified(); }

 private:
  enum class TFileKind { None, Plain, Rtf };
  bool Load(const std::string& gbkFileName);
  bool Save();

  TMultiInputView& view_;
  TDialogs& dialogs_;
  TPropertyChooser& chooser_;
  std::string fileName_;
  TFileKind kind_ = TFileKind::None;
  platform::TRichFormat typing_;
  bool formatChanged_ = false;
  bool accepted_ = false;
};

class TMultiStringInputView {
 public:
  virtual ~TMultiStringInputView() = default;
  virtual void SetLines(const std::vector<std::string>& gbkLines) = 0;
  virtual std::vector<std::string> Lines() const = 0;
  virtual void SetEditorFont(const platform::TFontDescription& font) = 0;
  virtual void Close() = 0;
};

class TMultiStringInputForm {
 public:
  TMultiStringInputForm(TMultiStringInputView& view, TDialogs& dialogs);

  // Shown with the caller's lines in the caller's font; nothing accepted yet.
  void Show(const std::vector<std::string>& gbkLines, const platform::TFontDescription& font);
  // "确 定".
  void Confirm();
  // "调 入": a text file's lines replace the editor's.
  void LoadFile();
  // "放 弃".
  void Cancel();

  bool Accepted() const { return accepted_; }
  std::vector<std::string> Lines() const { return view_.Lines(); }

 private:
  TMultiStringInputView& view_;
  TDialogs& dialogs_;
  bool accepted_ = false;
};

}  // namespace editor
