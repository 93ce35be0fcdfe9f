#include "skin/SkinPageControl.h"

#include <QPainter>

namespace skin {

using namespace platform;

// --- TskTabSheet ---

TskTabSheet::TskTabSheet(TskPageControl* control)
    : QWidget(control), TSkinnable(this, control ? control->UIStyle() : DeepBlue), control_(control) {
  setAutoFillBackground(false);
}

TskTabSheet::~TskTabSheet() {
  if (control_) {
    control_->sheets_.removeAll(this);
    if (control_->active_ == this) control_->active_ = nullptr;
    control_->SheetsChanged();
  }
}

void TskTabSheet::SetCaption(const QString& caption) {
  caption_ = caption;
  if (control_) control_->SheetsChanged();
}

int TskTabSheet::PageIndex() const { return control_ ? int(control_->sheets_.indexOf(const_cast<TskTabSheet*>(this))) : -1; }

void TskTabSheet::SetTabVisible(bool visible) {
  tabVisible_ = visible;
  if (control_) control_->SheetsChanged();
}

void TskTabSheet::paintEvent(QPaintEvent*) { QPainter(this).fillRect(rect(), ToQColor(Color)); }

// --- TskPageControl ---

TskPageControl::TskPageControl(QWidget* parent) : TskTab(parent) {
  top_->SetTabs({});
  ApplyStyle();
}

TskPageControl::~TskPageControl() {
  // The sheets die with the widget after this object's members: they must not call back.
  for (TskTabSheet* s : sheets_) s->control_ = nullptr;
}

TskTabSheet* TskPageControl::AddSheet(const QString& caption) {
  auto* sheet = new TskTabSheet(this);
  sheet->caption_ = caption;
  sheets_.append(sheet);
  sheet->SetFileTheme(FileTheme());
  sheet->SetUIStyle(UIStyle());
  sheet->Color = Color;
  sheet->BorderColor = BorderColor;
  sheet->hide();
  SheetsChanged();
  if (!active_) Activate(sheet, false);
  resizeEvent(nullptr);
  return sheet;
}

TskTabSheet* TskPageControl::SheetOfTab(int tab) const {
  int n = -1;
  for (TskTabSheet* s : sheets_)
    if (s->TabVisible() && ++n == tab) return s;
  return nullptr;
}

int TskPageControl::TabOfSheet(const TskTabSheet* sheet) const {
  int n = -1;
  for (TskTabSheet* s : sheets_) {
    if (s->TabVisible()) ++n;
    if (s == sheet) return s->TabVisible() ? n : -1;
  }
  return -1;
}

void TskPageControl::SheetsChanged() {
  QStringList tabs;
  for (TskTabSheet* s : sheets_)
    if (s->TabVisible()) tabs << s->Caption();
  top_->SetTabs(tabs);
  top_->SetTabIndex(TabOfSheet(active_));
}

void TskPageControl::SetActivePage(TskTabSheet* sheet) {
  if (sheet && sheet->PageControl() == this) Activate(sheet, true);
}

void TskPageControl::Activate(TskTabSheet* sheet, bool focus) {
  if (active_ && active_ != sheet) active_->hide();
  active_ = sheet;
  if (!sheet) return;
  sheet->setGeometry(contentsRect());
  sheet->show();
  top_->SetTabIndex(TabOfSheet(sheet));
  if (focus) {
    // The first child that can take the focus gets it.
    for (QObject* o : sheet->children()) {
      auto* w = qobject_cast<QWidget*>(o);
      if (w && w->isEnabled() && w->focusPolicy() != Qt::NoFocus) {
        w->setFocus(Qt::TabFocusReason);
        break;
      }
    }
  }
}

bool TskPageControl::Changing() { return TskTab::Changing(); }

void TskPageControl::TabChanged(int index) {
  Activate(SheetOfTab(index), true);
  TskTab::TabChanged(index);
}

void TskPageControl::StyleChanged(const TThemeSource& source) {
  TskTab::StyleChanged(source);
  for (TskTabSheet* s : sheets_) {
    s->SetFileTheme(FileTheme());
    s->SetUIStyle(UIStyle());
    s->Color = Color;
    s->BorderColor = BorderColor;
    s->update();
  }
}

void TskPageControl::resizeEvent(QResizeEvent*) {
  LayoutStrip();
  for (TskTabSheet* s : sheets_) s->setGeometry(contentsRect());  // sheets fill the client area
}

}  // namespace skin
