#pragma once
// What the card-operation tests put in place of the person at the screen, and how they watch a
// project root: scripted answers to the card prompts, every (screen, status) the root reports
// through OnStatusChanged, and test data.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "model/CardPrompts.h"
#include "model/FormConstructEx.h"
#include "model/stream/StreamContext.h"

namespace model::test {

// Bytes that differ for every seed and look like nothing in particular.
inline std::vector<uint8_t> Pattern(size_t n, uint32_t seed) {
  std::vector<uint8_t> v(n);
  uint32_t x = 2463534242u + seed;
  for (auto& b : v) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    b = uint8_t(x);
  }
  return v;
}

class TFakePrompts : public TCardPrompts {
 public:
  struct TQuestion {
    std::string Caption;
    std::string Text;
  };
  std::vector<TQuestion> Questions;
  bool Answer = false;
  // Runs inside each question before it is answered (other things happen while a dialog is up).
  std::function<void()> WhileAsking;

  std::vector<std::pair<std::string, std::string>> SaveDialogs;  // filter, preset name
  std::optional<std::string> SavePath;

  struct TPreview {
    uint64_t Source = 0;           // the Identity of the screen it came from
    std::vector<uint8_t> Program;  // what it was given
    bool Intact = true;            // still that when it closed
  };
  std::vector<TPreview> Shown;  // every preview, in the order they opened
  int Previews = 0;
  std::vector<uint8_t> PreviewShowed;  // the program the last preview was given
  // Runs inside each preview before it closes (messages are handled while it is open).
  std::function<void()> WhilePreviewing;

  bool AskYesNo(std::string_view caption, std::string_view text) override {
    Questions.push_back({std::string(caption), std::string(text)});
    if (WhileAsking) WhileAsking();
    return Answer;
  }
  std::optional<std::string> AskSaveFileName(std::string_view filter,
                                             std::string_view fileName) override {
    SaveDialogs.emplace_back(std::string(filter), std::string(fileName));
    return SavePath;
  }
  void ShowPreview(const TLEDScreen& source, std::span<const uint8_t> program) override {
    ++Previews;
    PreviewShowed.assign(program.begin(), program.end());
    const size_t index = Shown.size();
    Shown.push_back({source.Identity(), PreviewShowed});
    if (WhilePreviewing) WhilePreviewing();
    Shown[index].Intact = std::equal(program.begin(), program.end(), Shown[index].Program.begin(),
                                     Shown[index].Program.end());
  }
};

// Records every status the root reports, in order.
class TStatusLog {
 public:
  explicit TStatusLog(TConstructer& root) : root_(root) {
    root.OnStatusChanged = [this](platform::TObject* sender) {
      auto* screen = dynamic_cast<TLEDScreen*>(sender);
      Entries.push_back({screen ? screen->Identity() : 0, screen ? screen->Status() : -1});
      if (OnReport && screen) OnReport(*screen);
    };
  }
  ~TStatusLog() { root_.OnStatusChanged = nullptr; }
  TStatusLog(const TStatusLog&) = delete;
  TStatusLog& operator=(const TStatusLog&) = delete;

  // Runs after each report is kept.
  std::function<void(TLEDScreen&)> OnReport;
  struct TEntry {
    uint64_t Screen;
    int32_t Status;
  };
  std::vector<TEntry> Entries;

  // The statuses reported for `screen`, each run of equal ones as one.
  std::vector<int32_t> Trace(const TLEDScreen& screen) const { return Trace(screen.Identity()); }
  std::vector<int32_t> Trace(uint64_t identity) const {
    std::vector<int32_t> trace;
    for (const TEntry& e : Entries)
      if (e.Screen == identity && (trace.empty() || trace.back() != e.Status))
        trace.push_back(e.Status);
    return trace;
  }
  // Position of the first report of `status` for `screen` (Entries.size() when none).
  size_t FirstReport(const TLEDScreen& screen, int32_t status) const {
    for (size_t i = 0; i < Entries.size(); ++i)
      if (Entries[i].Screen == screen.Identity() && Entries[i].Status == status) return i;
    return Entries.size();
  }

 private:
  TConstructer& root_;
};

}  // namespace model::test
