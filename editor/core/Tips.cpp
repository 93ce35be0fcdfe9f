#include "Tips.h"

#include "platform/base/AtomicFile.h"
#include "platform/base/GbkText.h"

namespace editor {

const std::string& TTips::BuiltInTip() {
  static const std::string text = platform::Utf8ToGbk("       将多个单行文本设置为不同字体，可组合为丰富的显示效果");
  return text;
}

const std::string& TTips::WelcomeTip() {
  static const std::string text = platform::Utf8ToGbk(
      "        欢迎使用Corvane LED 控制软件        使用中的问题请查阅随软件提供的说明文档");
  return text;
}

bool TTips::LoadFromFile(const std::string& osPath) {
  lines_.clear();
  std::string content;
  if (!platform::ReadWholeFile(osPath, content)) return false;
  size_t start = 0;
  while (start < content.size()) {
    size_t end = content.find('\n', start);
    if (end == std::string::npos) end = content.size();
    size_t stop = end;
    if (stop > start && content[stop - 1] == '\r') --stop;
    lines_.push_back(content.substr(start, stop - start));
    start = end + 1;
  }
  return true;
}

int TTips::NextIndex(int from) const {
  const int count = int(lines_.size());
  int j = from;
  for (int step = 0; step < count; ++step) {
    ++j;
    if (j < 0 || j >= count) j = 0;  // a stored index out of range starts from the top
    if (!lines_[size_t(j)].empty()) return j;
  }
  return -1;
}

bool TTips::Advance() {
  if (lines_.empty()) return false;
  int next = NextIndex(index_);
  if (next < 0) {
    current_.clear();
    if (index_ < 0 || index_ >= int(lines_.size())) index_ = 0;
    return true;
  }
  index_ = next;
  current_ = lines_[size_t(next)];
  return true;
}

std::vector<TTipRun> TTips::Runs(int offset, int width,
                                 const std::function<int(const std::string&)>& textWidth) const {
  std::vector<TTipRun> runs;
  int x = offset;
  if (!current_.empty()) {
    runs.push_back({x, current_});
    x += textWidth(current_);
  }
  int index = index_;
  while (x < width) {
    int next = NextIndex(index);
    if (next < 0) break;
    const std::string& text = lines_[size_t(next)];
    int w = textWidth(text);
    if (w <= 0) break;  // nothing would ever fill the area
    runs.push_back({x, text});
    x += w;
    index = next;
  }
  return runs;
}

}  // namespace editor
