#include "CardDialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <string>
#include <utility>

#include "clients/quayside/QtText.h"

namespace quayside {

TCardDialog::TCardDialog(std::vector<TStationCard> cards, TMessageBoxes& boxes,
                         std::function<void()> changePassword, QWidget* parent)
    : QDialog(parent), cards_(std::move(cards)), boxes_(boxes) {
  setWindowTitle(QStringLiteral("显示卡配置"));
  auto* grid = new QGridLayout;
  const QString headings[] = {QStringLiteral("显示名称"), QStringLiteral("IP地址"),
                              QStringLiteral("宽度"),     QStringLiteral("高度"),
                              QStringLiteral("地址"),     QStringLiteral("显示")};
  for (int c = 0; c < 6; ++c) grid->addWidget(new QLabel(headings[c], this), 0, c + 1);

  for (int row = 0; row < Rows; ++row) {
    grid->addWidget(new QLabel(QStringLiteral("显示卡%1").arg(row + 1), this), row + 1, 0);
    for (int c = 0; c < ccColumns; ++c) {
      fields_[size_t(row)][size_t(c)] = new QLineEdit(this);
      grid->addWidget(fields_[size_t(row)][size_t(c)], row + 1, c + 1);
    }
    auto* type = new QComboBox(this);
    type->addItem(QStringLiteral("单色显示屏"));
    type->addItem(QStringLiteral("双色显示屏"));
    type->setCurrentIndex(-1);
    types_[size_t(row)] = type;
    grid->addWidget(type, row + 1, ccColumns + 1);

    const bool exists = size_t(row) < cards_.size();
    if (exists) {
      const TStationCard& card = cards_[size_t(row)];
      Field(row, ccName)->setText(FromGbk(card.Name));
      Field(row, ccIP)->setText(FromGbk(card.IP));
      Field(row, ccWidth)->setText(QString::number(card.Width));
      Field(row, ccHeight)->setText(QString::number(card.Height));
      Field(row, ccAddr)->setText(QString::number(card.Addr));
      if (card.Type == 0 || card.Type == 1) type->setCurrentIndex(card.Type);
    }
    for (QLineEdit* field : fields_[size_t(row)]) field->setEnabled(exists);
    type->setEnabled(exists);
  }

  ok_ = new QPushButton(QStringLiteral("确定"), this);
  ok_->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("取消"), this);
  change_ = new QPushButton(QStringLiteral("更改密码"), this);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(change_);
  buttons->addStretch();
  buttons->addWidget(ok_);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(buttons);

  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(change_, &QPushButton::clicked, this, [changePassword] {
    if (changePassword) changePassword();
  });
}

void TCardDialog::accept() {
  for (size_t row = 0; row < cards_.size() && row < size_t(Rows); ++row) {
    const int r = int(row);
    for (const auto& [column, what] : {std::pair{ccWidth, "宽度"}, std::pair{ccHeight, "高度"}}) {
      QLineEdit* field = Field(r, column);
      if (CardSideInRange(ReadNumber(ToGbk(field->text())))) continue;
      boxes_.Show("显示卡" + std::to_string(r + 1) + "的" + what + "必须是1至" +
                      std::to_string(MaxCardSide) + "之间的数",
                  biStop);
      field->setFocus();
      field->selectAll();
      return;
    }
  }
  QDialog::accept();
}

std::vector<TStationCard> TCardDialog::Cards() const {
  std::vector<TStationCard> cards = cards_;
  for (size_t row = 0; row < cards.size() && row < size_t(Rows); ++row) {
    TStationCard& card = cards[row];
    const int r = int(row);
    card.Name = ToGbk(Field(r, ccName)->text());
    card.IP = ToGbk(Field(r, ccIP)->text());
    card.Width = ReadNumber(ToGbk(Field(r, ccWidth)->text()));
    card.Height = ReadNumber(ToGbk(Field(r, ccHeight)->text()));
    card.Addr = ReadNumber(ToGbk(Field(r, ccAddr)->text()));
    if (TypeBox(r)->currentIndex() >= 0) card.Type = TypeBox(r)->currentIndex();
  }
  return cards;
}

}  // namespace quayside
