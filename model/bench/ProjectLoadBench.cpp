// Opening a large project as the editor does: a project of display objects (single-line texts,
// date-time clocks and pictures, 40 on a page, 10 pages on a screen) written by the project's
// own save and read back by its load. From 2,000 to 16,000 objects (40 screens and 400 pages):
// the time per object should stay flat, and 16,000 should read in under a second.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "model/ComponentManager.h"
#include "model/FormConstructEx.h"
#include "model/IDCreater.h"
#include "model/LoadMode.h"
#include "model/objects/PhotoComps.h"
#include "model/objects/Texts.h"
#include "model/objects/TimeComps.h"
#include "platform/base/FilePath.h"
#include "platform/base/GbkText.h"
#include "platform/component/PropertyPath.h"
#include "platform/component/Strings.h"

namespace {

constexpr int kObjectsPerPage = 40, kPagesPerScreen = 10;

void RegisterClasses() {
  for (const platform::TClassInfo* cls :
       {&model::TLEDScreen::StaticClassInfo(), &model::TLeaf::StaticClassInfo(), &model::TCards::StaticClassInfo(),
        &model::TMultiCard::StaticClassInfo(), &model::TText::StaticClassInfo(),
        &model::TDateTimeComponent::StaticClassInfo(), &model::TPhoto::StaticClassInfo()})
    if (!model::ComponentManager().IsRegistered(*cls)) model::ComponentManager().RegisterClass(*cls);
}

// An object named and titled as the editor's insert command makes it.
template <class T>
T& Insert(model::TConstructer& root, model::TLeaf& page, const std::string& prefix, int i) {
  const std::string className = T::StaticClassInfo().ClassName();
  const std::string number = std::to_string(model::IDCreater().NewNameNumber(root, className));
  auto* made = new T(&page);
  made->SetParent(&page);
  made->SetName(className.substr(1) + number);
  platform::PathSetStr(made, "Text", prefix + number);
  made->SetBounds((i % 8) * 40, (i / 8) * 20, 40, 20);
  return *made;
}

// The saved bytes of a project of `objects` display objects, in a file of the temp folder.
std::string WriteProject(int objects) {
  RegisterClasses();
  model::SetLoadMode(model::LoadModeNormal);
  model::TConstructer root(nullptr);
  const std::string text = platform::Utf8ToGbk("单行文本"), clock = platform::Utf8ToGbk("日期时间"),
                    photo = platform::Utf8ToGbk("图片");
  platform::TStringList lines;
  lines.Add(platform::Utf8ToGbk("欢迎光临 Welcome"));
  const int pages = objects / kObjectsPerPage;
  for (int p = 0; p < pages; ++p) {
    const int s = p / kPagesPerScreen;
    if (p % kPagesPerScreen == 0 && s > 0) root.AddScreen("");
    model::TLeaf* page = p % kPagesPerScreen == 0 ? root.GetLeaf(s, 0) : root.AddLeaf(s);
    for (int i = 0; i < kObjectsPerPage; ++i) {
      switch (i % 3) {
        case 0: Insert<model::TText>(root, *page, text, i).SetLines(&lines); break;
        case 1: Insert<model::TDateTimeComponent>(root, *page, clock, i); break;
        default: Insert<model::TPhoto>(root, *page, photo, i); break;
      }
    }
  }
  const char* tmp = std::getenv("TMPDIR");
  const std::string path = std::string(tmp && *tmp ? tmp : "/tmp") + "/corvane-project-load-" +
                           std::to_string(getpid()) + "-" + std::to_string(objects) + ".fmt";
  if (!root.SaveToFile(platform::GbkPathFromOs(path))) return {};
  return path;
}

void BM_LoadProject(benchmark::State& state) {
  const int objects = int(state.range(0));
  const std::string path = WriteProject(objects);
  if (path.empty()) {
    state.SkipWithError("the project could not be written");
    return;
  }
  for (auto _ : state) {
    model::TConstructer root(nullptr);
    if (!root.LoadFromFile(platform::GbkPathFromOs(path)) || root.ScreenCount() != (objects / kObjectsPerPage + 9) / 10)
      state.SkipWithError("the project did not load");
    state.PauseTiming();  // freeing the tree is not loading
    root.DestroyComponents();
    state.ResumeTiming();
  }
  state.counters["us_per_object"] =
      benchmark::Counter(double(objects) * double(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::OneK::kIs1000);
  unlink(path.c_str());
}

}  // namespace

BENCHMARK(BM_LoadProject)->Arg(2000)->Arg(4000)->Arg(8000)->Arg(16000)->Unit(benchmark::kMillisecond);
