#include "ComponentEditor.h"

#include <map>
#include <memory>
#include <optional>

#include "model/FormConstructEx.h"
#include "platform/base/GbkText.h"
#include "platform/component/Component.h"
#include "platform/component/PropertyPath.h"
#include "platform/gfx/Picture.h"

namespace editor {

namespace {

std::string Gbk(const char* utf8) { return platform::Utf8ToGbk(utf8); }

platform::TComponent* AsComponent(platform::TObject* object) { return dynamic_cast<platform::TComponent*>(object); }

}  // namespace

// ---- Registration ----------------------------------------------------------------------------

TComponentEditor::TComponentEditor(TComponentEditorContext context, TPropertyDescription& editors,
                                   TPropertyDescription& doubleClick)
    : context_(std::move(context)), editors_(editors), doubleClick_(doubleClick) {
  auto add = [](TPropertyDescription& table, const char* className, const char* property, TPropertyEditProc edit) {
    table.Register(className, property, {}, std::move(edit), pdEditor);
  };
  // The picture formats registered when the dialog opens.
  add(editors_, "TPhoto", "FileName", FileEditor(&TComponentEditor::PictureRequest));
  add(editors_, "TAVIPlayer", "FileName", FileEditor({"", Gbk("动画文件|*.Avi"), "*.Avi"}));
  add(editors_, "TWordObject", "FileName", FileEditor({"", Gbk("Word 文档|*.Doc"), "*.Doc"}));
  add(editors_, "TStringFile", "FileName", FileEditor({"", Gbk("文本文件|*.Txt"), "*.Txt"}));
  add(editors_, "TTableObject", "FileName", FileEditor({"", Gbk("表格文件|*.Tab"), "*.Tab"}));

  add(doubleClick_, "TTableObject", "FileName", TableEditor());
  // No automation of a word processor here: the file dialog of the property-editor table runs.
  add(doubleClick_, "TWordObject", "FileName", [](platform::TObject*, const std::string&) { return false; });
}

TComponentEditor::~TComponentEditor() {
  editors_.Clear();
  doubleClick_.Clear();
}

// ---- The editors -----------------------------------------------------------------------------

TFileRequest TComponentEditor::PictureRequest() { return {"", platform::TPicture::GraphicFilter(), ""}; }

TPropertyEditProc TComponentEditor::FileEditor(TFileRequest request) const {
  return FileEditor([request = std::move(request)] { return request; });
}

// The property := the file chosen in an open dialog.
TPropertyEditProc TComponentEditor::FileEditor(std::function<TFileRequest()> request) const {
  TDialogs* dialogs = context_.Dialogs;
  return [dialogs, request = std::move(request)](platform::TObject* object, const std::string& path) {
    platform::TComponentRef<platform::TComponent> target(AsComponent(object));
    if (!target || !dialogs) return false;
    const std::optional<std::string> chosen = dialogs->OpenFileName(request());
    if (!chosen || !target) return false;
    return platform::PathSetStr(target.Get(), path, *chosen);
  };
}

// The table editor on the object's file, its view the size of the current screen; the object
// takes the file the editor ends with.
TPropertyEditProc TComponentEditor::TableEditor() const {
  auto edit = context_.EditTable;
  auto screen = context_.CurrentScreen;
  return [edit, screen](platform::TObject* object, const std::string& path) {
    platform::TComponentRef<platform::TComponent> target(AsComponent(object));
    if (!target || !edit) return false;
    const model::TLEDScreen* current = screen ? screen() : nullptr;
    const std::string file =
        edit(platform::PathGetStr(target.Get(), path), current ? current->ScreenWidth() : 0,
             current ? current->ScreenHeight() : 0);
    if (!target) return false;
    platform::PathSetStr(target.Get(), path, file);
    return true;
  };
}

// ---- The main window's messages --------------------------------------------------------------

bool TComponentEditor::RunFirstEditor(const TPropertyDescription& table, platform::TComponent& control) {
  const std::string& className = control.ClassName();
  const TPropertyEditProc edit = table.EditorOf(className, "");
  if (!edit) return false;
  platform::TComponentRef<platform::TComponent> target(&control);
  if (!edit(&control, table.PropertyOf(className)) || !target) return false;
  if (context_.OnEdited) context_.OnEdited(*target);
  return true;
}

bool TComponentEditor::EditObject(platform::TComponent& control) {
  platform::TComponentRef<platform::TComponent> target(&control);
  if (RunFirstEditor(doubleClick_, control)) return true;
  return target && RunFirstEditor(editors_, *target);
}

bool TComponentEditor::EditProperty(platform::TComponent& control) { return RunFirstEditor(editors_, control); }

// ---- Control numbers -------------------------------------------------------------------------

struct TControlIds::TEntries {
  std::map<TControlId, std::unique_ptr<platform::TComponentRef<platform::TComponent>>> Refs;
};

TControlIds::TControlIds() : entries_(std::make_unique<TEntries>()) {}
TControlIds::~TControlIds() = default;

TControlId TControlIds::Add(platform::TComponent* control) {
  const TControlId id = next_++;
  entries_->Refs.emplace(id, std::make_unique<platform::TComponentRef<platform::TComponent>>(control));
  return id;
}

platform::TComponent* TControlIds::Take(TControlId id) {
  auto it = entries_->Refs.find(id);
  if (it == entries_->Refs.end()) return nullptr;
  platform::TComponent* control = it->second->Get();
  entries_->Refs.erase(it);
  return control;
}

TControlIds& ControlIds() {
  static TControlIds ids;
  return ids;
}

}  // namespace editor
