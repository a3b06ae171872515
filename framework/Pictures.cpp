#include "framework/Pictures.h"

#include <QImage>
#include <QPainter>

#include "framework/QtBridge.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/Icons.h"

// A bitmap's canvas: a drawing context on its pixels for the bitmap's life.
class TBitmap::BitmapCanvas : public TCanvas {
 public:
  explicit BitmapCanvas(QImage* image) : FContext(CreateDrawingDC(image)) { SetHandle(FContext); }
  ~BitmapCanvas() override { DeleteDrawingDC(FContext); }

 private:
  HDC FContext;
};

TBitmap::TBitmap() : FImage(std::make_unique<QImage>()) {}

TBitmap::TBitmap(int width, int height) : TBitmap() {
  SetSize(width, height);
}

TBitmap::TBitmap(TBitmap&& other) noexcept = default;
TBitmap& TBitmap::operator=(TBitmap&& other) noexcept = default;
TBitmap::~TBitmap() = default;

int TBitmap::Width() const {
  return FImage->width();
}

int TBitmap::Height() const {
  return FImage->height();
}

void TBitmap::SetSize(int width, int height) {
  width = std::max(0, width);
  height = std::max(0, height);
  if (width == Width() && height == Height()) return;
  QImage resized(width, height, QImage::Format_ARGB32_Premultiplied);
  resized.fill(Qt::white);
  if (!FImage->isNull()) {
    QPainter painter(&resized);
    painter.drawImage(0, 0, *FImage);
  }
  // Assigned in place: the canvas's context keeps pointing at it.
  *FImage = resized;
  Changed();
}

TCanvas* TBitmap::Canvas() {
  if (!FCanvas) FCanvas = std::make_unique<BitmapCanvas>(FImage.get());
  return FCanvas.get();
}

const QImage& TBitmap::Image() const {
  return *FImage;
}

void TBitmap::SetImage(const QImage& image) {
  *FImage = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  Changed();
}

bool TBitmap::LoadFromFile(const std::string& path) {
  QImage loaded;
  if (!loaded.load(QString::fromStdString(path))) return false;
  SetImage(loaded);
  return true;
}

bool TBitmap::SaveToFile(const std::string& path) const {
  return FImage->save(QString::fromStdString(path));
}

void TBitmap::SetTransparent(bool transparent) {
  if (transparent == FTransparent) return;
  FTransparent = transparent;
  Changed();
}

TColor TBitmap::TransparentColor() const {
  if (FTransparentColor != clDefault || FImage->isNull()) return FTransparentColor;
  return static_cast<TColor>(ColorToRef(FImage->pixelColor(0, FImage->height() - 1)));
}

void TBitmap::SetTransparentColor(TColor color) {
  FTransparentColor = color;
  Changed();
}

void TBitmap::Draw(TCanvas* canvas, const TRect& rect) {
  if (canvas == nullptr || FImage->isNull()) return;
  TDCPainter painter(canvas->Handle());
  if (!painter.Active()) return;
  if (!FTransparent) {
    painter->drawImage(QtRect(rect), *FImage);
    return;
  }
  QImage masked = FImage->convertToFormat(QImage::Format_ARGB32);
  const QRgb clear = ColorFromRef(ColorToRGB(TransparentColor())).rgb() & 0xFFFFFF;
  for (int row = 0; row < masked.height(); ++row) {
    auto* line = reinterpret_cast<QRgb*>(masked.scanLine(row));
    for (int column = 0; column < masked.width(); ++column) {
      if ((line[column] & 0xFFFFFF) == clear) line[column] = 0;
    }
  }
  painter->drawImage(QtRect(rect), masked);
}

std::unique_ptr<TGraphic> TBitmap::Clone() const {
  auto copy = std::make_unique<TBitmap>();
  *copy->FImage = *FImage;
  copy->FTransparent = FTransparent;
  copy->FTransparentColor = FTransparentColor;
  return copy;
}

TIcon::~TIcon() {
  DestroyIcon(FHandle);
}

void TIcon::SetHandle(HICON icon) {
  if (icon == FHandle) return;
  DestroyIcon(FHandle);
  FHandle = icon;
  Changed();
}

HICON TIcon::ReleaseHandle() {
  HICON icon = FHandle;
  FHandle = nullptr;
  return icon;
}

bool TIcon::LoadFromFile(const std::string& path) {
  QImage loaded;
  if (!loaded.load(QString::fromStdString(path))) return false;
  SetHandle(CreateIconFromImage(loaded));
  return true;
}

int TIcon::Width() const {
  const QImage* image = IconImage(FHandle);
  return image == nullptr ? 0 : image->width();
}

int TIcon::Height() const {
  const QImage* image = IconImage(FHandle);
  return image == nullptr ? 0 : image->height();
}

void TIcon::Draw(TCanvas* canvas, const TRect& rect) {
  if (canvas == nullptr || FHandle == nullptr) return;
  DrawIconEx(canvas->Handle(), rect.Left, rect.Top, FHandle, rect.Width(), rect.Height(), 0,
             nullptr, DI_NORMAL);
}

std::unique_ptr<TGraphic> TIcon::Clone() const {
  auto copy = std::make_unique<TIcon>();
  copy->FHandle = CopyIcon(FHandle);
  return copy;
}

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::Take(std::unique_ptr<TGraphic> graphic) {
  FGraphic = std::move(graphic);
  if (FGraphic) FGraphic->OnChange = [this](TObject*) { OnChange(this); };
  OnChange(this);
}

void TPicture::SetGraphic(const TGraphic* graphic) {
  Take(graphic != nullptr ? graphic->Clone() : nullptr);
}

TBitmap* TPicture::Bitmap() {
  if (auto* bitmap = dynamic_cast<TBitmap*>(FGraphic.get())) return bitmap;
  Take(std::make_unique<TBitmap>());
  return static_cast<TBitmap*>(FGraphic.get());
}

TIcon* TPicture::Icon() {
  if (auto* icon = dynamic_cast<TIcon*>(FGraphic.get())) return icon;
  Take(std::make_unique<TIcon>());
  return static_cast<TIcon*>(FGraphic.get());
}
