// Writes the project the start-up benchmark loads, built through the project model and saved by
// it, so the benchmark reads what the editor itself writes: 4 screens of 8 pages, each page a
// 512 x 256 picture behind four clocks and seven texts, the objects named and titled as the
// editor's insert commands name them. The pictures' folder is written as @FOLDER@, which the
// benchmark replaces by its own.
//
//   editor_startup_fixture FOLDER     reads FOLDER/startup.png, writes FOLDER/startup.spj
#include <cstdio>
#include <string>

#include "editor/core/Main.h"
#include "imaging/RasterFormats.h"
#include "model/ComponentManager.h"
#include "model/FormConstructEx.h"
#include "model/IDCreater.h"
#include "model/LoadMode.h"
#include "model/objects/AnalogClock.h"
#include "model/objects/PhotoComps.h"
#include "model/objects/Texts.h"
#include "model/objects/TimeComps.h"
#include "platform/base/AtomicFile.h"
#include "platform/base/FilePath.h"
#include "platform/base/GbkText.h"
#include "platform/component/PropertyPath.h"
#include "platform/component/Strings.h"

namespace {

constexpr int kScreens = 4, kPages = 8;
// The counters' moments, which would otherwise be the time of the run: the same bytes each run.
constexpr const char* kCountFrom = "2026-01-01 00:00:00";
constexpr const char* kCountTo = "2028-01-01 00:00:00";

using platform::Utf8ToGbk;

// A new object on `page` at the given bounds, named and titled as the insert commands do: the
// class name without its first letter and the text prefix, each with the generator's number.
template <class T>
T& Insert(model::TConstructer& root, model::TLeaf& page, const char* textPrefix, int left, int top, int width,
          int height) {
  const std::string className = T::StaticClassInfo().ClassName();
  const std::string number = std::to_string(model::IDCreater().NewNameNumber(root, className));
  auto* made = new T(&page);
  made->SetParent(&page);
  made->SetName(className.substr(1) + number);
  platform::PathSetStr(made, "Text", Utf8ToGbk(textPrefix) + number);
  made->SetBounds(left, top, width, height);
  return *made;
}

template <class T>
void SetLines(T& object, std::initializer_list<std::string> utf8Lines) {
  platform::TStringList lines;
  for (const std::string& line : utf8Lines) lines.Add(Utf8ToGbk(line));
  object.SetLines(&lines);
}

void FillPage(model::TConstructer& root, model::TLeaf& page, int screen, int pageIndex, const std::string& picture) {
  Insert<model::TPhoto>(root, page, "图片", 0, 0, 512, 256).SetFileName(picture);
  for (int i = 0; i < 11; ++i) {
    const int left = (i % 3) * 170, top = (i / 3) * 64;
    switch (i) {
      case 0: Insert<model::TDateTimeComponent>(root, page, "日期时间", left, top, 160, 20); break;
      case 1: Insert<model::TCountUp>(root, page, "正计时", left, top, 160, 20).SetStart(kCountFrom); break;
      case 2: Insert<model::TCountDown>(root, page, "倒计时", left, top, 160, 20).SetTerminal(kCountTo); break;
      case 3: Insert<model::TAnalogClock>(root, page, "模拟时钟", left, top, 80, 80); break;
      default:
        if (i % 2 == 0) {
          auto& text = Insert<model::TText>(root, page, "单行文本", left, top, 160, 20);
          SetLines(text, {"第" + std::to_string(screen) + "屏第" + std::to_string(pageIndex) + "页 文本" +
                          std::to_string(i)});
          text.SetMethod(model::dmLeftToRight);
        } else {
          auto& codes = Insert<model::TMultiString>(root, page, "内码文本", left, top, 160, 48);
          SetLines(codes, {"内码文字", "行" + std::to_string(i)});
        }
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: editor_startup_fixture FOLDER (holding startup.png)\n");
    return 2;
  }
  const std::string folder = argv[1];
  editor::RegisterDisplayClasses(model::ComponentManager());
  imaging::RegisterRasterFormats();
  model::SetLoadMode(model::LoadModeNormal);

  model::TConstructer root(nullptr);
  const std::string picture = platform::GbkPathFromOs(folder + "/startup.png");
  for (int s = 0; s < kScreens; ++s) {
    model::TLEDScreen* screen = s == 0 ? root.GetScreen(0) : root.AddScreen("");
    screen->SetScreenWidth(512);
    screen->SetScreenHeight(256);
    for (int p = 0; p < kPages; ++p) {
      model::TLeaf* page = p == 0 ? root.GetLeaf(s, 0) : root.AddLeaf(s);
      page->SetDisplayTime(10);
      FillPage(root, *page, s, p, picture);
    }
  }
  const std::string out = folder + "/startup.spj";
  if (!root.SaveToFile(platform::GbkPathFromOs(out))) {
    std::fprintf(stderr, "editor_startup_fixture: cannot write %s\n", out.c_str());
    return 1;
  }
  std::string text;
  if (!platform::ReadWholeFile(out, text)) return 1;
  for (size_t at; (at = text.find(picture)) != std::string::npos;) text.replace(at, picture.size(), "@FOLDER@/startup.png");
  if (!platform::SaveFileAtomic(out, text.data(), text.size())) {
    std::fprintf(stderr, "editor_startup_fixture: cannot write %s\n", out.c_str());
    return 1;
  }
  std::printf("%s\n", out.c_str());
  return 0;
}
