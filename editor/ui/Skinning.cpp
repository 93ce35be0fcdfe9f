#include "Skinning.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QDialog>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QStyleOption>
#include <algorithm>

#include "platform/gfx/FontEngine.h"
#include "skin/SkinComboBox.h"
#include "skin/SkinEdit.h"
#include "skin/SkinMainMenu.h"
#include "skin/SkinPopupMenu.h"
#include "skin/SkinPublic.h"
#include "skin/Skinnable.h"

namespace editor::ui {

namespace {

// The skin's frame on the plain controls of a window: the two one-pixel frames of the skinned
// edits (the control border colour, then the control's own), on edits, spin boxes, combo boxes
// and item views alike.
class TControlStyle : public skin::TskEditStyle {
 public:
  explicit TControlStyle(skin::TskUIStyle style)
      : border_(skin::TThemeSource(nullptr, style).Color(skin::tiControlBorderColor)) {}

  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
    if (element == PE_PanelLineEdit || element == PE_FrameLineEdit) {
      if (element == PE_PanelLineEdit) painter->fillRect(option->rect, option->palette.base());
      Frame(*painter, option->rect);
      return;
    }
    skin::TskEditStyle::drawPrimitive(element, option, painter, widget);
  }

  // Password edits show a "*" per character.
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* data) const override {
    if (hint == SH_LineEdit_PasswordCharacter) return '*';
    return skin::TskEditStyle::styleHint(hint, option, widget, data);
  }

  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget) const override {
    if (element == CE_ShapedFrame) {
      Frame(*painter, option->rect);
      return;
    }
    skin::TskEditStyle::drawControl(element, option, painter, widget);
  }

  void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                          const QWidget* widget) const override {
    skin::TskEditStyle::drawComplexControl(control, option, painter, widget);
    if (control == CC_ComboBox || control == CC_SpinBox) Frame(*painter, option->rect);
  }

 private:
  void Frame(QPainter& painter, const QRect& r) const {
    painter.save();
    painter.translate(r.topLeft());
    skin::DrawControlBorder(painter, r.width(), r.height(), border_, skin::clWindow, true);
    painter.restore();
  }

  skin::TColor border_;
};

// A control inside another (a spin box's or combo box's own edit, a combo box's list) is drawn
// by its owner.
bool PartOfAnother(const QWidget* w) {
  for (const QWidget* p = w->parentWidget(); p && !p->isWindow(); p = p->parentWidget())
    if (qobject_cast<const QAbstractSpinBox*>(p) || qobject_cast<const QComboBox*>(p)) return true;
  return false;
}

bool TakesControlStyle(const QWidget* w) {
  if (skin::AsSkinnable(w) || PartOfAnother(w)) return false;
  return qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w) ||
         qobject_cast<const QComboBox*>(w) || qobject_cast<const QAbstractItemView*>(w);
}

QSize FrameExtra(const skin::TskForm* frame) {
  const QRect client = frame->Client()->geometry();
  return {2 * client.x(), client.y() + client.x()};
}

}  // namespace

skin::TskButton* NewButton(const QString& caption, QWidget* parent) {
  auto* button = new skin::TskButton(parent);
  button->setText(caption);
  return button;
}

skin::TskCheckBox* NewCheckBox(const QString& caption, QWidget* parent) {
  auto* check = new skin::TskCheckBox(parent);
  check->SetTransparent(true);  // on its window's ground
  check->SetCaption(caption);   // sizes it to the caption
  check->setMinimumSize(check->size());
  return check;
}

skin::TskGroupBox* NewGroupBox(const QString& caption, QWidget* parent) {
  auto* box = new skin::TskGroupBox(parent);
  box->SetCaption(caption.isEmpty() ? QStringLiteral(" ") : caption);
  return box;
}

skin::TskPanel* NewCaptionPanel(const QString& caption, QWidget* parent) {
  auto* panel = new skin::TskPanel(parent);
  panel->SetCaption(caption);
  panel->SetShowButton(false);
  return panel;
}

TSpinEdit::TSpinEdit(QWidget* parent) : skin::TskSpinEdit(parent) {
  connect(this, &QLineEdit::textChanged, this, [this] {
    const int now = value();
    if (now == last_) return;
    last_ = now;
    emit valueChanged(now);
  });
}

int TSpinEdit::value() const {
  return std::clamp(Value(), std::min(MinValue(), MaxValue()), std::max(MinValue(), MaxValue()));
}

void TSpinEdit::setRange(int low, int high) {
  SetMinValue(low);
  SetMaxValue(high);
  SetValue(Value());
}

// The window's own frame, if it has one.
const skin::TskForm* FrameOf(const QWidget* window) {
  for (QObject* child : window->children())
    if (auto* frame = qobject_cast<skin::TskForm*>(child); frame && frame->IsFrame()) return frame;
  return nullptr;
}

QSize FramedSize(const QWidget* window, QSize content) {
  const skin::TskForm* frame = FrameOf(window);
  return frame ? content + FrameExtra(frame) : content;
}

void WidenForCaption(QWidget* window, const QString& caption) {
  const skin::TskForm* frame = FrameOf(window);
  if (!frame) return;
  const int needed = frame->WidthForCaption(caption);
  if (window->width() >= needed) return;
  if (window->minimumWidth() == window->maximumWidth()) window->setFixedWidth(needed);
  else window->resize(needed, window->height());  // the user may make it narrower again
}

QFont WindowFont() {
  static const QString family = [] {
    platform::TFontDescription song;  // "宋体"
    song.Height = -12;
    try {
      const std::string face = platform::MainFace(song).Family;
      if (!face.empty()) return QString::fromStdString(face);
    } catch (const std::exception&) {
      // No font configuration: Qt's own match for the name.
    }
    return QString::fromUtf8("宋体");
  }();
  QFont font(family);
  font.setPixelSize(12);
  font.setStyleStrategy(QFont::NoAntialias);
  return font;
}

skin::TskForm* Skinning(QWidget* window) {
  window->setFont(WindowFont());
  const bool fixed = window->minimumSize() == window->maximumSize();
  const bool sized = window->testAttribute(Qt::WA_Resized);
  const QSize before = window->size();

  skin::TskForm* frame = skin::TskForm::Attach(window, WindowStyle);
  // Every time it opens: a dialog centred on the window that opens it, any other window on the
  // screen.
  frame->SetPlacement(qobject_cast<QDialog*>(window) ? skin::TskFormPlacement::OwnerCentre
                                                     : skin::TskFormPlacement::ScreenCentre);

  // A main menu made with the window's content joins the frame's menu bar; every other menu
  // (a tool bar's overflow, say) is drawn by the skin's rules too.
  if (auto* menu = window->findChild<skin::TskMainMenu*>(QString(), Qt::FindDirectChildrenOnly)) frame->SetMenu(menu);
  auto* menus = new skin::TskPopupMenu(frame);
  menus->SetUIStyle(WindowStyle);
  for (QMenu* m : window->findChildren<QMenu*>())
    if (!dynamic_cast<skin::TskMenuStyle*>(m->style())) menus->Skin(m);

  auto* style = new TControlStyle(WindowStyle);
  style->setParent(frame);
  for (QWidget* w : window->findChildren<QWidget*>()) {
    if (!TakesControlStyle(w)) continue;
    w->setStyle(style);
    if (auto* box = qobject_cast<QComboBox*>(w)) skin::DropUnderBox(*box);
  }

  // The frame takes its bands and title bar from the window; a window sized by its content
  // grows by them. A window given its size keeps it, frame and all.
  const QSize extra = FrameExtra(frame);
  QLayout* content = frame->Client()->layout();
  if (fixed && before.isValid() && before.width() > 0) {
    window->setFixedSize(before + extra);
  } else if (content) {
    window->setMinimumSize(window->minimumSize().expandedTo(content->totalMinimumSize() + extra));
    if (!sized) window->resize(content->totalSizeHint() + extra);
  }
  WidenForCaption(window, window->windowTitle());
  return frame;
}

}  // namespace editor::ui
