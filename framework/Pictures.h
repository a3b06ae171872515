#pragma once

// Pictures: a bitmap (pixels with a canvas to draw on), an icon (a platform
// icon handle), and TPicture, which holds either.

#include <memory>
#include <string>

#include "framework/Canvas.h"
#include "framework/Events.h"
#include "framework/Object.h"

class QImage;
struct HICON__;  // platform/gdi/Icons.h
using HICON = HICON__*;

class TGraphic : public TObject {
 public:
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  bool Empty() const { return Width() == 0 || Height() == 0; }
  // Draws the picture scaled to `rect` on `canvas`.
  virtual void Draw(TCanvas* canvas, const TRect& rect) = 0;
  // A copy of the same kind.
  virtual std::unique_ptr<TGraphic> Clone() const = 0;

  TNotifyEvent OnChange;

 protected:
  void Changed() { OnChange(this); }
};

// Whether a bitmap's transparent colour is its bottom-left pixel (tmAuto) or
// one set for it (tmFixed).
enum TTransparentMode { tmAuto, tmFixed };

class TBitmap : public TGraphic {
 public:
  TBitmap();
  TBitmap(int width, int height);
  TBitmap(TBitmap&& other) noexcept;
  TBitmap& operator=(TBitmap&& other) noexcept;
  ~TBitmap() override;

  int Width() const override;
  int Height() const override;
  // New pixels are white.
  void SetSize(int width, int height);
  void SetWidth(int width) { SetSize(width, Height()); }
  void SetHeight(int height) { SetSize(Width(), height); }
  // Draws on the bitmap's own pixels.
  TCanvas* Canvas();

  const QImage& Image() const;
  void SetImage(const QImage& image);
  bool LoadFromFile(const std::string& path);
  bool SaveToFile(const std::string& path) const;

  // With Transparent, pixels of TransparentColor are not drawn. clDefault
  // takes the colour of the bottom-left pixel.
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool transparent);
  TColor TransparentColor() const;
  void SetTransparentColor(TColor color);
  // tmFixed once a TransparentColor other than clDefault was set.
  TTransparentMode TransparentMode() const {
    return FTransparentColor == clDefault ? tmAuto : tmFixed;
  }

  void Draw(TCanvas* canvas, const TRect& rect) override;
  std::unique_ptr<TGraphic> Clone() const override;

 private:
  class BitmapCanvas;
  std::unique_ptr<QImage> FImage;
  std::unique_ptr<BitmapCanvas> FCanvas;
  bool FTransparent = false;
  TColor FTransparentColor = clDefault;
};

class TIcon : public TGraphic {
 public:
  TIcon() = default;
  ~TIcon() override;

  // The icon, owned by this object; null when empty.
  HICON Handle() const { return FHandle; }
  // Takes ownership of `icon` (the previous one is destroyed).
  void SetHandle(HICON icon);
  // Gives the icon up to the caller.
  HICON ReleaseHandle();
  bool LoadFromFile(const std::string& path);

  int Width() const override;
  int Height() const override;
  void Draw(TCanvas* canvas, const TRect& rect) override;
  std::unique_ptr<TGraphic> Clone() const override;

 private:
  HICON FHandle = nullptr;
};

class TPicture : public TObject {
 public:
  TPicture();
  ~TPicture() override;

  TGraphic* Graphic() const { return FGraphic.get(); }
  // Takes a copy of `graphic` (null empties the picture).
  void SetGraphic(const TGraphic* graphic);
  // The picture as a bitmap or an icon; one of that kind replaces what it
  // held when it held something else.
  TBitmap* Bitmap();
  TIcon* Icon();
  int Width() const { return FGraphic ? FGraphic->Width() : 0; }
  int Height() const { return FGraphic ? FGraphic->Height() : 0; }
  void Assign(const TPicture& source) { SetGraphic(source.Graphic()); }

  TNotifyEvent OnChange;

 private:
  void Take(std::unique_ptr<TGraphic> graphic);
  std::unique_ptr<TGraphic> FGraphic;
};
