#pragma once
// The two text dialogs "文字输入": the rich-text dialog (TMultiInputForm), whose editor `Memo1`
// is a QTextEdit holding the rich-text document, and the text-lines dialog
// (TMultiStringInputForm), whose `Memo1` holds plain lines. Thin views over editor/core's
// controllers; the document is converted both ways here.
#include <QDialog>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "editor/core/TextInput.h"
#include "editor/ui/ModalRun.h"
#include "editor/ui/PropertyEditor.h"

class QPlainTextEdit;
class QPushButton;
class QTextDocument;
class QTextEdit;
class QTextCharFormat;

namespace editor::ui {

// A run's format as Qt keeps it, and back (the character set rides along as a property of the
// format; a format without a colour of its own is automatic).
QTextCharFormat QtCharFormat(const platform::TRichFormat& format);
platform::TRichFormat RichFormat(const QTextCharFormat& format, const platform::TRichFormat& fallback);
// The document into a Qt document (replacing what it held), and back. A Qt document of one
// empty paragraph is the empty document.
void FillTextDocument(QTextDocument& target, const platform::TRichDocument& document);
platform::TRichDocument RichDocument(const QTextDocument& source, const platform::TRichFormat& fallback);

class TMultiInputFormView : public QDialog, private TMultiInputView {
 public:
  // `dialogs` asks for file names and shows the boxes; `chooser` is the inspector's font and
  // colour chooser.
  TMultiInputFormView(TDialogs& dialogs, TPropertyChooser& chooser, QWidget* parent = nullptr);
  ~TMultiInputFormView() override;

  // Shows the dialog modally on a file (GBK path, "" for none): the file the text is in once
  // accepted, or nothing when abandoned.
  std::optional<std::string> Execute(const std::string& gbkFileName, const TModalRun& run = {});
  TMultiInputForm& Controller() { return *controller_; }
  QTextEdit* Memo() const { return memo_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* FontButton() const { return font_; }
  QPushButton* LoadButton() const { return load_; }
  QPushButton* CancelButton() const { return cancel_; }

 private:
  void SetDocument(const platform::TRichDocument& document, const platform::TRichFormat& typing) override;
  platform::TRichDocument Document() const override;
  bool Modified() const override;
  void Close() override;

  QTextEdit* memo_;
  QPushButton* ok_;
  QPushButton* font_;
  QPushButton* load_;
  QPushButton* cancel_;
  platform::TRichFormat typing_;
  std::unique_ptr<TMultiInputForm> controller_;
};

class TMultiStringInputFormView : public QDialog, private TMultiStringInputView {
 public:
  explicit TMultiStringInputFormView(TDialogs& dialogs, QWidget* parent = nullptr);
  ~TMultiStringInputFormView() override;

  // Shows the dialog modally with `gbkLines` in `font`: the edited lines, or nothing when
  // abandoned.
  std::optional<std::vector<std::string>> Execute(const std::vector<std::string>& gbkLines,
                                                  const platform::TFontDescription& font, const TModalRun& run = {});
  TMultiStringInputForm& Controller() { return *controller_; }
  QPlainTextEdit* Memo() const { return memo_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* LoadButton() const { return load_; }
  QPushButton* CancelButton() const { return cancel_; }

 private:
  void SetLines(const std::vector<std::string>& gbkLines) override;
  std::vector<std::string> Lines() const override;
  void SetEditorFont(const platform::TFontDescription& font) override;
  void Close() override;

  QPlainTextEdit* memo_;
  QPushButton* ok_;
  QPushButton* load_;
  QPushButton* cancel_;
  std::unique_ptr<TMultiStringInputForm> controller_;
};

}  // namespace editor::ui
