#include "TextInput.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "editor/ui/FormLayout.h"
#include "editor/ui/QtText.h"
#include "editor/ui/Skinning.h"

namespace editor::ui {

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

// The character set of a run; Qt has no place for it.
constexpr int CharsetProperty = QTextFormat::UserProperty + 1;

bool HasStyle(platform::TFontStyles styles, platform::TFontStyle style) {
  return (styles & platform::FontStyleBit(style)) != 0;
}

Qt::Alignment QtAlignment(platform::TParaAlignment alignment) {
  switch (alignment) {
    case platform::paCenter: return Qt::AlignHCenter;
    case platform::paRight: return Qt::AlignRight;
    case platform::paJustify: return Qt::AlignJustify;
    case platform::paLeft: break;
  }
  return Qt::AlignLeft;
}

platform::TParaAlignment RichAlignment(Qt::Alignment alignment) {
  if (alignment & Qt::AlignHCenter) return platform::paCenter;
  if (alignment & Qt::AlignRight) return platform::paRight;
  if (alignment & Qt::AlignJustify) return platform::paJustify;
  return platform::paLeft;
}

// A run's text for Qt: line breaks inside a paragraph are Qt's line separators.
QString QtText(std::u32string_view text) {
  QString out = QString::fromUcs4(text.data(), qsizetype(text.size()));
  out.replace(QChar('\n'), QChar::LineSeparator);
  return out;
}

// Qt's text for a run, kept to the document's rules: line separators become line breaks, frame
// marks and other controls but tabs go, a lone surrogate becomes U+FFFD.
std::u32string RichText(const QString& text) {
  std::u32string out;
  for (char32_t c : text.toUcs4()) {
    if (c == QChar::LineSeparator || c == QChar::ParagraphSeparator) c = U'\n';
    if (c == 0xFDD0 || c == 0xFDD1 || c == 0xFFFC) continue;  // frame marks, object places
    if (c < 0x20 && c != U'\t' && c != U'\n') continue;
    if (c >= 0xD800 && c <= 0xDFFF) c = 0xFFFD;
    out += c;
  }
  return out;
}

}  // namespace

QTextCharFormat QtCharFormat(const platform::TRichFormat& format) {
  QTextCharFormat f;
  f.setFontFamilies(QStringList{QString::fromStdString(format.FaceName)});
  f.setFontPointSize(format.HalfPoints / 2.0);
  f.setFontWeight(HasStyle(format.Style, platform::fsBold) ? QFont::Bold : QFont::Normal);
  f.setFontItalic(HasStyle(format.Style, platform::fsItalic));
  f.setFontUnderline(HasStyle(format.Style, platform::fsUnderline));
  f.setFontStrikeOut(HasStyle(format.Style, platform::fsStrikeOut));
  if (format.Color) f.setForeground(QColorFromColorRef(*format.Color));
  f.setProperty(CharsetProperty, int(format.Charset));
  return f;
}

platform::TRichFormat RichFormat(const QTextCharFormat& f, const platform::TRichFormat& fallback) {
  platform::TRichFormat format = fallback;
  const QStringList families = f.fontFamilies().toStringList();
  if (!families.isEmpty() && !families.front().isEmpty()) format.FaceName = families.front().toStdString();
  if (f.hasProperty(QTextFormat::FontPointSize) && f.fontPointSize() > 0)
    format.HalfPoints = std::clamp(int(std::lround(f.fontPointSize() * 2)), platform::TRichFormat::kMinHalfPoints,
                                   platform::TRichFormat::kMaxHalfPoints);
  platform::TFontStyles style = 0;
  if (f.fontWeight() >= QFont::Bold) style |= platform::FontStyleBit(platform::fsBold);
  if (f.fontItalic()) style |= platform::FontStyleBit(platform::fsItalic);
  if (f.fontUnderline()) style |= platform::FontStyleBit(platform::fsUnderline);
  if (f.fontStrikeOut()) style |= platform::FontStyleBit(platform::fsStrikeOut);
  format.Style = style;
  format.Color.reset();
  if (f.hasProperty(QTextFormat::ForegroundBrush) && f.foreground().style() != Qt::NoBrush) {
    const QColor c = f.foreground().color();
    format.Color = platform::RGB(uint8_t(c.red()), uint8_t(c.green()), uint8_t(c.blue()));
  }
  if (f.hasProperty(CharsetProperty)) format.Charset = uint8_t(f.intProperty(CharsetProperty));
  return format;
}

void FillTextDocument(QTextDocument& target, const platform::TRichDocument& document) {
  target.clear();
  QTextCursor cursor(&target);
  bool first = true;
  for (const auto& paragraph : document.Paragraphs) {
    QTextBlockFormat block;
    block.setAlignment(QtAlignment(paragraph.Alignment));
    if (first) cursor.setBlockFormat(block);
    else cursor.insertBlock(block);
    first = false;
    for (const auto& run : paragraph.Runs) cursor.insertText(QtText(run.Text), QtCharFormat(run.Format));
  }
}

platform::TRichDocument RichDocument(const QTextDocument& source, const platform::TRichFormat& fallback) {
  platform::TRichDocument document;
  for (QTextBlock block = source.begin(); block.isValid(); block = block.next()) {
    platform::TRichParagraph& paragraph = document.Paragraphs.emplace_back();
    paragraph.Alignment = RichAlignment(block.blockFormat().alignment());
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      if (fragment.isValid()) paragraph.Append(RichFormat(fragment.charFormat(), fallback), RichText(fragment.text()));
    }
  }
  if (document.Paragraphs.size() == 1 && document.Paragraphs.front().Empty()) document.Paragraphs.clear();
  return document;
}

// ---- Rich-text dialog -------------------------------------------------------------------------

TMultiInputFormView::TMultiInputFormView(TDialogs& dialogs, TPropertyChooser& chooser, QWidget* parent)
    : QDialog(parent) {
  setObjectName("MultiInputForm");
  setWindowTitle(U("文字输入"));
  resize(560, 400);
  auto* column = new QVBoxLayout(this);
  memo_ = new QTextEdit(this);
  memo_->setObjectName("Memo1");
  memo_->setAcceptRichText(true);
  // Text without a colour of its own shows as the card shows it: red.
  QPalette palette = memo_->palette();
  palette.setColor(QPalette::Text, QColorFromColorRef(platform::kAutomaticColor));
  memo_->setPalette(palette);
  column->addWidget(memo_, 1);
  ok_ = NewButton(this, "Button1", "确 定");
  font_ = NewButton(this, "Button2", "字 体");
  load_ = NewButton(this, "Button3", "调 入");
  cancel_ = NewButton(this, "Button4", "放 弃");
  column->addLayout(ButtonRow({ok_, font_, load_, cancel_}));
  controller_.reset(new TMultiInputForm(*this, dialogs, chooser));
  connect(ok_, &QPushButton::clicked, this, [this] { controller_->Confirm(); });
  connect(font_, &QPushButton::clicked, this, [this] { controller_->ChooseFont(); });
  connect(load_, &QPushButton::clicked, this, [this] { controller_->LoadFile(); });
  connect(cancel_, &QPushButton::clicked, this, [this] { controller_->Cancel(); });
  Skinning(this);
}

TMultiInputFormView::~TMultiInputFormView() = default;

std::optional<std::string> TMultiInputFormView::Execute(const std::string& gbkFileName, const TModalRun& run) {
  controller_->Show(gbkFileName);
  RunModal(*this, run);
  if (!controller_->Accepted()) return std::nullopt;
  return controller_->FileName();
}

void TMultiInputFormView::SetDocument(const platform::TRichDocument& document, const platform::TRichFormat& typing) {
  typing_ = typing;
  QTextDocument* target = memo_->document();
  target->setUndoRedoEnabled(false);
  FillTextDocument(*target, document);
  target->setUndoRedoEnabled(true);
  memo_->moveCursor(QTextCursor::End);
  memo_->setCurrentCharFormat(QtCharFormat(typing));
  target->setModified(false);
}

platform::TRichDocument TMultiInputFormView::Document() const { return RichDocument(*memo_->document(), typing_); }

bool TMultiInputFormView::Modified() const { return memo_->document()->isModified(); }

void TMultiInputFormView::Close() { done(controller_->Accepted() ? Accepted : Rejected); }

// ---- Text-lines dialog ------------------------------------------------------------------------

TMultiStringInputFormView::TMultiStringInputFormView(TDialogs& dialogs, QWidget* parent) : QDialog(parent) {
  setObjectName("MultiStringInputForm");
  setWindowTitle(U("文字输入"));
  resize(480, 320);
  auto* column = new QVBoxLayout(this);
  memo_ = new QPlainTextEdit(this);
  memo_->setObjectName("Memo1");
  column->addWidget(memo_, 1);
  ok_ = NewButton(this, "Button1", "确 定");
  load_ = NewButton(this, "Button2", "调 入");
  cancel_ = NewButton(this, "Button3", "放 弃");
  column->addLayout(ButtonRow({ok_, load_, cancel_}));
  controller_.reset(new TMultiStringInputForm(*this, dialogs));
  connect(ok_, &QPushButton::clicked, this, [this] { controller_->Confirm(); });
  connect(load_, &QPushButton::clicked, this, [this] { controller_->LoadFile(); });
  connect(cancel_, &QPushButton::clicked, this, [this] { controller_->Cancel(); });
  Skinning(this);
}

TMultiStringInputFormView::~TMultiStringInputFormView() = default;

std::optional<std::vector<std::string>> TMultiStringInputFormView::Execute(const std::vector<std::string>& gbkLines,
                                                                           const platform::TFontDescription& font,
                                                                           const TModalRun& run) {
  controller_->Show(gbkLines, font);
  RunModal(*this, run);
  if (!controller_->Accepted()) return std::nullopt;
  return controller_->Lines();
}

void TMultiStringInputFormView::SetLines(const std::vector<std::string>& gbkLines) {
  QStringList lines;
  for (const std::string& line : gbkLines) lines << QStringFromGbk(line);
  memo_->setPlainText(lines.join('\n'));
}

std::vector<std::string> TMultiStringInputFormView::Lines() const {
  std::vector<std::string> lines;
  const QString text = memo_->toPlainText();
  if (text.isEmpty()) return lines;
  for (const QString& line : text.split('\n')) lines.push_back(GbkFromQString(line));
  return lines;
}

void TMultiStringInputFormView::SetEditorFont(const platform::TFontDescription& font) {
  QFont qfont(QStringFromGbk(font.Name));
  qfont.setPixelSize(std::max(1, std::abs(font.Height)));
  qfont.setBold(HasStyle(font.Style, platform::fsBold));
  qfont.setItalic(HasStyle(font.Style, platform::fsItalic));
  qfont.setUnderline(HasStyle(font.Style, platform::fsUnderline));
  qfont.setStrikeOut(HasStyle(font.Style, platform::fsStrikeOut));
  memo_->setFont(qfont);
  QPalette palette = memo_->palette();
  palette.setColor(QPalette::Text, QColorFromColorRef(font.Color));
  memo_->setPalette(palette);
}

void TMultiStringInputFormView::Close() { done(controller_->Accepted() ? Accepted : Rejected); }

}  // namespace editor::ui
