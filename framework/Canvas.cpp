#include "framework/Canvas.h"

#include <QFontMetrics>
#include <QPolygon>
#include <algorithm>
#include <cstdlib>

#include "framework/Pictures.h"
#include "framework/QtBridge.h"
#include "platform/gdi/Drawing.h"

TCanvas::TCanvas()
    : FFont(std::make_unique<TFont>()),
      FPen(std::make_unique<TPen>()),
      FBrush(std::make_unique<TBrush>()) {}

TCanvas::~TCanvas() = default;

HDC TCanvas::Handle() {
  if (FHandle == nullptr) CreateHandle();
  SelectTools();
  return FHandle;
}

void TCanvas::SetHandle(HDC dc) {
  FHandle = dc;
}

void TCanvas::SelectTools() {
  TDrawingState* state = DrawingState(FHandle);
  if (state == nullptr) return;
  state->font = QtFont(*FFont);
  state->pen = QtPen(*FPen);
  state->brush = QtBrush(*FBrush);
  state->textColor = ColorToRGB(FFont->Color());
  state->backgroundColor = ColorToRGB(FBrush->Color());
  state->backgroundMode = FBrush->Style() == bsClear ? TRANSPARENT : OPAQUE;
}

void TCanvas::MoveTo(int x, int y) {
  FPenPos = TPoint{x, y};
}

void TCanvas::LineTo(int x, int y) {
  const TPoint from = FPenPos;
  FPenPos = TPoint{x, y};
  TDCPainter painter(Handle());
  if (!painter.Active() || FPen->Style() == psClear) return;
  painter->setPen(QtPen(*FPen));
  const int dx = x - from.x, dy = y - from.y;
  const int steps = std::max(std::abs(dx), std::abs(dy));
  if (steps == 0) return;
  if (FPen->Width() > 1) {
    painter->drawLine(from.x, from.y, x, y);
    return;
  }
  // The platform leaves out the end point: stop one step before it.
  const double last = static_cast<double>(steps - 1) / steps;
  painter->drawLine(QPointF(from.x, from.y),
                    QPointF(std::round(from.x + dx * last), std::round(from.y + dy * last)));
}

void TCanvas::FillRect(const TRect& rect) {
  TDCPainter painter(Handle());
  if (!painter.Active() || FBrush->Style() == bsClear) return;
  if (rect.Width() > 0 && rect.Height() > 0) painter->fillRect(QtRect(rect), QtBrush(*FBrush));
}

void TCanvas::FrameRect(const TRect& rect) {
  TDCPainter painter(Handle());
  if (!painter.Active() || rect.Width() <= 0 || rect.Height() <= 0) return;
  const QColor color = QtColor(FBrush->Color());
  painter->fillRect(rect.Left, rect.Top, rect.Width(), 1, color);
  painter->fillRect(rect.Left, rect.Bottom - 1, rect.Width(), 1, color);
  painter->fillRect(rect.Left, rect.Top, 1, rect.Height(), color);
  painter->fillRect(rect.Right - 1, rect.Top, 1, rect.Height(), color);
}

void TCanvas::Rectangle(int left, int top, int right, int bottom) {
  TDCPainter painter(Handle());
  if (!painter.Active() || right <= left || bottom <= top) return;
  painter->setBrush(QtBrush(*FBrush));
  painter->setPen(QtPen(*FPen));
  // A one-pixel outline drawn around (w - 1) x (h - 1) covers w x h.
  painter->drawRect(QRect(left, top, right - left - 1, bottom - top - 1));
}

void TCanvas::Ellipse(int left, int top, int right, int bottom) {
  TDCPainter painter(Handle());
  if (!painter.Active() || right <= left || bottom <= top) return;
  painter->setBrush(QtBrush(*FBrush));
  painter->setPen(QtPen(*FPen));
  painter->drawEllipse(QRect(left, top, right - left - 1, bottom - top - 1));
}

namespace {

QPolygon ToPolygon(const std::vector<TPoint>& points) {
  QPolygon polygon;
  for (const TPoint& p : points)
    polygon << QPoint(p.x, p.y);
  return polygon;
}

}  // namespace

void TCanvas::Polygon(const std::vector<TPoint>& points) {
  TDCPainter painter(Handle());
  if (!painter.Active() || points.empty()) return;
  painter->setBrush(QtBrush(*FBrush));
  painter->setPen(QtPen(*FPen));
  painter->drawPolygon(ToPolygon(points));
}

void TCanvas::Polyline(const std::vector<TPoint>& points) {
  TDCPainter painter(Handle());
  if (!painter.Active() || points.empty()) return;
  painter->setPen(QtPen(*FPen));
  painter->drawPolyline(ToPolygon(points));
  FPenPos = points.back();
}

TSize TCanvas::TextExtent(const String& text) {
  const QFontMetrics metrics(QtFont(*FFont));
  return TSize{metrics.horizontalAdvance(QtString(text)), metrics.height()};
}

void TCanvas::TextOut(int x, int y, const String& text) {
  const TSize extent = TextExtent(text);
  {
    TDCPainter painter(Handle());
    if (!painter.Active()) return;
    const QRect box(x, y, extent.cx, extent.cy);
    if (FBrush->Style() != bsClear) painter->fillRect(box, QtColor(FBrush->Color()));
    painter->setPen(QtColor(FFont->Color()));
    painter->drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, QtString(text));
  }
  FPenPos = TPoint{x + extent.cx, y};
}

void TCanvas::TextRect(const TRect& rect, int x, int y, const String& text) {
  TDCPainter painter(Handle());
  if (!painter.Active()) return;
  painter->setClipRect(QtRect(rect), Qt::IntersectClip);
  if (FBrush->Style() != bsClear) painter->fillRect(QtRect(rect), QtColor(FBrush->Color()));
  const TSize extent = TextExtent(text);
  painter->setPen(QtColor(FFont->Color()));
  painter->drawText(QRect(x, y, extent.cx, extent.cy),
                    Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, QtString(text));
}

void TCanvas::Draw(int x, int y, TGraphic* graphic) {
  if (graphic == nullptr || graphic->Empty()) return;
  graphic->Draw(this, Bounds(x, y, graphic->Width(), graphic->Height()));
}

void TCanvas::StretchDraw(const TRect& rect, TGraphic* graphic) {
  if (graphic == nullptr || graphic->Empty()) return;
  graphic->Draw(this, rect);
}

TColor TCanvas::Pixel(int x, int y) {
  const COLORREF color = GetPixel(Handle(), x, y);
  return color == CLR_INVALID ? clNone : static_cast<TColor>(color);
}

void TCanvas::SetPixel(int x, int y, TColor color) {
  ::SetPixel(Handle(), x, y, ColorToRGB(color));
}

TRect TCanvas::ClipRect() {
  TDrawingState* state = DrawingState(Handle());
  if (state == nullptr) return TRect{};
  QRect reach(0, 0, state->device->width(), state->device->height());
  if (state->clipped) reach &= state->clip.boundingRect();
  return FromQt(reach.translated(-state->origin));
}
