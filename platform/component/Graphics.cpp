#include "Graphics.h"

#include "platform/component/ClassBuilder.h"
#include "platform/gfx/BmpImage.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/JpegImage.h"

namespace platform {

const TClassInfo& TPublishedPicture::StaticClassInfo() {
  static const TClassInfo info = TClassBuilder<TPublishedPicture, TPersistent>("TPicture").Build();
  return info;
}

TBitmap TPublishedPicture::ImageBitmap() const {
  if (Empty()) return TBitmap();
  const TGraphic* g = Graphic();
  if (auto* b = dynamic_cast<const TBitmapGraphic*>(g)) return b->Bitmap();
  if (auto* j = dynamic_cast<const TJPEGImage*>(g)) return j->Bitmap();
  TBitmap image(g->Width(), g->Height(), pf24bit);
  TCanvas canvas(image);
  g->Draw(canvas, TRect{0, 0, g->Width(), g->Height()});
  return image;
}

void TPublishedPicture::SetBitmap(TBitmap bitmap) {
  auto graphic = std::make_unique<TBitmapGraphic>();
  graphic->Bitmap() = std::move(bitmap);
  picture_.SetGraphic(std::move(graphic));
}

const TClassInfo& TPublishedBitmap::StaticClassInfo() {
  static const TClassInfo info = TClassBuilder<TPublishedBitmap, TPersistent>("TBitmap").Build();
  return info;
}

void TPublishedBitmap::Assign(const TPersistent& source) {
  if (auto* b = dynamic_cast<const TPublishedBitmap*>(&source)) {
    bitmap_ = b->bitmap_;
    return;
  }
  TPersistent::Assign(source);
}

}  // namespace platform
