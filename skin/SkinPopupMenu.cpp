#include "skin/SkinPopupMenu.h"

namespace skin {

TskPopupMenu::TskPopupMenu(QObject* owner) : TskMenuBase(owner), menu_(std::make_unique<QMenu>()) {
  Skin(menu_.get());
  ApplyStyle();
}

TskPopupMenu::~TskPopupMenu() = default;

void TskPopupMenu::Popup(int x, int y) { menu_->popup(QPoint(x, y)); }

void TskPopupMenu::StyleChanged(const TThemeSource& source) {
  TskMenuBase::StyleChanged(source);
  if (menu_) menu_->update();
}

}  // namespace skin
