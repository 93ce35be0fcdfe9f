#include "ProjectForm.h"

#include <sys/stat.h>

#include <limits>
#include <string_view>

#include "model/DFMStream.h"
#include "model/IDCreater.h"
#include "model/LoadMode.h"
#include "model/ObjectText.h"
#include "platform/base/AtomicFile.h"
#include "platform/base/FilePath.h"
#include "platform/base/GbkText.h"

namespace editor {

using platform::TComponent;

namespace {

void Tell(TDialogs& dialogs, const char* utf8, TMessageIcon icon) {
  dialogs.MessageBox(platform::Utf8ToGbk(utf8), MessageCaption(), icon, TMessageButtons::Ok);
}

bool Ask(TDialogs& dialogs, const char* utf8) {
  return dialogs.MessageBox(platform::Utf8ToGbk(utf8), MessageCaption(), TMessageIcon::Question,
                            TMessageButtons::YesNo) == TMessageAnswer::Yes;
}

bool PathExists(const std::string& osPath) {
  struct stat st;
  return ::stat(osPath.c_str(), &st) == 0;
}

// The component under which new names and texts must be unique: the top of the ownership
// chain (the project root, or the project dialog's copy).
TComponent& NamingRoot(TComponent& component) {
  TComponent* top = &component;
  while (top->Owner()) top = top->Owner();
  return *top;
}

std::string Numbered(const char* utf8Prefix, int n) { return platform::Utf8ToGbk(utf8Prefix) + std::to_string(n); }

}  // namespace

// ---- The list beside the inspector ------------------------------------------------------------

void TListForm::NodeSelected(int index) {
  selected_ = index >= 0 && index < int(nodes_.size()) ? index : -1;
  view_.Inspector().SetRoot(ItemOf(selected_));
}

void TListForm::Rebuild() {
  nodes_.clear();
  for (TComponent* item : Items()) nodes_.push_back({TextOf(*item), ImageIndexOf(*item), IdentityOf(*item)});
  view_.SetNodes(nodes_);
  if (selected_ >= int(nodes_.size())) selected_ = -1;
  view_.SelectNode(selected_);
}

void TListForm::RebuildAndSelect(int index) {
  selected_ = index;
  Rebuild();
  view_.Inspector().SetRoot(ItemOf(selected_));
}

void TListForm::EndShowing() {
  TPropertyEditor& inspector = view_.Inspector();
  inspector.SetRoot(nullptr);
  inspector.OnChanged = nullptr;
  ClearNodes();
}

void TListForm::ClearNodes() {
  nodes_.clear();
  selected_ = -1;
  view_.SetNodes(nodes_);
}

TComponent* TListForm::ItemOf(int index) const {
  if (index < 0 || index >= int(nodes_.size())) return nullptr;
  for (TComponent* item : Items())
    if (IdentityOf(*item) == nodes_[size_t(index)].Identity) return item;
  return nullptr;
}

int TListForm::LeaveSelected() {
  const int count = int(nodes_.size());
  int next = -1;
  if (selected_ + 1 < count) next = selected_ + 1;
  else if (selected_ > 0) next = selected_ - 1;
  view_.Inspector().SetRoot(ItemOf(next));
  // After the deletion the next node takes the deleted one's place.
  return next > selected_ ? next - 1 : next;
}

// ---- Project dialog ---------------------------------------------------------------------------

TProjectForm::TProjectForm(TListFormView& view, TDialogs& dialogs, std::string programDir,
                           const model::TComponentManager& registry)
    : TListForm(view), dialogs_(dialogs), programDir_(std::move(programDir)), registry_(registry) {}

TProjectForm::~TProjectForm() { Closed(); }

std::vector<TComponent*> TProjectForm::Items() const {
  std::vector<TComponent*> items;
  if (edit_)
    for (model::TLEDScreen* screen : platform::OwnedOfClass<model::TLEDScreen>(*edit_)) items.push_back(screen);
  return items;
}

std::string TProjectForm::TextOf(const TComponent& item) const {
  return static_cast<const model::TLEDScreen&>(item).Text();
}

uint64_t TProjectForm::IdentityOf(const TComponent& item) const {
  return static_cast<const model::TLEDScreen&>(item).Identity();
}

void TProjectForm::EmptyCopies() {
  view_.Inspector().SetRoot(nullptr);
  if (edit_) edit_->DestroyComponents();
  if (shadow_) shadow_->DestroyComponents();
}

bool TProjectForm::ReadCopies(const std::string& osPath) {
  std::string bytes;
  bool read = platform::ReadWholeFile(osPath, bytes) && bytes.size() <= size_t(std::numeric_limits<int32_t>::max());
  if (read) {
    model::TDFMStream text;
    read = text.Write(bytes.data(), int32_t(bytes.size())) == int32_t(bytes.size());
    bytes = std::string();
    // The text brings the screens' sub-card containers with it.
    model::TLoadModeScope reading;
    const auto onlyScreens = [](const TComponent& copy) {
      for (TComponent* c : copy.OwnedComponents())
        if (!dynamic_cast<model::TLEDScreen*>(c)) return false;
      return true;
    };
    read = read && model::ReadObjectText(*edit_, *edit_, text, registry_, false) && onlyScreens(*edit_) &&
           model::ReadObjectText(*shadow_, *shadow_, text, registry_, false) && onlyScreens(*shadow_) &&
           edit_->ComponentCount() == shadow_->ComponentCount();
  }
  if (!read) EmptyCopies();
  return read;
}

bool TProjectForm::WriteEditCopy(const std::string& osPath) {
  // The writer reads Cards like any property: a container made during the write would get its
  // Cards lines but not its block.
  for (model::TLEDScreen* screen : platform::OwnedOfClass<model::TLEDScreen>(*edit_)) screen->Cards();
  model::TDFMStream text;
  if (model::SaveObjectText(*edit_, text, registry_, false) && text.SaveToFile(osPath)) return true;
  Tell(dialogs_, "文件保存失败，请检查文件名和磁盘空间!", TMessageIcon::Error);
  return false;
}

void TProjectForm::Show() {
  ClearNodes();
  if (!edit_) edit_ = std::make_unique<TComponent>(nullptr);
  if (!shadow_) shadow_ = std::make_unique<TComponent>(nullptr);
  EmptyCopies();
  view_.Inspector().OnChanged = [this](platform::TObject* sender) { InspectorChanged(sender); };
  ReadCopies(programDir_ + "Default.spj");
  Rebuild();
}

// A screen's Text stays unique among the edit copy's components: a clash takes back the last
// unique one, which the shadow copy keeps.
void TProjectForm::InspectorChanged(platform::TObject* sender) {
  auto* screen = dynamic_cast<model::TLEDScreen*>(sender);
  if (!screen || !edit_ || screen->Owner() != edit_.get()) return;
  const auto edited = platform::OwnedOfClass<model::TLEDScreen>(*edit_);
  const auto shadows = platform::OwnedOfClass<model::TLEDScreen>(*shadow_);
  for (size_t i = 0; i < edited.size() && i < shadows.size(); ++i) {
    if (edited[i] != screen) continue;
    if (model::IDCreater().IsTextUnique(*edit_, screen, screen->Text())) shadows[i]->SetText(screen->Text());
    else screen->SetText(shadows[i]->Text());
  }
  view_.Inspector().SetRoot(screen);
  Rebuild();
}

void TProjectForm::AddScreen() {
  if (!edit_) return;
  const int n = model::IDCreater().NewNameNumber(*edit_, "TLEDScreen");
  const int i = model::IDCreater().NewTextNumber(*edit_, platform::Utf8ToGbk("控制卡"));
  for (TComponent* copy : {edit_.get(), shadow_.get()}) {
    auto* screen = new model::TLEDScreen(copy);
    screen->SetName("LEDScreen" + std::to_string(n));
    screen->SetText(Numbered("控制卡", i));
  }
  Rebuild();
}

void TProjectForm::DeleteScreen() {
  TComponent* screen = ItemOf(selected_);
  if (!screen) return;
  const auto edited = Items();
  const auto shadows = platform::OwnedOfClass<model::TLEDScreen>(*shadow_);
  const int next = LeaveSelected();
  for (size_t i = 0; i < edited.size(); ++i) {
    if (edited[i] != screen) continue;
    if (i < shadows.size()) delete shadows[i];
    delete screen;
    break;
  }
  RebuildAndSelect(next);
}

void TProjectForm::Import() {
  if (!edit_) return;
  const auto chosen = dialogs_.OpenFileName({"", platform::Utf8ToGbk("显示屏工程文件|*.spj"), "*.spj"});
  if (!chosen) return;
  selected_ = -1;
  EmptyCopies();
  if (!ReadCopies(platform::OsPathFromGbk(*chosen)))
    Tell(dialogs_, "所选择文件不是显示屏工程文件,请重新选择", TMessageIcon::Error);
  Rebuild();
}

void TProjectForm::Export() {
  if (!edit_) return;
  const auto chosen = dialogs_.SaveFileName({"", platform::Utf8ToGbk("显示屏工程文件|*.spj"), "*.spj"});
  if (!chosen) return;
  const std::string osPath = platform::OsPathFromGbk(platform::SetFileExt(*chosen, ".spj"));
  if (PathExists(osPath) && !Ask(dialogs_, "导出文件已存在，是否覆盖(y/n)?")) return;
  WriteEditCopy(osPath);
}

void TProjectForm::SetDefault() {
  if (!edit_) return;
  if (!Ask(dialogs_, "您确定要将当前编辑的内容设为系统的缺省值(y/n)?")) return;
  WriteEditCopy(programDir_ + "Default.spj");
}

void TProjectForm::Exit() { view_.Close(); }

void TProjectForm::Closed() {
  EndShowing();
  edit_.reset();
  shadow_.reset();
}

// ---- Sub-card dialog --------------------------------------------------------------------------

TMultiCardForm::TMultiCardForm(TMultiCardView& view) : TListForm(view), cardView_(view) {}

TMultiCardForm::~TMultiCardForm() { Closed(); }

std::vector<TComponent*> TMultiCardForm::Items() const {
  std::vector<TComponent*> items;
  if (cards_)
    for (model::TMultiCard* card : cards_->SubCards()) items.push_back(card);
  return items;
}

std::string TMultiCardForm::TextOf(const TComponent& item) const {
  return static_cast<const model::TMultiCard&>(item).Text();
}

// A sub-card is known by its address: a node and its card leave together, and a lookup only
// compares it with the cards that are there.
uint64_t TMultiCardForm::IdentityOf(const TComponent& item) const { return uint64_t(uintptr_t(&item)); }

void TMultiCardForm::UpdateAddButton() {
  addEnabled_ = cards_ && int(cards_->SubCards().size()) < MaxSubCards;
  cardView_.SetAddEnabled(addEnabled_);
}

void TMultiCardForm::Show(model::TCards& cards) {
  cards_.Set(&cards);
  ClearNodes();
  // The list follows what the inspector writes, names above all.
  view_.Inspector().OnChanged = [this](platform::TObject*) { Rebuild(); };
  RebuildAndSelect(Items().empty() ? -1 : 0);
  UpdateAddButton();
}

void TMultiCardForm::AddCard() {
  if (!cards_ || int(cards_->SubCards().size()) >= MaxSubCards) return;
  TComponent& root = NamingRoot(*cards_);
  const int n = model::IDCreater().NewNameNumber(root, "TMultiCard");
  const int i = model::IDCreater().NewTextNumber(root, platform::Utf8ToGbk("子卡"));
  auto* card = new model::TMultiCard(cards_.Get());
  card->SetName("MultiCard" + std::to_string(n));
  card->SetText(Numbered("子卡", i));
  RebuildAndSelect(int(Items().size()) - 1);
  UpdateAddButton();
}

void TMultiCardForm::DeleteCard() {
  TComponent* card = ItemOf(selected_);
  if (!card) return;
  const int next = LeaveSelected();
  delete card;
  RebuildAndSelect(next);
  UpdateAddButton();
}

void TMultiCardForm::Exit() { view_.Close(); }

void TMultiCardForm::Closed() {
  EndShowing();
  cards_.Set(nullptr);
}

}  // namespace editor
