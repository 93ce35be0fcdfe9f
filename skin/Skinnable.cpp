#include "skin/Skinnable.h"

#include <QVariant>
#include <QWidget>

#include "skin/SkinPublic.h"

namespace skin {

TUseFileTheme UseFileTheme(const TskFileTheme* theme, TskUIStyle style) {
  if (style != FromThemeFile) return {false, style};
  if (theme && theme->CanUse()) return {true, FromThemeFile};
  return {false, DeepBlue};
}

TThemeSource::TThemeSource(const TskFileTheme* theme, TskUIStyle style) {
  TUseFileTheme use = UseFileTheme(theme, style);
  theme_ = use.UseTheme ? theme : nullptr;
  style_ = use.Style;
}

TColor TThemeSource::Color(int item) const {
  if (!theme_) return GetBuiltInColor(style_, item);
  std::optional<int32_t> v = theme_->FindInt(item);
  return v ? TColor(*v) & 0xFFFFFF : GetBuiltInColor(DeepBlue, item);
}

int32_t TThemeSource::Int(int item) const {
  if (!theme_) return GetBuiltInInt(style_, item);
  return theme_->FindInt(item).value_or(GetBuiltInInt(DeepBlue, item));
}

bool TThemeSource::Bool(int item) const {
  return theme_ ? theme_->GetBool(item) : GetBuiltInBool(style_, item);
}

TBitmap TThemeSource::Image(int item) const {
  TBitmap b;
  if (!theme_ || !theme_->GetImage(item, b)) GetBuiltInImage(theme_ ? DeepBlue : style_, item, &b);
  return b;
}

TBitmap TThemeSource::Image(int item, int index, int count) const {
  TBitmap b;
  if (!theme_ || !theme_->GetImage(item, b, index, count))
    GetBuiltInImage(theme_ ? DeepBlue : style_, item, &b, index, count);
  return b;
}

TSkinnable::TSkinnable(QObject* self, TskUIStyle initial) : self_(self), style_(initial) {}

TSkinnable::~TSkinnable() { QObject::disconnect(themeGone_); }

void TSkinnable::SetUIStyle(TskUIStyle style) {
  style_ = style;
  ApplyStyle();
}

void TSkinnable::SetFileTheme(TskFileTheme* theme) {
  if (theme != theme_.data()) {
    QObject::disconnect(themeGone_);
    theme_ = theme;
    if (theme)
      themeGone_ = QObject::connect(theme, &QObject::destroyed, self_, [this] { ThemeRemoved(); });
  }
  ApplyStyle();
}

void TSkinnable::ThemeRemoved() {
  QObject::disconnect(themeGone_);
  theme_ = nullptr;
  style_ = DeepBlue;
  ApplyStyle();
}

void TSkinnable::ApplyStyle() {
  // A theme being destroyed must not be read: QPointer is already null then.
  StyleChanged(ThemeSource());
  if (auto* w = qobject_cast<QWidget*>(self_)) w->update();
}

TSkinnable* AsSkinnable(QObject* object) { return dynamic_cast<TSkinnable*>(object); }
const TSkinnable* AsSkinnable(const QObject* object) { return dynamic_cast<const TSkinnable*>(object); }

TskUIStyle DefaultControlStyle(const QObject* owner) {
  const auto* w = qobject_cast<const QWidget*>(owner);
  if (!w) return DeepBlue;
  const QWidget* window = w->window();
  for (const QObject* child : window->children()) {
    const TSkinnable* s = AsSkinnable(child);
    if (s && s->IsFrame()) return s->UIStyle();
  }
  return DeepBlue;
}

void PropagateStyleToChildren(QObject* container, TskUIStyle style, TskFileTheme* theme) {
  if (!container) return;
  const QObjectList children = container->children();  // a copy: setters may add children
  for (QObject* child : children) {
    if (!HasPublishedProperty(child, "FileTheme") || !HasPublishedProperty(child, "UIStyle")) continue;
    child->setProperty("FileTheme", QVariant::fromValue(theme));
    child->setProperty("UIStyle", QVariant::fromValue(style));
  }
}

}  // namespace skin
