#include "rtf.h"

#include <algorithm>

#include "model/stream/WindowRecords.h"
#include "platform/component/ClassBuilder.h"
#include "platform/gfx/Canvas.h"
#include "platform/media/RichTextLayout.h"

namespace model {

namespace {

const TTableRows& MultiTextRows() {
  static const TTableRows rows = [] {
    TTableRows r;
    AddBoundsRows(r);
    AddRow(r, kRowFileName);
    AddRow(r, kRowTransparent);
    AddRow(r, kRowMethod);
    AddRow(r, kRowSpeed);
    AddRow(r, kRowFixed);
    AddRow(r, kRowLinesPrompt);
    AddMethodRows(r);
    AddSpeedRows(r);
    AddBooleanRows(r);
    return r;
  }();
  return rows;
}

// Black is all zero bytes in a 24-bit bitmap.
void FillBlack(platform::TBitmap& bitmap) {
  std::fill(bitmap.Bits(), bitmap.Bits() + bitmap.ImageSize(), uint8_t(0));
}

}  // namespace

int RenderRichText(const platform::TRichDocument& document, platform::TBitmap& bitmap) {
  if (document.Empty()) {
    FillBlack(bitmap);
    return 0;
  }
  const platform::TRunLayout layout = platform::LayoutRichText(document, bitmap.Width());
  // Line by line, so that every line counts once with its full height and the measure always
  // ends, whatever the height of a line.
  int64_t height = 0;
  size_t whole = 0;
  for (const platform::TRunLayout::TLine& line : layout.Lines()) {
    if (height + line.Height() > MaxRichTextHeight) break;
    height += line.Height();
    ++whole;
  }
  // All black, in the buffer the last picture had when it is large enough: every resize step
  // renders the whole document again.
  bitmap.Recreate(bitmap.Width(), int(height));
  platform::TCanvas canvas(bitmap);
  layout.Draw(canvas, 0, whole, 0, 0);
  return whole < layout.LineCount() ? 1 : 0;
}

// ---- TMultiText -----------------------------------------------------------------------------

const platform::TClassInfo& TMultiText::StaticClassInfo() {
  using T = TMultiText;
  static const platform::TClassInfo info =
      platform::TClassBuilder<T, platform::TGraphicControl>("TMultiText")
          .Property("FileName", &T::FileName, &T::SetFileName)
          .Property("Transparent", &T::Transparent, &T::SetTransparent)
          .Property("Method", TypeDisplayMethod(), &T::Method, &T::SetMethod)
          .Property("Speed", TypeDisplaySpeed(), &T::Speed, &T::SetSpeed)
          .Property("Fixed", &T::Fixed, &T::SetFixed)
          .Property("Text", &T::Text, &T::SetText)
          .Property("PropertyTable", [](T& t) { return &t.PropertyTable(); }, nullptr)
          .StreamProperty<TProgramStream>("RecordSelf", &T::SetRecordSelf)
          .Build();
  return info;
}

TMultiText::TMultiText(platform::TComponent* owner) : TGraphicControl(owner) {
  FillPropertyTable(table_, MultiTextRows());
  // Runs the resize step: the picture takes the width.
  SetBounds(Left(), Top(), 160, 64);
}

void TMultiText::SetFileName(std::string_view fileName) {
  fileName_ = fileName;
  if (!LoadFile()) fileName_.clear();
  if (Loading()) return;  // Loaded() renders once, at the final width
  Render();
  Invalidate();
}

void TMultiText::SetTransparent(bool transparent) {
  if (transparent == transparent_) return;
  transparent_ = transparent;
  Invalidate();
}

bool TMultiText::LoadFile() {
  if (platform::LoadRichTextFile(fileName_, document_)) return true;
  document_ = {};
  return false;
}

void TMultiText::RenderPicture() {
  // A document is measured afresh at the new width, so its old height is no constraint.
  if (document_.Empty())
    picture_.SetSize(Width(), picture_.Height());
  else
    picture_.Recreate(Width(), 0);
  RenderRichText(document_, picture_);
}

void TMultiText::Render() {
  try {
    RenderPicture();
  } catch (const platform::EBitmapError&) {
    picture_ = platform::TBitmap();  // nothing to show at a size the drawing layer refuses
  }
}

void TMultiText::Resize() {
  if (Loading()) return;  // Loaded() renders at the final size
  Render();
  Invalidate();
}

void TMultiText::Loaded() {
  TGraphicControl::Loaded();
  Render();
  Invalidate();
}

void TMultiText::Paint(platform::TCanvas& canvas) {
  const platform::TRect picture{0, 0, picture_.Width(), picture_.Height()};
  if (transparent_) {
    canvas.TransparentDraw(picture, picture_, picture, platform::clBlack);
    return;
  }
  canvas.Brush = platform::TBrush{platform::clBlack, platform::bsSolid};
  canvas.FillRect({0, 0, Width(), Height()});
  canvas.CopyMode = platform::cmSrcCopy;
  canvas.Draw(0, 0, picture_);
}

void TMultiText::SetRecordSelf(TProgramStream* stream) {
  AppendRecord(stream, [this](TProgramStream& s) {
    if (LoadFile()) {
      try {
        RenderPicture();
      } catch (const platform::EBitmapError&) {
        picture_ = platform::TBitmap();
        Invalidate();
        throw;  // a size the drawing layer refuses sends nothing
      }
    } else {
      picture_ = platform::TBitmap();  // the record still goes, with an empty picture
    }
    Invalidate();
    WritePictureWindow(ObjectRecordRect(*this), picture_, EffectCode(method_), SpeedCode(speed_),
                       transparent_, s);
  });
}

}  // namespace model
