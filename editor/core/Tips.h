#pragma once
// The tips that scroll through the status bar: the lines of "Tips.txt" (GBK), the current line's
// index (stored as "Tip") and the text shown.
#include <functional>
#include <string>
#include <vector>

namespace editor {

// One piece of the marquee: `Text` drawn `X` pixels right of the tips area's left edge.
struct TTipRun {
  int X;
  std::string Text;
  bool operator==(const TTipRun&) const = default;
};

class TTips {
 public:
  // Shown when "Tips.txt" has no line at all.
  static const std::string& BuiltInTip();
  // Shown when "Tips.txt" cannot be read.
  static const std::string& WelcomeTip();

  // Reads the lines of a file (LF or CR LF); false, with the list emptied, when it cannot be read.
  bool LoadFromFile(const std::string& osPath);
  void SetLines(std::vector<std::string> lines) { lines_ = std::move(lines); }
  const std::vector<std::string>& Lines() const { return lines_; }

  int Index() const { return index_; }
  void SetIndex(int index) { index_ = index; }
  const std::string& Current() const { return current_; }
  void SetCurrent(std::string text) { current_ = std::move(text); }

  // Moves to the next non-empty line after the index, wrapping at the end, in at most one pass
  // over the list; it becomes the current tip. When every line is empty the current tip is
  // empty. False, changing nothing, when the list has no lines.
  bool Advance();

  // What the marquee draws in a tips area `width` pixels wide with the current tip at `offset`:
  // the current tip, then the following non-empty lines one after another until the area is
  // full. `textWidth` measures a GBK text in pixels.
  std::vector<TTipRun> Runs(int offset, int width, const std::function<int(const std::string&)>& textWidth) const;

 private:
  // The index of the next non-empty line after `from` (one pass), or -1.
  int NextIndex(int from) const;

  std::vector<std::string> lines_;
  int index_ = 0;
  std::string current_;
};

}  // namespace editor
