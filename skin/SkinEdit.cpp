#include "skin/SkinEdit.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOption>

namespace skin {

using namespace platform;

// --- TskEditStyle ---

TskEditStyle::TskEditStyle() = default;

int TskEditStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const {
  if (metric == PM_DefaultFrameWidth) return 2;
  return TskDropDownStyle::pixelMetric(metric, option, widget);
}

void TskEditStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                 const QWidget* widget) const {
  if (element == PE_PanelLineEdit || element == PE_FrameLineEdit) {
    const auto* edit = dynamic_cast<const TskEdit*>(widget);
    const TColor border = edit ? edit->BorderColor : 0;
    const TColor inner = edit ? edit->Color : clWindow;
    if (element == PE_PanelLineEdit) painter->fillRect(option->rect, ToQColor(inner));
    painter->save();
    painter->translate(option->rect.topLeft());
    DrawControlBorder(*painter, option->rect.width(), option->rect.height(), border, inner, true);
    painter->restore();
    return;
  }
  TskDropDownStyle::drawPrimitive(element, option, painter, widget);
}

namespace {

QStyle* EditStyle() {
  static TskEditStyle* style = new TskEditStyle();
  return style;
}

}  // namespace

// --- TskEdit ---

TskEdit::TskEdit(QWidget* parent) : QLineEdit(parent), TSkinnable(this, DefaultControlStyle(parent)) {
  setStyle(EditStyle());
  setAttribute(Qt::WA_OpaquePaintEvent);
  ApplyStyle();
}

void TskEdit::StyleChanged(const TThemeSource& source) { BorderColor = source.Color(tiControlBorderColor); }

// --- TskSpinButtons ---

TskSpinButtons::TskSpinButtons(QWidget* parent) : QWidget(parent) {
  up_ = new TskArrowButton(this);
  down_ = new TskArrowButton(this);
  down_->SetArrow(skDown);
  for (TskArrowButton* b : {up_, down_}) {
    b->SetTabStop(false);
    b->MouseContinuouslyDownInterval = kRepeatMs;
  }
  up_->OnClick = [this] {
    if (OnUpClick) OnUpClick();
  };
  up_->OnMouseContinuouslyDown = up_->OnClick;
  down_->OnClick = [this] {
    if (OnDownClick) OnDownClick();
  };
  down_->OnMouseContinuouslyDown = down_->OnClick;
  resize(20, 25);
}

TskUIStyle TskSpinButtons::UIStyle() const { return up_ ? up_->UIStyle() : DeepBlue; }

void TskSpinButtons::SetUIStyle(TskUIStyle style) {
  up_->SetUIStyle(style);
  down_->SetUIStyle(style);
}

void TskSpinButtons::SetFileTheme(TskFileTheme* theme) {
  up_->SetFileTheme(theme);
  down_->SetFileTheme(theme);
}

void TskSpinButtons::resizeEvent(QResizeEvent*) {
  // The pair is at least 15 high: the up button the upper half, the down button the rest.
  const int h = std::max(15, height()), half = h / 2;
  up_->setGeometry(0, 0, width(), half);
  down_->setGeometry(0, half, width(), h - half);
}

void TskSpinButtons::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Up) up_->click();
  else if (event->key() == Qt::Key_Down) down_->click();
  else QWidget::keyPressEvent(event);
}

// --- TskSpinEdit ---

std::function<void()>& TskSpinEdit::Beep() {
  static std::function<void()> beep = [] { QApplication::beep(); };
  return beep;
}

TskSpinEdit::TskSpinEdit(QWidget* parent) : TskEdit(parent) {
  buttons_ = new TskSpinButtons(this);
  buttons_->resize(15, 20);
  buttons_->setFocusPolicy(Qt::NoFocus);
  buttons_->OnUpClick = [this] { UpClick(); };
  buttons_->OnDownClick = [this] { DownClick(); };
  setText(QStringLiteral("0"));
  resize(121, 21);
  ApplyStyle();
}

void TskSpinEdit::StyleChanged(const TThemeSource& source) {
  TskEdit::StyleChanged(source);
  if (buttons_) {
    buttons_->SetFileTheme(FileTheme());
    buttons_->SetUIStyle(UIStyle());
  }
}

int TskSpinEdit::Value() const {
  bool ok = false;
  const int v = text().trimmed().toInt(&ok);
  return ok ? v : minValue_;
}

void TskSpinEdit::SetValue(int v) {
  if (minValue_ != maxValue_) v = std::clamp(v, std::min(minValue_, maxValue_), std::max(minValue_, maxValue_));
  setText(QString::number(v));
}

void TskSpinEdit::StepBy(int64_t delta) {
  if (isReadOnly()) {
    Refuse();
    return;
  }
  // Saturate at the 32-bit range first, then clamp to MinValue..MaxValue.
  const int64_t next = std::clamp<int64_t>(int64_t(Value()) + delta, INT32_MIN, INT32_MAX);
  SetValue(int(next));
}

void TskSpinEdit::UpClick() { StepBy(Increment); }
void TskSpinEdit::DownClick() { StepBy(-int64_t(Increment)); }

bool TskSpinEdit::Refuse() {
  if (Beep()) Beep()();
  return true;
}

void TskSpinEdit::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Up:
      UpClick();
      return;
    case Qt::Key_Down:
      DownClick();
      return;
    default:
      break;
  }
  if (event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Cut)) {
    if (!EditorEnabled || isReadOnly()) {
      Refuse();
      return;
    }
    return QLineEdit::keyPressEvent(event);
  }
  const QString t = event->text();
  const bool deleting = event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete;
  if (deleting) {
    if (!EditorEnabled) {
      Refuse();
      return;
    }
    return QLineEdit::keyPressEvent(event);
  }
  if (t.isEmpty() || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
      event->ignore();  // Enter goes on to the dialog
      return;
    }
    return QLineEdit::keyPressEvent(event);  // navigation keys
  }
  const QChar c = t.at(0);
  const bool control = c.unicode() < 0x20;
  if (control) return QLineEdit::keyPressEvent(event);
  if (!EditorEnabled || !(c == QLatin1Char('-') || c.isDigit())) {
    Refuse();
    return;
  }
  QLineEdit::keyPressEvent(event);
}

bool TskSpinEdit::event(QEvent* event) {
  // Up and Down belong to the spin edit, not to focus moves.
  if (event->type() == QEvent::ShortcutOverride) {
    auto* k = static_cast<QKeyEvent*>(event);
    if (k->key() == Qt::Key_Up || k->key() == Qt::Key_Down) {
      event->accept();
      return true;
    }
  }
  return TskEdit::event(event);
}

void TskSpinEdit::focusInEvent(QFocusEvent* event) {
  TskEdit::focusInEvent(event);
  if (AutoSelect && event->reason() != Qt::MouseFocusReason) selectAll();
}

void TskSpinEdit::focusOutEvent(QFocusEvent* event) {
  TskEdit::focusOutEvent(event);
  bool ok = false;
  const int v = text().trimmed().toInt(&ok);
  // A number outside the range is written back clamped; other texts stay as they are.
  if (ok && minValue_ != maxValue_ && (v < minValue_ || v > maxValue_)) SetValue(v);
}

void TskSpinEdit::resizeEvent(QResizeEvent* event) {
  TskEdit::resizeEvent(event);
  if (!buttons_) return;
  buttons_->setGeometry(width() - buttons_->width() - 4, 0, buttons_->width(), std::max(0, height() - 4));
  // The text ends 2 pixels left of the buttons.
  setTextMargins(0, 0, buttons_->width() + 4 + 2 - 2, 0);
}

}  // namespace skin
