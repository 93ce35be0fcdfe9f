#include "skin/SkinMainMenu.h"

#include <QWidget>

#include "skin/SkinForm.h"

namespace skin {

TskMainMenu::TskMainMenu(QObject* owner) : TskMenuBase(owner) {
  ApplyStyle();
  if (auto* w = qobject_cast<QWidget*>(owner)) {
    for (QObject* child : w->window()->children())
      if (auto* frame = qobject_cast<TskForm*>(child); frame && frame->IsFrame()) {
        frame->SetMenu(this);
        break;
      }
  }
}

TskMainMenu::~TskMainMenu() {
  if (frame_ && frame_->Menu() == this) frame_->SetMenu(nullptr);
  // While the members still live: the menus' destroyed signals come back here.
  for (const QPointer<QMenu>& m : owned_) delete m.data();
}

QMenu* TskMainMenu::AddMenu(const QString& caption) {
  auto* menu = new QMenu(caption);
  menu->setParent(nullptr);
  AddMenu(menu);
  return menu;
}

void TskMainMenu::AddMenu(QMenu* menu) {
  if (!menu) return;
  if (!menu->parent()) owned_.push_back(menu);  // a top-level menu needs no widget parent
  menus_.append(menu);
  connect(menu, &QObject::destroyed, this, [this, menu] { menus_.removeAll(menu); });
  Skin(menu);
  if (frame_) frame_->RebuildMenuBar();
}

void TskMainMenu::SetUseSystemFont(bool on) {
  TskMenuBase::SetUseSystemFont(on);
  if (frame_) frame_->RefreshMenuBar();
}

void TskMainMenu::StyleChanged(const TThemeSource& source) {
  TskMenuBase::StyleChanged(source);
  for (QMenu* m : menus_) m->update();
  if (frame_) frame_->RefreshMenuBar();
}

}  // namespace skin
