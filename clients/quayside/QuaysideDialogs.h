#pragma once
// The dialogs the main view opens, behind an interface: the program runs them modally, tests
// drive the dialog classes without a modal loop.
#include <QWidget>

#include <vector>

#include "clients/quayside/PasswordLock.h"
#include "clients/quayside/Questions.h"
#include "clients/quayside/StationData.h"

namespace quayside {

class TQuaysideDialogs {
 public:
  virtual ~TQuaysideDialogs() = default;
  // The password dialog; true when the entry opened the lock.
  virtual bool AskPassword(QWidget* parent) = 0;
  // The card dialog on `cards`; true, with the cards as edited, on OK.
  virtual bool EditCards(QWidget* parent, std::vector<TStationCard>& cards) = 0;
};

class TModalDialogs final : public TQuaysideDialogs {
 public:
  TModalDialogs(TPasswordStore& store, TMessageBoxes& boxes) : store_(store), boxes_(boxes) {}
  bool AskPassword(QWidget* parent) override;
  bool EditCards(QWidget* parent, std::vector<TStationCard>& cards) override;

 private:
  TPasswordStore& store_;
  TMessageBoxes& boxes_;
};

}  // namespace quayside
