#pragma once
// The published forms of a picture and a bitmap: persistent objects that a class publishes as
// a property of class "TPicture" or "TBitmap" (Photo.Picture, a button's Glyph), so that object
// text and the inspector recognise them by class. They publish no properties of their own.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/component/Persistent.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Picture.h"

namespace platform {

// Class "TPicture": holds a drawing-layer picture (a graphic of any registered class, or none).
class TPublishedPicture : public TPersistent {
  DECLARE_CLASS_INFO()

  TPublishedPicture() = default;

  TPicture& Picture() { return picture_; }
  const TPicture& Picture() const { return picture_; }
  TGraphic* Graphic() const { return picture_.Graphic(); }
  // True when there is no graphic or it has no pixels.
  bool Empty() const { return !Graphic() || Graphic()->Empty(); }

  // The picture's image as a bitmap, whatever its graphic's class: the bitmap of a bitmap or
  // JPEG graphic as it is (pixel format and palette kept), any other graphic drawn onto a
  // 24-bit bitmap of its size. Empty when Empty().
  TBitmap ImageBitmap() const;
  // Makes the picture a bitmap graphic holding `bitmap`.
  void SetBitmap(TBitmap bitmap);

 private:
  TPicture picture_;
};

// Class "TBitmap": holds a drawing-layer bitmap.
class TPublishedBitmap : public TPersistent {
  DECLARE_CLASS_INFO()

  TPublishedBitmap() = default;

  TBitmap& Bitmap() { return bitmap_; }
  const TBitmap& Bitmap() const { return bitmap_; }
  void SetBitmap(TBitmap bitmap) { bitmap_ = std::move(bitmap); }

  // Takes the bitmap of another published bitmap.
  void Assign(const TPersistent& source) override;

 private:
  TBitmap bitmap_;
};

}  // namespace platform
