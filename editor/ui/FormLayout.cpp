#include "FormLayout.h"

#include "editor/ui/Skinning.h"

namespace editor::ui {

QPushButton* NewButton(QWidget* parent, const char* name, const char* utf8Caption) {
  QPushButton* button = NewButton(QString::fromUtf8(utf8Caption), parent);
  button->setObjectName(name);
  button->setAutoDefault(false);
  return button;
}

QHBoxLayout* ButtonRow(std::initializer_list<QPushButton*> buttons) {
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  for (QPushButton* button : buttons) row->addWidget(button);
  return row;
}

}  // namespace editor::ui
