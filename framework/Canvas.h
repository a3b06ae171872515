#pragma once

// A canvas: drawing with a font, a pen and a brush on a device context
// (platform/gdi/Drawing.h). Coordinates follow the platform: right and
// bottom edges are exclusive, LineTo leaves out its end point. The context
// itself (Handle) is what the platform's drawing calls take (DrawEdge,
// DrawFrameControl, DrawIconEx, the visual-styles calls); Handle() first
// selects the canvas's font, pen, brush and text colours into it.

#include <memory>
#include <vector>

#include "framework/DrawingTools.h"
#include "framework/Object.h"
#include "framework/Types.h"
#include "platform/gdi/Gdi.h"

class TGraphic;

class TCanvas : public TObject {
 public:
  TCanvas();
  ~TCanvas() override;
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  // The context drawn on; a canvas that has none asks CreateHandle for one
  // (a control's canvas takes a context on the control's pixels). Null when
  // none can be had: drawing then does nothing.
  HDC Handle();
  // Draws on `dc` from now on (not owned; null to let go of it).
  void SetHandle(HDC dc);
  bool HandleAllocated() const { return FHandle != nullptr; }

  TFont* Font() const { return FFont.get(); }
  TPen* Pen() const { return FPen.get(); }
  TBrush* Brush() const { return FBrush.get(); }

  TPoint PenPos() const { return FPenPos; }
  void MoveTo(int x, int y);
  void LineTo(int x, int y);

  void FillRect(const TRect& rect);                          // with the brush
  void FrameRect(const TRect& rect);                         // one pixel, in the brush's colour
  void Rectangle(int left, int top, int right, int bottom);  // pen outline, brush inside
  void Rectangle(const TRect& rect) { Rectangle(rect.Left, rect.Top, rect.Right, rect.Bottom); }
  void Ellipse(int left, int top, int right, int bottom);
  void Ellipse(const TRect& rect) { Ellipse(rect.Left, rect.Top, rect.Right, rect.Bottom); }
  void Polygon(const std::vector<TPoint>& points);
  void Polyline(const std::vector<TPoint>& points);

  // Text at its top left corner, on the brush's colour unless the brush is
  // clear; the pen position moves to the text's end.
  void TextOut(int x, int y, const String& text);
  // As TextOut, clipped to `rect`, which is first filled with the brush.
  void TextRect(const TRect& rect, int x, int y, const String& text);
  TSize TextExtent(const String& text);
  int TextWidth(const String& text) { return TextExtent(text).cx; }
  int TextHeight(const String& text) { return TextExtent(text).cy; }

  void Draw(int x, int y, TGraphic* graphic);
  void StretchDraw(const TRect& rect, TGraphic* graphic);

  // clNone outside the pixels.
  TColor Pixel(int x, int y);
  void SetPixel(int x, int y, TColor color);
  // What drawing can reach, in the canvas's coordinates.
  TRect ClipRect();

 protected:
  virtual void CreateHandle() {}
  // The context now in use, without making one.
  HDC CurrentHandle() const { return FHandle; }

 private:
  void SelectTools();
  HDC FHandle = nullptr;
  std::unique_ptr<TFont> FFont;
  std::unique_ptr<TPen> FPen;
  std::unique_ptr<TBrush> FBrush;
  TPoint FPenPos;
};
