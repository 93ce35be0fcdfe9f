#pragma once
// TskMainMenu: a window's main menu. It holds the window's top-level QMenus and hands them to
// the window's frame (TskForm), which shows them in its menu bar; every drop-down is drawn by
// the skin's rules.
#include <QList>
#include <QMenu>
#include <QPointer>
#include <vector>

#include "skin/SkinMenu.h"

namespace skin {

class TskForm;

class TskMainMenu : public TskMenuBase {
  Q_OBJECT

 public:
  // On a window with a frame, the first frame among its children takes this menu.
  explicit TskMainMenu(QObject* owner = nullptr);
  ~TskMainMenu() override;

  // Adds a top-level menu (owned by this object unless it has a parent) and skins it.
  QMenu* AddMenu(const QString& caption);
  void AddMenu(QMenu* menu);
  const QList<QMenu*>& Menus() const { return menus_; }

  TskForm* Frame() const { return frame_; }
  void SetFrame(TskForm* frame) { frame_ = frame; }
  void SetUseSystemFont(bool on) override;

 protected:
  void StyleChanged(const TThemeSource& source) override;

 private:
  QList<QMenu*> menus_;
  std::vector<QPointer<QMenu>> owned_;
  QPointer<TskForm> frame_;
};

}  // namespace skin
