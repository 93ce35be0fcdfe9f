// Writing and reading an object text of 2,000 objects of one class (about 1 MB). Goals on the
// build machine: under 100 ms to write and under 500 ms to read.
#include <benchmark/benchmark.h>

#include <string>

#include "model/ObjectText.h"
#include "model/tests/TextFixtures.h"
#include "platform/base/GbkText.h"

namespace {

using model::test::TKinds;

constexpr int kObjects = 2000;

// A page of objects with the values a project holds: unique names and texts, a few lines of
// GBK text, a font.
void BuildPage(platform::TComponent& root) {
  const std::string text = platform::Utf8ToGbk("文本");
  const std::string line = platform::Utf8ToGbk("欢迎光临 第一行文字 Welcome");
  for (int i = 0; i < kObjects; ++i) {
    auto* k = new TKinds(&root);
    k->SetName("Kinds" + std::to_string(i));
    k->Text = text + std::to_string(i);
    k->Hint = "hint " + std::to_string(i * 7);
    k->SetBounds(i % 64, i % 32, 128, 16);
    k->Color = 0x0000FF;
    k->Ratio = i * 0.25;
    k->Lines.Add(line);
    k->Lines.Add(line + std::to_string(i));
    k->Font.SetName(platform::Utf8ToGbk("宋体"));
    k->Font.SetSize(12);
    k->Sub.Label = "label";
  }
}

void BM_WriteObjectText(benchmark::State& state) {
  platform::TComponent root(nullptr);
  BuildPage(root);
  int32_t bytes = 0;
  for (auto _ : state) {
    model::TDFMStream out;
    if (!model::SaveObjectText(root, out, model::test::FixtureRegistry(), false))
      state.SkipWithError("write failed");
    bytes = out.Size();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * bytes);
  state.counters["text_bytes"] = double(bytes);
}

void BM_ReadObjectText(benchmark::State& state) {
  platform::TComponent page(nullptr);
  BuildPage(page);
  model::TDFMStream text;
  model::SaveObjectText(page, text, model::test::FixtureRegistry(), false);
  for (auto _ : state) {
    platform::TComponent root(nullptr);
    if (!model::ReadObjectText(root, root, text, model::test::FixtureRegistry(), false) ||
        root.ComponentCount() != kObjects)
      state.SkipWithError("read failed");
    state.PauseTiming();  // freeing the tree is not reading
    root.DestroyComponents();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * text.Size());
  state.counters["text_bytes"] = double(text.Size());
}

}  // namespace

BENCHMARK(BM_WriteObjectText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadObjectText)->Unit(benchmark::kMillisecond);
