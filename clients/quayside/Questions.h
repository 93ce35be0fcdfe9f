#pragma once
// The message boxes the station client shows, behind an interface: the program answers with
// modal boxes, tests with a recorder.
#include <string>

namespace quayside {

enum TAnswer { anYes, anNo, anCancel };
enum TBoxIcon { biNone, biStop };

class TMessageBoxes {
 public:
  virtual ~TMessageBoxes() = default;
  // A question with yes, no and cancel (UTF-8 text).
  virtual TAnswer AskYesNoCancel(const std::string& text) = 0;
  // A message with an OK button.
  virtual void Show(const std::string& text, TBoxIcon icon) = 0;
};

}  // namespace quayside
