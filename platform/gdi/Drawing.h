#pragma once

// Drawing contexts: device contexts whose pixels live in a Qt paint device
// (a window's pixels, a bitmap), drawn on with QPainter. The classic drawing
// calls (ClassicDrawing.h), icons (Icons.h), the framework's canvas and the
// visual-styles library all draw through them.
//
// A context keeps what GDI keeps per context: the font, pen and brush, text
// and background colours, the background mode and the current position. No
// painter stays open between calls: each drawing call opens one (TDCPainter)
// and ends it, so any module may draw into a context in turn. Do not nest
// two TDCPainters on one context.

#include <QBrush>
#include <QFont>
#include <QPainter>
#include <QPen>
#include <QPoint>
#include <QPointer>
#include <QRegion>
#include <QString>
#include <QWidget>
#include <cstdint>

#include "platform/WindowsTypes.h"
#include "platform/gdi/DeviceContext.h"

struct TDrawingState {
  static constexpr uint32_t kSignature = 0x53645263;
  uint32_t signature = kSignature;  // cleared when the context is deleted
  QPaintDevice* device = nullptr;   // not owned
  QPoint origin;                    // where the context's (0, 0) lies on the device
  QRegion clip;                     // device coordinates; used when `clipped`
  bool clipped = false;
  // The widget that shows the device: drawing outside its paint event asks
  // it to show the new pixels.
  QPointer<QWidget> window;
  bool updateWindow = false;

  QFont font;
  QPen pen{QColor(0, 0, 0)};
  QBrush brush{QColor(255, 255, 255)};
  COLORREF textColor = 0;
  COLORREF backgroundColor = 0xFFFFFF;
  int backgroundMode = 2;  // OPAQUE
  QPoint position;
};

// A context drawing on `device`, its (0, 0) at `origin`, clipped to `clip`
// (device coordinates) when given. The device must outlive the context.
HDC CreateDrawingDC(QPaintDevice* device, QPoint origin = {}, const QRegion* clip = nullptr);
BOOL DeleteDrawingDC(HDC dc);
// The drawing state of a drawing context; null for anything else.
TDrawingState* DrawingState(HDC dc);

// A painter on a drawing context for the length of one call: origin and clip
// applied. Inactive (check Active()) for a context that is not a drawing one.
class TDCPainter {
 public:
  explicit TDCPainter(HDC dc);
  ~TDCPainter();
  TDCPainter(const TDCPainter&) = delete;
  TDCPainter& operator=(const TDCPainter&) = delete;

  bool Active() const { return FState != nullptr && FPainter.isActive(); }
  QPainter* operator->() { return &FPainter; }
  QPainter& operator*() { return FPainter; }
  TDrawingState& State() { return *FState; }

 private:
  TDrawingState* FState;
  QPainter FPainter;
};

QColor ColorFromRef(COLORREF color);
COLORREF ColorToRef(const QColor& color);

constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

COLORREF SetTextColor(HDC dc, COLORREF color);
COLORREF GetTextColor(HDC dc);
COLORREF SetBkColor(HDC dc, COLORREF color);
COLORREF GetBkColor(HDC dc);
int SetBkMode(HDC dc, int mode);
int GetBkMode(HDC dc);
COLORREF GetPixel(HDC dc, int x, int y);
COLORREF SetPixel(HDC dc, int x, int y, COLORREF color);
// Fills with a solid colour (GDI's FillRect takes a brush; here the colour).
BOOL FillSolidRect(HDC dc, const RECT* rect, COLORREF color);
// The text's extent in the context's font.
BOOL GetTextExtentPoint32W(HDC dc, LPCWSTR text, int count, SIZE* size);

// DrawText formats.
constexpr UINT DT_LEFT = 0x0000;
constexpr UINT DT_TOP = 0x0000;
constexpr UINT DT_CENTER = 0x0001;
constexpr UINT DT_RIGHT = 0x0002;
constexpr UINT DT_VCENTER = 0x0004;
constexpr UINT DT_BOTTOM = 0x0008;
constexpr UINT DT_WORDBREAK = 0x0010;
constexpr UINT DT_SINGLELINE = 0x0020;
constexpr UINT DT_EXPANDTABS = 0x0040;
constexpr UINT DT_NOCLIP = 0x0100;
constexpr UINT DT_CALCRECT = 0x0400;
constexpr UINT DT_NOPREFIX = 0x0800;
constexpr UINT DT_END_ELLIPSIS = 0x8000;

// Draws text in the context's font, text colour and background mode. '&'
// underlines the next character (and "&&" is one '&') unless DT_NOPREFIX.
// Returns the text's height; with DT_CALCRECT only measures, widening or
// heightening `rect` to fit. A count of -1 means up to the terminating zero.
int DrawTextW(HDC dc, LPCWSTR text, int count, RECT* rect, UINT format);
// As DrawTextW, the 8-bit text read in the system code page.
int DrawTextA(HDC dc, LPCSTR text, int count, RECT* rect, UINT format);

// Used by DrawTextW and the visual-styles library alike.
int QtAlignmentFromTextFormat(UINT format);
QString TextFromWide(LPCWSTR text, int count);
