#pragma once
// "显示卡配置": ten rows "显示卡1" to "显示卡10" with a name, IP address, width, height, address
// and type ("单色显示屏"/"双色显示屏") each. It edits the existing cards only: their rows are filled
// from them and written back on OK; rows past the last card stay empty and disabled. A Type the
// list cannot show stays as it is unless another is picked. "更改密码" opens the change dialog
// through the callback it is given. OK is refused, with a message box, while a card's width or
// height is outside 1..65535: the card could not be sent such a size.
#include <QDialog>

#include <array>
#include <functional>
#include <vector>

#include "clients/quayside/Questions.h"
#include "clients/quayside/StationData.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace quayside {

class TCardDialog final : public QDialog {
  Q_OBJECT

 public:
  enum TColumn { ccName, ccIP, ccWidth, ccHeight, ccAddr, ccColumns };
  static constexpr int Rows = int(MaxCards);

  TCardDialog(std::vector<TStationCard> cards, TMessageBoxes& boxes,
              std::function<void()> changePassword, QWidget* parent = nullptr);

  // OK: accepted only when every card's width and height are in range; else the first field
  // out of range is named in a message box and gets the focus.
  void accept() override;

  // The cards as the rows hold them; what OK hands back.
  std::vector<TStationCard> Cards() const;

  QLineEdit* Field(int row, TColumn column) const { return fields_[size_t(row)][column]; }
  QComboBox* TypeBox(int row) const { return types_[size_t(row)]; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* ChangePasswordButton() const { return change_; }

 private:
  std::vector<TStationCard> cards_;
  TMessageBoxes& boxes_;
  std::array<std::array<QLineEdit*, ccColumns>, Rows> fields_{};
  std::array<QComboBox*, Rows> types_{};
  QPushButton* ok_;
  QPushButton* change_;
};

}  // namespace quayside
