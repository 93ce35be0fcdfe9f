// Project files from anywhere, read as the editor reads them: TConstructer::LoadFromFile (a
// display-content "*.fmt" file, or the default project; the tree checked against the registered
// classes) and the project dialog's two copies of the screens of a "*.spj" file, with their
// sub-card containers and links. A project that loads is saved and loads again, and from the
// second save on a save gives the same bytes; one that does not load leaves one screen with one
// page. The screens the dialog reads show in its list, in its inspector, and export and import
// again as the same screens. Seeds: the project files of the tests (model/tests/fixtures/tree,
// editor/bench/fixtures) and the object texts of model/objects/fuzz/seeds.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "editor/core/Main.h"
#include "editor/core/ProjectForm.h"
#include "editor/core/tests/Fakes.h"
#include "editor/core/tests/InspectorFixtures.h"
#include "model/ComponentManager.h"
#include "model/FormConstructEx.h"
#include "model/LoadMode.h"
#include "model/MessageBoxHook.h"
#include "platform/base/AtomicFile.h"
#include "platform/base/DateTime.h"
#include "platform/base/FilePath.h"
#include "platform/base/fuzz/FuzzFolder.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

const model::TComponentManager& Registry() {
  static const bool registered = [] {
    editor::RegisterDisplayClasses(model::ComponentManager());
    // Pictures and tables that do not load say so; quietly here.
    model::SetMessageBoxHook([](std::string_view, std::string_view, model::TMessageBoxIcon) {});
    return true;
  }();
  (void)registered;
  return model::ComponentManager();
}

std::string Gbk(const std::string& name) {
  return platform::GbkPathFromOs(platform::fuzz::TFuzzFolder::Instance().File(name));
}

std::string Bytes(const std::string& name) {
  std::string bytes;
  Check(platform::ReadWholeFile(platform::fuzz::TFuzzFolder::Instance().File(name), bytes));
  return bytes;
}

// What the editor reaches on each screen once a project is read.
void Touch(model::TLEDScreen& screen) {
  (void)screen.Cards().SubCards();
  (void)screen.Communicate();
}

void EditorLoad() {
  model::TConstructer root(nullptr);
  if (!root.LoadFromFile(Gbk("input.fmt"), Registry())) {
    Check(root.ScreenCount() == 1 && root.GetLeafCount(0) == 1);
    return;
  }
  for (model::TLEDScreen* screen : root.Screens()) Touch(*screen);
  Check(root.SaveToFile(Gbk("first.fmt"), Registry()));
  model::TConstructer again(nullptr);
  Check(again.LoadFromFile(Gbk("first.fmt"), Registry()));
  Check(again.SaveToFile(Gbk("second.fmt"), Registry()));
  model::TConstructer third(nullptr);
  Check(third.LoadFromFile(Gbk("second.fmt"), Registry()));
  Check(third.SaveToFile(Gbk("third.fmt"), Registry()));
  Check(Bytes("second.fmt") == Bytes("third.fmt"));
}

class TListView : public editor::TListFormView {
 public:
  TListView() { Editor.Resized(); }
  void SetNodes(const std::vector<editor::TListNode>& nodes) override { Nodes = nodes; }
  void SelectNode(int) override {}
  editor::TPropertyEditor& Inspector() override { return Editor; }
  void Close() override {}

  editor::test::TFakeInspectorWindow Window;
  editor::test::TFakeDialogs InspectorDialogs;
  editor::test::TFakeChooser Chooser;
  editor::TPropertyDescription Editors;
  editor::TPropertyEditor Editor{Window, InspectorDialogs, Chooser, Editors};
  std::vector<editor::TListNode> Nodes;
};

std::vector<std::string> Texts(const std::vector<editor::TListNode>& nodes) {
  std::vector<std::string> texts;
  for (const editor::TListNode& node : nodes) texts.push_back(node.Text);
  return texts;
}

void DialogLoad() {
  TListView view;
  editor::test::TFakeDialogs dialogs;
  editor::TProjectForm form(view, dialogs, platform::fuzz::TFuzzFolder::Instance().File(""), Registry());
  form.Show();  // reads "Default.spj"
  const std::vector<std::string> shown = Texts(view.Nodes);
  for (platform::TComponent* copy : {form.EditCopy(), form.ShadowCopy()})
    for (model::TLEDScreen* screen : platform::OwnedOfClass<model::TLEDScreen>(*copy)) Touch(*screen);
  for (size_t i = 0; i < view.Nodes.size(); ++i) form.NodeSelected(int(i));

  if (shown.empty()) {
    form.Closed();
    return;
  }
  ::unlink(platform::fuzz::TFuzzFolder::Instance().File("export.spj").c_str());
  dialogs.Files = {Gbk("export.spj"), Gbk("export.spj")};
  form.Export();
  form.Import();
  Check(dialogs.Boxes.empty());  // neither failed
  Check(Texts(view.Nodes) == shown);
  form.Closed();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The time objects read the clock: a fixed one keeps runs repeatable.
  static platform::TFakeWallClock clock(*platform::EncodeDateTime({2024, 2, 29, 23, 59, 58, 0}));
  static platform::TScopedWallClock scoped(clock);
  Registry();
  model::SetLoadMode(model::LoadModeNormal);
  const auto& folder = platform::fuzz::TFuzzFolder::Instance();
  folder.Write("input.fmt", data, size);
  folder.Write("Default.spj", data, size);
  EditorLoad();
  DialogLoad();
  return 0;
}
