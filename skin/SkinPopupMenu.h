#pragma once
// TskPopupMenu: a pop-up menu drawn by the skin's rules. It carries a QMenu (owned) whose
// items are the menu's actions; Popup shows it without a modal loop.
#include <QMenu>
#include <memory>

#include "skin/SkinMenu.h"

namespace skin {

class TskPopupMenu : public TskMenuBase {
  Q_OBJECT

 public:
  explicit TskPopupMenu(QObject* owner = nullptr);
  ~TskPopupMenu() override;

  QMenu* Menu() const { return menu_.get(); }
  // Shows the menu with its top-left corner at the screen point.
  virtual void Popup(int x, int y);

 protected:
  void StyleChanged(const TThemeSource& source) override;

 private:
  std::unique_ptr<QMenu> menu_;
};

}  // namespace skin
