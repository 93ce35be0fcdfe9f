#include "PropertyEditor.h"

#include <QApplication>
#include <QColorDialog>
#include <QFontDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>

#include "editor/ui/Button.h"
#include "editor/ui/ErrorGuard.h"
#include "editor/ui/PropertySelect.h"
#include "editor/ui/QtText.h"
#include "platform/gfx/Canvas.h"
#include "skin/SkinPublic.h"

namespace editor::ui {

namespace {

QFont InspectorQFont() {
  QFont font(QString::fromUtf8("宋体"));
  font.setPointSize(9);
  return font;
}

}  // namespace

// ---- TPropEdit --------------------------------------------------------------------------------

TPropEdit::TPropEdit(QWidget* parent) : QLineEdit(parent) {
  setFrame(false);
  setFont(InspectorQFont());
}

void TPropEdit::Act(TEditAction action) {
  if (OnAction) TErrorGuard::Run([&] { OnAction(action); });
}

void TPropEdit::keyPressEvent(QKeyEvent* event) {
  if (List && List->isVisible() && List->HandleKey(event)) {
    event->accept();
    return;
  }
  QLineEdit::keyPressEvent(event);
  switch (event->key()) {
    case Qt::Key_Up: Act(eaUp); break;
    case Qt::Key_Down: Act(eaDown); break;
    case Qt::Key_PageUp: Act(eaPageUp); break;
    case Qt::Key_PageDown: Act(eaPageDown); break;
    case Qt::Key_Return:
    case Qt::Key_Enter: Act(eaEnter); break;
    default: return;
  }
  event->accept();
}

void TPropEdit::mousePressEvent(QMouseEvent* event) {
  QLineEdit::mousePressEvent(event);
  if (event->button() == Qt::LeftButton && OnPress && OnPress(int64_t(event->timestamp()))) Act(eaDblClick);
}

void TPropEdit::mouseDoubleClickEvent(QMouseEvent* event) {
  QLineEdit::mouseDoubleClickEvent(event);
  if (event->button() == Qt::LeftButton) Act(eaDblClick);
}

void TPropEdit::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  if (List) List->hide();
}

// ---- TQtPropertyChooser -----------------------------------------------------------------------

bool TQtPropertyChooser::ChooseFont(platform::TFontDescription& font) {
  QFont initial(QStringFromGbk(font.Name));
  if (font.Size() > 0) initial.setPointSize(font.Size());
  initial.setBold(font.Style & platform::FontStyleBit(platform::fsBold));
  initial.setItalic(font.Style & platform::FontStyleBit(platform::fsItalic));
  initial.setUnderline(font.Style & platform::FontStyleBit(platform::fsUnderline));
  initial.setStrikeOut(font.Style & platform::FontStyleBit(platform::fsStrikeOut));
  bool ok = false;
  const QFont chosen = QFontDialog::getFont(&ok, initial, QApplication::activeWindow());
  if (!ok) return false;
  font.Name = GbkFromQString(chosen.family());
  if (chosen.pointSize() > 0) font.SetSize(chosen.pointSize());
  platform::TFontStyles style = 0;
  if (chosen.bold()) style |= platform::FontStyleBit(platform::fsBold);
  if (chosen.italic()) style |= platform::FontStyleBit(platform::fsItalic);
  if (chosen.underline()) style |= platform::FontStyleBit(platform::fsUnderline);
  if (chosen.strikeOut()) style |= platform::FontStyleBit(platform::fsStrikeOut);
  font.Style = style;
  return true;
}

bool TQtPropertyChooser::ChooseColor(platform::TColor& color) {
  const QColor chosen = QColorDialog::getColor(QColorFromColorRef(color), QApplication::activeWindow());
  if (!chosen.isValid()) return false;
  color = platform::RGB(uint8_t(chosen.red()), uint8_t(chosen.green()), uint8_t(chosen.blue()));
  return true;
}

// ---- TPropertyEditorView ----------------------------------------------------------------------

TPropertyEditorView::TPropertyEditorView(TDialogs& dialogs, TPropertyChooser& chooser, QWidget* parent,
                                         const TPropertyDescription& editors)
    : QAbstractScrollArea(parent), select_(std::make_unique<TPropertySelect>()) {
  setObjectName("PropertyEditor");
  setFrameShape(QFrame::NoFrame);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  viewport()->setMouseTracking(true);
  resize(InspectorDefaultWidth, InspectorDefaultHeight);

  edit_ = new TPropEdit(viewport());
  edit_->setObjectName("PropEdit");
  edit_->List = select_.get();
  edit_->hide();
  button_ = new TSimpleButton(viewport());
  button_->hide();
  editor_ = std::make_unique<TPropertyEditor>(static_cast<TPropertyEditorWindow&>(*this), dialogs, chooser, editors);
  edit_->OnAction = [this](TEditAction action) { editor_->EditAction(action); };
  edit_->OnPress = [this](int64_t timeMs) { return editor_->EditPressed(timeMs); };
  button_->OnClick = [this] { editor_->ButtonClick(); };
  select_->OnSelected = [this](int index) { editor_->ListChosen(index); };

  // Dragging past the grid keeps stepping through the rows.
  dragScroll_.setInterval(40);
  connect(&dragScroll_, &QTimer::timeout, this, [this] { TErrorGuard::Run([this] { Move(lastMouse_); }); });
}

TPropertyEditorView::~TPropertyEditorView() {
  // The widgets outlive this part of the view a little; they must call nothing of it.
  dragScroll_.stop();
  edit_->List = nullptr;
  edit_->OnAction = nullptr;
  edit_->OnPress = nullptr;
  button_->OnClick = nullptr;
  select_->OnSelected = nullptr;
  editor_.reset();
}

int TPropertyEditorView::ClientWidth() const { return viewport()->width(); }
int TPropertyEditorView::ClientHeight() const { return viewport()->height(); }
void TPropertyEditorView::Invalidate() { viewport()->update(); }
int TPropertyEditorView::DoubleClickTime() const { return QGuiApplication::styleHints()->mouseDoubleClickInterval(); }

void TPropertyEditorView::SetEditVisible(bool visible) { edit_->setVisible(visible); }

void TPropertyEditorView::SetEditBounds(const platform::TRect& r) {
  edit_->setGeometry(r.Left, r.Top, r.Width(), r.Height());
}

void TPropertyEditorView::SetEditReadOnly(bool readOnly) { edit_->setReadOnly(readOnly); }

std::string TPropertyEditorView::EditText() const { return GbkFromQString(edit_->text()); }

void TPropertyEditorView::SetEditText(const std::string& gbk) { edit_->setText(QStringFromGbk(gbk)); }

void TPropertyEditorView::FocusEdit(bool selectAll) {
  if (!edit_->isVisible()) return;
  edit_->setFocus(Qt::MouseFocusReason);
  if (selectAll) edit_->selectAll();
}

void TPropertyEditorView::SetButton(bool visible, TButtonGlyph glyph, const platform::TRect& r) {
  button_->SetGlyph(glyph);
  button_->setGeometry(r.Left, r.Top, r.Width(), r.Height());
  button_->setVisible(visible);
}

void TPropertyEditorView::SetScrollBar(bool visible, int count, int page, int position) {
  settingBar_ = true;
  QScrollBar* bar = verticalScrollBar();
  bar->setRange(0, visible ? std::max(0, count - page) : 0);
  bar->setPageStep(std::max(1, page));
  bar->setSingleStep(1);
  bar->setValue(position);
  // Shown or hidden now (not at the next layout), so the client width is known at once.
  const Qt::ScrollBarPolicy policy = visible ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
  if (verticalScrollBarPolicy() != policy) setVerticalScrollBarPolicy(policy);
  settingBar_ = false;
}

void TPropertyEditorView::ShowList(const std::vector<std::string>& items, int itemIndex, const platform::TRect& r) {
  // Where the window system shows the grid: Qt's own idea of a dialog's position can be stale.
  const QPoint global = skin::ScreenPosition(*viewport()) + QPoint(r.Left, r.Top);
  select_->ShowItems(items, itemIndex, QRect(global, QSize(r.Width(), r.Height())));
}

void TPropertyEditorView::HideList() { select_->hide(); }

int TPropertyEditorView::ListTextWidth(const std::vector<std::string>& items) const {
  return select_->TextWidth(items);
}

void TPropertyEditorView::paintEvent(QPaintEvent*) {
  platform::TBitmap bitmap = skin::ControlBitmap(viewport());
  if (bitmap.Empty()) return;
  platform::TCanvas canvas(bitmap);
  editor_->Paint(canvas);
  skin::PaintToWidget(viewport(), bitmap);
}

void TPropertyEditorView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  editor_->Resized();
}

void TPropertyEditorView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const QPoint p = event->position().toPoint();
  editor_->MouseDown(p.x(), p.y(), int64_t(event->timestamp()));
}

void TPropertyEditorView::mouseDoubleClickEvent(QMouseEvent* event) {
  // Taken as a second press.
  mousePressEvent(event);
}

void TPropertyEditorView::mouseMoveEvent(QMouseEvent* event) { Move(event->position().toPoint()); }

void TPropertyEditorView::Move(QPoint pos) {
  lastMouse_ = pos;
  const TPropertyEditor::TMouseResult result = editor_->MouseMove(pos.x(), pos.y());
  viewport()->setCursor(result.Cursor == TGridCursor::HSplit ? Qt::SplitHCursor : Qt::ArrowCursor);
  if (result.KeepScrolling) {
    if (!dragScroll_.isActive()) dragScroll_.start();
  } else {
    dragScroll_.stop();
  }
}

void TPropertyEditorView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  dragScroll_.stop();
  editor_->MouseUp();
}

void TPropertyEditorView::scrollContentsBy(int, int) {
  if (!settingBar_) editor_->ScrollTo(verticalScrollBar()->value());
}

}  // namespace editor::ui
