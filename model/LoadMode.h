#pragma once
// The process-wide load mode: whether object text is being read into components right now.
// Constructors that would make parts the text supplies itself look at it: a new screen makes
// its sub-card container only in LoadModeNormal, since a file brings its own.
//
// It belongs to the GUI thread, as every reader and constructor of the model does.
namespace model {

constexpr int LoadModeStart = 0;    // the program has started; the main window sets Normal
constexpr int LoadModeNormal = 1;   // components are made by commands
constexpr int LoadModeReading = 2;  // object text is being read

int LoadMode();
void SetLoadMode(int mode);

// Sets LoadModeReading for its lifetime and LoadModeNormal when it ends, whichever way the scope
// is left (a reader's exception included). Reads do not nest.
class TLoadModeScope {
 public:
  TLoadModeScope() { SetLoadMode(LoadModeReading); }
  ~TLoadModeScope() { SetLoadMode(LoadModeNormal); }
  TLoadModeScope(const TLoadModeScope&) = delete;
  TLoadModeScope& operator=(const TLoadModeScope&) = delete;
};

}  // namespace model
