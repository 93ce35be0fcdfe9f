#pragma once
// What the window tests share: an offscreen application, a temporary folder that also holds
// the settings, a recorder for message boxes, and a wait that runs the event loop.
#include <QApplication>
#include <QSettings>

#include <chrono>
#include <cstdlib>
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "TempFolder.h"
#include "clients/quayside/Questions.h"

namespace quayside::test {

// The one application of the test process, on the offscreen platform.
inline QApplication& App() {
  static int argc = 1;
  static char name[] = "quayside_gui_tests";
  static char* argv[] = {name, nullptr};
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication app(argc, argv);
  return app;
}

// A temporary folder for the station files, which is also where the settings live
// ($XDG_CONFIG_HOME and QSettings' user path point into it).
class TTempHome {
 public:
  TTempHome() : config_(folder_.Path() + "/config") {
    setenv("XDG_CONFIG_HOME", config_.c_str(), 1);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(config_));
  }
  const std::string& Path() const { return folder_.Path(); }
  std::string File(const std::string& name) const { return folder_.File(name); }
  const std::string& Config() const { return config_; }

 private:
  TTempFolder folder_;
  std::string config_;
};

// Answers questions from a queue (yes when it is empty) and keeps every box shown.
class TRecordingBoxes final : public TMessageBoxes {
 public:
  TAnswer AskYesNoCancel(const std::string& text) override {
    asked.push_back(text);
    if (answers.empty()) return anYes;
    const TAnswer a = answers.front();
    answers.pop_front();
    return a;
  }
  void Show(const std::string& text, TBoxIcon icon) override { shown.emplace_back(text, icon); }

  std::deque<TAnswer> answers;
  std::vector<std::string> asked;
  std::vector<std::pair<std::string, TBoxIcon>> shown;
};

// Runs the event loop until `done` holds; false when it did not within the limit.
inline bool WaitUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds limit = std::chrono::seconds(20)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  }
  return true;
}

}  // namespace quayside::test
