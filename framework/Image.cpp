#include "framework/Image.h"

TImage::TImage(TComponent* owner) : TGraphicControl(owner), FPicture(std::make_unique<TPicture>()) {
  FPicture->OnChange = [this](TObject*) { Invalidate(); };
  SetBounds(0, 0, 105, 105);
}

TImage::~TImage() = default;

TRect TImage::DestinationRect() const {
  int width = FPicture->Width(), height = FPicture->Height();
  if (FStretch && width > 0 && height > 0) {
    if (!FProportional) return ClientRect();
    // The largest size of the picture's proportions that fits.
    const double scale = std::min(static_cast<double>(ClientWidth()) / width,
                                  static_cast<double>(ClientHeight()) / height);
    width = static_cast<int>(width * scale);
    height = static_cast<int>(height * scale);
  }
  if (FCenter || (FStretch && FProportional)) {
    const int left = (ClientWidth() - width) / 2, top = (ClientHeight() - height) / 2;
    return Bounds(left, top, width, height);
  }
  return Bounds(0, 0, width, height);
}

void TImage::Paint() {
  if (FPicture->Graphic() == nullptr || FPicture->Graphic()->Empty()) return;
  Canvas()->StretchDraw(DestinationRect(), FPicture->Graphic());
}

void TImage::SetStretch(bool stretch) {
  FStretch = stretch;
  Invalidate();
}

void TImage::SetProportional(bool proportional) {
  FProportional = proportional;
  Invalidate();
}

void TImage::SetCenter(bool center) {
  FCenter = center;
  Invalidate();
}
