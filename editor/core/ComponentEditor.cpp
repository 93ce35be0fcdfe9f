#include "ComponentEditor.h"

#include <memory>
#include <optional>

#include "model/FormConstructEx.h"
#include "model/objects/Texts.h"
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
  // An editor whose dialog the program lacks is left out, so its row stays typed in the
  // inspector rather than becoming a button that does nothing.
  const bool richText = bool(context_.EditRichText), lines = bool(context_.EditTextLines),
             dates = bool(context_.InputDateTime), subCards = bool(context_.EditSubCards);
  if (richText) add(editors_, "TMultiText", "FileName", RichTextEditor());
  if (lines) add(editors_, "TText", "Lines", TextLinesEditor());
  if (lines) add(editors_, "TMultiString", "Lines", TextLinesEditor());
  // The picture formats registered when the dialog opens.
  add(editors_, "TPhoto", "FileName", FileEditor(&TComponentEditor::PictureRequest));
  add(editors_, "TAVIPlayer", "FileName", FileEditor({"", Gbk("动画文件|*.Avi"), "*.Avi"}));
  if (dates) add(editors_, "TCountUp", "Start", DateTimeEditor());
  if (dates) add(editors_, "TCountDown", "Terminal", DateTimeEditor());
  if (subCards) add(editors_, "TLEDScreen", "Cards", SubCardEditor());
  add(editors_, "TWordObject", "FileName", FileEditor({"", Gbk("Word 文档|*.Doc"), "*.Doc"}));
  add(editors_, "TStringFile", "FileName", FileEditor({"", Gbk("文本文件|*.Txt"), "*.Txt"}));
  for (const char* property : {"StartTime", "EndTime", "CampaignTime"})
    if (dates) add(editors_, "TCampaignTime", property, DateTimeEditor());
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

namespace {

// The property := the text a dialog gives, started from the property's own text (nothing:
// cancelled). The object is looked up again after the dialog.
using TAskText = std::function<std::optional<std::string>(const std::string& current)>;

TPropertyEditProc PropertyTextEditor(TAskText ask) {
  return [ask = std::move(ask)](platform::TObject* object, const std::string& path) {
    platform::TComponentRef<platform::TComponent> target(AsComponent(object));
    if (!target) return false;
    const std::optional<std::string> value = ask(platform::PathGetStr(target.Get(), path));
    if (!value || !target) return false;
    return platform::PathSetStr(target.Get(), path, *value);
  };
}

}  // namespace

// The property := the file chosen in an open dialog, which starts in the folder of the
// property's file.
TPropertyEditProc TComponentEditor::FileEditor(std::function<TFileRequest()> request) const {
  TDialogs* dialogs = context_.Dialogs;
  return PropertyTextEditor([dialogs, request = std::move(request)](const std::string& current) {
    return dialogs ? dialogs->OpenFileName(request().StartingBeside(current)) : std::nullopt;
  });
}

// The table editor on the object's file, its view the size of the current screen; the object
// takes the file the editor ends with.
TPropertyEditProc TComponentEditor::TableEditor() const {
  auto edit = context_.EditTable;
  auto screen = context_.CurrentScreen;
  return PropertyTextEditor([edit, screen](const std::string& file) -> std::optional<std::string> {
    if (!edit) return std::nullopt;
    const model::TLEDScreen* current = screen ? screen() : nullptr;
    return edit(file, current ? current->ScreenWidth() : 0, current ? current->ScreenHeight() : 0);
  });
}

// The property := the file the rich-text dialog ends with, once accepted.
TPropertyEditProc TComponentEditor::RichTextEditor() const {
  auto edit = context_.EditRichText;
  return PropertyTextEditor([edit](const std::string& file) { return edit ? edit(file) : std::nullopt; });
}

namespace {

std::vector<std::string> LinesOf(const platform::TStrings& lines) {
  std::vector<std::string> result;
  for (int i = 0; i < lines.Count(); ++i) result.push_back(lines[i]);
  return result;
}

// The text-lines dialog's font for an object: a text object's own; code text in its colour and
// the card font's size.
std::optional<platform::TFontDescription> LinesFont(platform::TComponent* object) {
  if (auto* text = dynamic_cast<model::TText*>(object)) return text->CanvasFont().Description();
  if (auto* code = dynamic_cast<model::TMultiString*>(object)) {
    platform::TFontDescription font;
    font.Name = Gbk("宋体");
    font.Color = code->Color();
    font.SetSize(code->Font() == model::fs24 ? 18 : 12);
    return font;
  }
  return std::nullopt;
}

}  // namespace

// The object's lines := the dialog's, once accepted.
TPropertyEditProc TComponentEditor::TextLinesEditor() const {
  auto edit = context_.EditTextLines;
  return [edit](platform::TObject* object, const std::string&) {
    platform::TComponentRef<platform::TComponent> target(AsComponent(object));
    const std::optional<platform::TFontDescription> font = LinesFont(target.Get());
    if (!font || !edit) return false;
    const platform::TStrings* lines = nullptr;
    if (auto* text = dynamic_cast<model::TText*>(target.Get())) lines = &text->Lines();
    if (auto* code = dynamic_cast<model::TMultiString*>(target.Get())) lines = &code->Lines();
    const std::optional<std::vector<std::string>> edited = edit(LinesOf(*lines), *font);
    if (!edited || !target) return false;
    platform::TStringList result;
    for (const std::string& line : *edited) result.Add(line);
    if (auto* text = dynamic_cast<model::TText*>(target.Get())) text->SetLines(&result);
    if (auto* code = dynamic_cast<model::TMultiString*>(target.Get())) code->SetLines(&result);
    return true;
  };
}

// The property := the date-time dialog's result; a property text that is no date-time opens
// no dialog and changes nothing.
TPropertyEditProc TComponentEditor::DateTimeEditor() const {
  auto input = context_.InputDateTime;
  return PropertyTextEditor([input](const std::string& text) -> std::optional<std::string> {
    const std::optional<platform::TDateTime> initial = platform::ParseDateTime(text);
    if (!initial || !input) return std::nullopt;
    return input(*initial);
  });
}

// The sub-card dialog on the screen's container, which it edits in place.
TPropertyEditProc TComponentEditor::SubCardEditor() const {
  auto edit = context_.EditSubCards;
  return [edit](platform::TObject* object, const std::string&) {
    platform::TComponentRef<model::TLEDScreen> screen(dynamic_cast<model::TLEDScreen*>(object));
    if (!screen || !edit) return false;
    edit(screen->Cards());
    return bool(screen);
  };
}

}  // namespace editor
