#include "TableView.h"

#include <QApplication>
#include <QFocusEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <algorithm>
#include <cstdlib>

#include "editor/ui/QtText.h"
#include "platform/gfx/Canvas.h"

namespace editor::ui {

namespace {

QRect ToQRect(const platform::TRect& r) { return QRect(QPoint(r.Left, r.Top), QPoint(r.Right - 1, r.Bottom - 1)); }

model::TTableShift ShiftOf(Qt::KeyboardModifiers m) {
  model::TTableShift s = 0;
  if (m & Qt::ShiftModifier) s |= model::tsShift;
  if (m & Qt::ControlModifier) s |= model::tsCtrl;
  return s;
}

std::optional<model::TTableButton> ButtonOf(Qt::MouseButton b) {
  switch (b) {
    case Qt::LeftButton: return model::TTableButton::Left;
    case Qt::RightButton: return model::TTableButton::Right;
    case Qt::MiddleButton: return model::TTableButton::Middle;
    default: return std::nullopt;
  }
}

// The key codes the table's engine looks at; 0 for the others.
uint16_t KeyOf(int key) {
  switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return model::vkReturn;
    case Qt::Key_Escape: return model::vkEscape;
    case Qt::Key_Left: return model::vkLeft;
    case Qt::Key_Up: return model::vkUp;
    case Qt::Key_Right: return model::vkRight;
    case Qt::Key_Down: return model::vkDown;
    default: return 0;
  }
}

Qt::CursorShape CursorOf(model::TTableCursor c) {
  switch (c) {
    case model::TTableCursor::Text: return Qt::IBeamCursor;
    case model::TTableCursor::SizeLeftRight: return Qt::SizeHorCursor;
    case model::TTableCursor::SizeUpDown: return Qt::SizeVerCursor;
    case model::TTableCursor::Arrow: break;
  }
  return Qt::ArrowCursor;
}

// Cell text (GBK, CR LF) to the edit's text and back.
QString EditText(const std::string& gbk) {
  QString s = QStringFromGbk(gbk);
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  s.replace(QChar('\r'), QChar('\n'));
  return s;
}

std::string CellText(QString text) {
  text.replace(QChar::ParagraphSeparator, QChar('\n'));
  text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
  return GbkFromQString(text);
}

QFont FontOf(const platform::TLogFont& lf) {
  QFont f(QStringFromGbk(lf.FaceName));
  // A negative height is the character height, a positive one the cell's; both near enough.
  f.setPixelSize(std::clamp(lf.Height == 0 ? 16 : std::abs(lf.Height), 1, 2048));
  f.setBold(lf.Weight >= platform::TLogFont::kWeightBold);
  f.setItalic(lf.Italic != 0);
  f.setUnderline(lf.Underline != 0);
  f.setStrikeOut(lf.StrikeOut != 0);
  return f;
}

Qt::Alignment AlignmentOf(uint32_t horz) {
  if (horz == model::chaCenter) return Qt::AlignHCenter;
  if (horz == model::chaRight) return Qt::AlignRight;
  return Qt::AlignLeft;
}

}  // namespace

TTableView::TTableView(QWidget* parent) : QAbstractScrollArea(parent) {
  setObjectName("scbMain");
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setMouseTracking(true);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);

  edit_ = new QPlainTextEdit(viewport());
  edit_->setObjectName("TableInlineEditor");
  edit_->setFrameShape(QFrame::NoFrame);
  edit_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  edit_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  edit_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  edit_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  edit_->document()->setDocumentMargin(0);
  edit_->hide();
  edit_->installEventFilter(this);
  connect(edit_->document(), &QTextDocument::contentsChange,
          [this](int position, int, int) { changeAt_ = position; });
  connect(edit_, &QPlainTextEdit::textChanged, [this] { EditorTextChanged(); });

  autoScroll_ = new QTimer(this);
  autoScroll_->setInterval(AutoScrollMs);
  connect(autoScroll_, &QTimer::timeout, [this] { AutoScrollTick(); });
}

TTableView::~TTableView() { SetTable(nullptr); }

void TTableView::SetTable(model::TTableReport* table) {
  if (table_ && table_->Host() == this) table_->SetHost(nullptr);
  table_ = table;
  if (table_) table_->SetHost(this);
  shownDragLine_.reset();
  UpdateScrollBars();
  EditorChanged();
  viewport()->update();
}

QPoint TTableView::TablePoint(const QPoint& p) const {
  return p + QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

// ---- Host ----------------------------------------------------------------------------------

void TTableView::InvalidateTableRect(const platform::TRect& rect) {
  const QPoint s = TablePoint({0, 0});
  const platform::TRect shown{s.x(), s.y(), s.x() + viewport()->width(), s.y() + viewport()->height()};
  const platform::TRect r = platform::Intersect(rect, shown);
  if (r.IsEmpty()) return;
  viewport()->update(ToQRect(r.Offset(-s.x(), -s.y())));
}

void TTableView::ExtentChanged() {
  UpdateScrollBars();
  viewport()->update();
}

void TTableView::ScrollTo(int x, int y) {
  horizontalScrollBar()->setValue(x);
  verticalScrollBar()->setValue(y);
}

platform::TSize TTableView::ViewportSize() const { return {viewport()->width(), viewport()->height()}; }

void TTableView::UpdateScrollBars() {
  const platform::TSize extent = table_ ? table_->Extent() : platform::TSize{};
  const QSize view = viewport()->size();
  horizontalScrollBar()->setRange(0, std::max(0, extent.cx - view.width()));
  horizontalScrollBar()->setPageStep(view.width());
  horizontalScrollBar()->setSingleStep(AutoScrollStep);
  verticalScrollBar()->setRange(0, std::max(0, extent.cy - view.height()));
  verticalScrollBar()->setPageStep(view.height());
  verticalScrollBar()->setSingleStep(AutoScrollStep);
}

// ---- The inline editor ---------------------------------------------------------------------

void TTableView::EditorChanged() {
  const model::TInlineEditor* e = table_ ? &table_->Editor() : nullptr;
  if (!e || !e->Open) {
    const bool hadFocus = edit_->hasFocus();
    edit_->hide();
    shownText_.clear();
    if (hadFocus) setFocus(Qt::OtherFocusReason);
    return;
  }
  syncing_ = true;
  edit_->setFont(FontOf(e->Font));
  QPalette palette = edit_->palette();
  palette.setColor(QPalette::Base, QColorFromColorRef(e->BackColor));
  palette.setColor(QPalette::Text, QColorFromColorRef(e->TextColor));
  edit_->setPalette(palette);
  QTextOption option = edit_->document()->defaultTextOption();
  option.setAlignment(AlignmentOf(e->HorzAlign));
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  edit_->document()->setDefaultTextOption(option);
  if (!edit_->isVisible() || e->Text != shownText_) {
    edit_->setPlainText(EditText(e->Text));
    edit_->moveCursor(QTextCursor::End);
    shownText_ = e->Text;
  }
  syncing_ = false;
  PlaceEditor();
  if (!edit_->isVisible()) {
    edit_->show();
    edit_->setFocus(Qt::OtherFocusReason);
  }
}

void TTableView::PlaceEditor() {
  if (!table_ || !table_->Editor().Open) return;
  const platform::TRect& r = table_->Editor().TextRect;
  const QPoint s = TablePoint({0, 0});
  edit_->setGeometry(r.Left - s.x(), r.Top - s.y(), std::max(1, r.Width()), std::max(1, r.Height()));
}

void TTableView::EditorTextChanged() {
  if (syncing_ || !table_ || !table_->Editor().Open) return;
  const std::string text = CellText(edit_->toPlainText());
  if (table_->SetEditorText(text)) {
    shownText_ = text;
    return;
  }
  // Too long: the edit goes back to what the cell holds, the caret to where the change began.
  const int at = changeAt_;
  syncing_ = true;
  edit_->setPlainText(EditText(shownText_));
  QTextCursor cursor = edit_->textCursor();
  cursor.setPosition(std::min(at, edit_->document()->characterCount() - 1));
  edit_->setTextCursor(cursor);
  syncing_ = false;
}

// ---- Painting and scrolling ----------------------------------------------------------------

void TTableView::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  const QRect area = event->rect();
  if (!table_ || area.isEmpty()) {
    painter.fillRect(area, palette().color(QPalette::Window));
    return;
  }
  const QPoint s = TablePoint({0, 0});
  platform::TBitmap bitmap(area.width(), area.height());
  platform::TCanvas canvas(bitmap);
  canvas.SetOrigin(-(area.x() + s.x()), -(area.y() + s.y()));
  const platform::TRect tableArea =
      platform::Bounds(area.x() + s.x(), area.y() + s.y(), area.width(), area.height());
  table_->PaintArea(canvas, tableArea);
  const QImage image(bitmap.Bits(), bitmap.Width(), bitmap.Height(), qsizetype(bitmap.Stride()),
                     QImage::Format_BGR888);
  painter.drawImage(area.topLeft(), image);
  if (const auto line = table_->DragLine()) {
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setPen(QPen(Qt::white, 1));
    painter.drawLine(QPoint(line->From.X, line->From.Y) - s, QPoint(line->To.X, line->To.Y) - s);
  }
}

void TTableView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBars();
}

void TTableView::scrollContentsBy(int, int) {
  viewport()->update();
  PlaceEditor();
}

// ---- Mouse, keys and focus -----------------------------------------------------------------

void TTableView::AfterInput() {
  if (!table_) return;
  viewport()->setCursor(CursorOf(table_->Cursor()));
  const auto line = table_->DragLine();
  if (line != shownDragLine_) {
    const QPoint s = TablePoint({0, 0});
    for (const auto& l : {shownDragLine_, line})
      if (l)
        viewport()->update(QRect(QPoint(l->From.X, l->From.Y) - s, QPoint(l->To.X, l->To.Y) - s)
                               .normalized()
                               .adjusted(-1, -1, 1, 1));
    shownDragLine_ = line;
  }
}

void TTableView::mousePressEvent(QMouseEvent* event) {
  setFocus(Qt::MouseFocusReason);
  const auto button = ButtonOf(event->button());
  if (!table_ || !button) return;
  lastMouse_ = event->position().toPoint();
  lastShift_ = ShiftOf(event->modifiers());
  const QPoint p = TablePoint(lastMouse_);
  table_->MouseDown(*button, lastShift_, p.x(), p.y());
  AfterInput();
}

void TTableView::mouseMoveEvent(QMouseEvent* event) {
  if (!table_) return;
  lastMouse_ = event->position().toPoint();
  lastShift_ = ShiftOf(event->modifiers());
  const QPoint p = TablePoint(lastMouse_);
  table_->MouseMove(lastShift_, p.x(), p.y());
  UpdateAutoScroll(lastMouse_);
  AfterInput();
}

void TTableView::mouseReleaseEvent(QMouseEvent* event) {
  autoScroll_->stop();
  const auto button = ButtonOf(event->button());
  if (!table_ || !button) return;
  lastMouse_ = event->position().toPoint();
  const QPoint p = TablePoint(lastMouse_);
  table_->MouseUp(*button, ShiftOf(event->modifiers()), p.x(), p.y());
  AfterInput();
}

void TTableView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (!table_ || event->button() != Qt::LeftButton) return;
  const QPoint p = TablePoint(event->position().toPoint());
  table_->DblClick(p.x(), p.y());
  AfterInput();
}

void TTableView::UpdateAutoScroll(const QPoint& p) {
  const QRect inner = viewport()->rect().adjusted(AutoScrollMargin, AutoScrollMargin, -AutoScrollMargin,
                                                  -AutoScrollMargin);
  const bool near = table_ && table_->SelectionDragging() && !inner.contains(p);
  if (near && !autoScroll_->isActive()) autoScroll_->start();
  if (!near) autoScroll_->stop();
}

void TTableView::AutoScrollTick() {
  if (!table_ || !table_->SelectionDragging()) {
    autoScroll_->stop();
    return;
  }
  const QRect view = viewport()->rect();
  int dx = 0, dy = 0;
  if (lastMouse_.x() < view.left() + AutoScrollMargin) dx = -AutoScrollStep;
  if (lastMouse_.x() > view.right() - AutoScrollMargin) dx = AutoScrollStep;
  if (lastMouse_.y() < view.top() + AutoScrollMargin) dy = -AutoScrollStep;
  if (lastMouse_.y() > view.bottom() - AutoScrollMargin) dy = AutoScrollStep;
  horizontalScrollBar()->setValue(horizontalScrollBar()->value() + dx);
  verticalScrollBar()->setValue(verticalScrollBar()->value() + dy);
  // The cell now under the mouse joins the rectangle.
  const QPoint p = TablePoint(lastMouse_);
  table_->MouseMove(lastShift_, p.x(), p.y());
  AfterInput();
}

void TTableView::keyPressEvent(QKeyEvent* event) {
  if (!table_) return QAbstractScrollArea::keyPressEvent(event);
  if (!table_->Editor().Open) {
    if (event->matches(QKeySequence::Copy)) return void(table_->CopySelection());
    if (event->matches(QKeySequence::Cut)) return void(table_->CutSelection());
    if (event->matches(QKeySequence::Paste)) return void(table_->PasteSelection());
  }
  if (const uint16_t key = KeyOf(event->key()); key && table_->KeyDown(key, ShiftOf(event->modifiers()))) {
    AfterInput();
    return;
  }
  const QString text = event->text();
  if (!text.isEmpty() && text.at(0).isPrint() && table_->KeyPress(GbkFromQString(text))) {
    AfterInput();
    return;
  }
  QAbstractScrollArea::keyPressEvent(event);
}

bool TTableView::eventFilter(QObject* watched, QEvent* event) {
  // Keys reach the table before the edit: Esc and the Ctrl keys end the editing.
  if (watched == edit_ && event->type() == QEvent::KeyPress && table_) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (const uint16_t code = KeyOf(key->key()); code && table_->KeyDown(code, ShiftOf(key->modifiers()))) {
      AfterInput();
      return true;
    }
  }
  return QAbstractScrollArea::eventFilter(watched, event);
}

void TTableView::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  // Coming back by keyboard or window activation: the view stands where it was left. A click
  // keeps what the person scrolled to meanwhile, so the click lands where it was aimed.
  if (savedScroll_ && event->reason() != Qt::MouseFocusReason) ScrollTo(savedScroll_->x(), savedScroll_->y());
  savedScroll_.reset();
}

void TTableView::focusOutEvent(QFocusEvent* event) {
  // The inline editor is part of the view.
  if (QApplication::focusWidget() != edit_) savedScroll_ = TablePoint({0, 0});
  QAbstractScrollArea::focusOutEvent(event);
}

}  // namespace editor::ui
