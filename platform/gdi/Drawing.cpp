#include "platform/gdi/Drawing.h"

#include <QFontMetrics>
#include <QImage>
#include <algorithm>
#include <string_view>

#include "platform/CodePage.h"

namespace {

// The whole device, in device coordinates.
QRect DeviceRect(const QPaintDevice* device) {
  return QRect(0, 0, device->width(), device->height());
}

}  // namespace

HDC CreateDrawingDC(QPaintDevice* device, QPoint origin, const QRegion* clip) {
  if (device == nullptr) return nullptr;
  auto* state = new TDrawingState;
  state->device = device;
  state->origin = origin;
  if (clip != nullptr) {
    state->clip = *clip;
    state->clipped = true;
  }
  return new HDC__{false, nullptr, state};
}

BOOL DeleteDrawingDC(HDC dc) {
  TDrawingState* state = DrawingState(dc);
  if (state == nullptr) return 0;
  state->signature = 0;
  delete state;
  dc->drawing = nullptr;
  delete dc;
  return 1;
}

TDrawingState* DrawingState(HDC dc) {
  if (dc == nullptr || dc->drawing == nullptr) return nullptr;
  if (dc->drawing->signature != TDrawingState::kSignature) return nullptr;
  return dc->drawing;
}

TDCPainter::TDCPainter(HDC dc) : FState(DrawingState(dc)) {
  if (FState == nullptr || FState->device == nullptr) {
    FState = nullptr;
    return;
  }
  if (!FPainter.begin(FState->device)) return;
  if (FState->clipped) FPainter.setClipRegion(FState->clip);
  FPainter.translate(FState->origin);
  FPainter.setFont(FState->font);
}

TDCPainter::~TDCPainter() {
  if (FState == nullptr) return;
  if (FPainter.isActive()) FPainter.end();
  if (FState->updateWindow && FState->window) FState->window->update();
}

QColor ColorFromRef(COLORREF color) {
  return QColor(GetRValue(color), GetGValue(color), GetBValue(color));
}

COLORREF ColorToRef(const QColor& color) {
  return RGB(static_cast<uint8_t>(color.red()), static_cast<uint8_t>(color.green()),
             static_cast<uint8_t>(color.blue()));
}

COLORREF SetTextColor(HDC dc, COLORREF color) {
  TDrawingState* state = DrawingState(dc);
  if (state == nullptr) return CLR_INVALID;
  std::swap(state->textColor, color);
  return color;
}

COLORREF GetTextColor(HDC dc) {
  TDrawingState* state = DrawingState(dc);
  return state == nullptr ? CLR_INVALID : state->textColor;
}

COLORREF SetBkColor(HDC dc, COLORREF color) {
  TDrawingState* state = DrawingState(dc);
  if (state == nullptr) return CLR_INVALID;
  std::swap(state->backgroundColor, color);
  return color;
}

COLORREF GetBkColor(HDC dc) {
  TDrawingState* state = DrawingState(dc);
  return state == nullptr ? CLR_INVALID : state->backgroundColor;
}

int SetBkMode(HDC dc, int mode) {
  TDrawingState* state = DrawingState(dc);
  if (state == nullptr || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  std::swap(state->backgroundMode, mode);
  return mode;
}

int GetBkMode(HDC dc) {
  TDrawingState* state = DrawingState(dc);
  return state == nullptr ? 0 : state->backgroundMode;
}

COLORREF GetPixel(HDC dc, int x, int y) {
  TDrawingState* state = DrawingState(dc);
  if (state == nullptr) return CLR_INVALID;
  auto* image = dynamic_cast<QImage*>(state->device);
  const QPoint at = QPoint(x, y) + state->origin;
  if (image == nullptr || !image->rect().contains(at)) return CLR_INVALID;
  if (state->clipped && !state->clip.contains(at)) return CLR_INVALID;
  return ColorToRef(image->pixelColor(at));
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF color) {
  TDCPainter painter(dc);
  if (!painter.Active()) return CLR_INVALID;
  if (!DeviceRect(painter.State().device).contains(QPoint(x, y) + painter.State().origin)) {
    return CLR_INVALID;
  }
  painter->fillRect(QRect(x, y, 1, 1), ColorFromRef(color));
  return color;
}

BOOL FillSolidRect(HDC dc, const RECT* rect, COLORREF color) {
  if (rect == nullptr) return 0;
  TDCPainter painter(dc);
  if (!painter.Active()) return 0;
  if (rect->right > rect->left && rect->bottom > rect->top) {
    painter->fillRect(
        QRect(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top),
        ColorFromRef(color));
  }
  return 1;
}

QString TextFromWide(LPCWSTR text, int count) {
  if (text == nullptr) return {};
  if (count < 0) return QString::fromUtf16(text);
  return QString::fromUtf16(text, count);
}

int QtAlignmentFromTextFormat(UINT format) {
  int flags = 0;
  if ((format & DT_CENTER) != 0) {
    flags |= Qt::AlignHCenter;
  } else if ((format & DT_RIGHT) != 0) {
    flags |= Qt::AlignRight;
  } else {
    flags |= Qt::AlignLeft;
  }
  // The platform centres vertically only single lines; so do we.
  if ((format & DT_SINGLELINE) != 0 && (format & DT_VCENTER) != 0) {
    flags |= Qt::AlignVCenter;
  } else if ((format & DT_SINGLELINE) != 0 && (format & DT_BOTTOM) != 0) {
    flags |= Qt::AlignBottom;
  } else {
    flags |= Qt::AlignTop;
  }
  if ((format & DT_SINGLELINE) != 0) {
    flags |= Qt::TextSingleLine;
  } else if ((format & DT_WORDBREAK) != 0) {
    flags |= Qt::TextWordWrap;
  }
  if ((format & DT_EXPANDTABS) != 0) flags |= Qt::TextExpandTabs;
  flags |= (format & DT_NOPREFIX) != 0 ? 0 : Qt::TextShowMnemonic;
  return flags;
}

int DrawTextW(HDC dc, LPCWSTR text, int count, RECT* rect, UINT format) {
  TDrawingState* state = DrawingState(dc);
  if (state == nullptr || rect == nullptr) return 0;
  QString content = TextFromWide(text, count);
  const int flags = QtAlignmentFromTextFormat(format);
  const QRect box(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top);
  const QFontMetrics metrics(state->font);
  if ((format & DT_END_ELLIPSIS) != 0 && (format & DT_SINGLELINE) != 0) {
    content = metrics.elidedText(content, Qt::ElideRight, box.width(), flags);
  }
  // Measured with a box that cannot cut the text, as the platform measures.
  const QRect measureBox((format & DT_WORDBREAK) != 0
                             ? QRect(box.left(), box.top(), box.width(), 1 << 20)
                             : QRect(box.left(), box.top(), 1 << 20, 1 << 20));
  const QRect needed = metrics.boundingRect(
      measureBox, flags & ~(Qt::AlignVCenter | Qt::AlignBottom | Qt::AlignHCenter | Qt::AlignRight),
      content);
  if ((format & DT_CALCRECT) != 0) {
    rect->right = rect->left + needed.width();
    rect->bottom = rect->top + needed.height();
    return needed.height();
  }
  TDCPainter painter(dc);
  if (!painter.Active()) return 0;
  if ((format & DT_NOCLIP) == 0) painter->setClipRect(box, Qt::IntersectClip);
  if (state->backgroundMode == OPAQUE) {
    QRect filled = painter->boundingRect(box, flags, content);
    painter->fillRect(filled, ColorFromRef(state->backgroundColor));
  }
  painter->setPen(ColorFromRef(state->textColor));
  painter->drawText(box, flags, content);
  return needed.height();
}

int DrawTextA(HDC dc, LPCSTR text, int count, RECT* rect, UINT format) {
  if (text == nullptr) return 0;
  const std::u16string wide = CodePageToUtf16(
      count < 0 ? std::string_view(text) : std::string_view(text, static_cast<size_t>(count)));
  return DrawTextW(dc, reinterpret_cast<LPCWSTR>(wide.data()), static_cast<int>(wide.size()), rect,
                   format);
}

BOOL GetTextExtentPoint32W(HDC dc, LPCWSTR text, int count, SIZE* size) {
  TDrawingState* state = DrawingState(dc);
  if (state == nullptr || size == nullptr) return 0;
  const QFontMetrics metrics(state->font);
  const QString content = TextFromWide(text, count);
  size->cx = metrics.horizontalAdvance(content);
  size->cy = metrics.height();
  return 1;
}
