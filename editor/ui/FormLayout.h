#pragma once
// Small pieces the dialogs are laid out with.
#include <QHBoxLayout>
#include <QPushButton>
#include <initializer_list>

namespace editor::ui {

// A push button with its object name and its caption (UTF-8). It is no default button: Enter
// belongs to the dialog's edits.
QPushButton* NewButton(QWidget* parent, const char* name, const char* utf8Caption);
// The buttons in a row, to the right.
QHBoxLayout* ButtonRow(std::initializer_list<QPushButton*> buttons);

}  // namespace editor::ui
