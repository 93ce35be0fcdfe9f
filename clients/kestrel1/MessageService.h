#pragma once
// Message boxes behind an interface: the program shows modal boxes, tests record what would
// have been shown and never enter a modal loop.
#include <QString>

namespace kestrel1 {

// The title of every message box of the demo.
inline const QString MessageTitle = QStringLiteral("提示信息");

class TMessageService {
 public:
  virtual ~TMessageService() = default;
  virtual void Show(const QString& title, const QString& text) = 0;
};

// A modal information box over the active window.
class TMessageBoxService final : public TMessageService {
 public:
  void Show(const QString& title, const QString& text) override;
};

}  // namespace kestrel1
