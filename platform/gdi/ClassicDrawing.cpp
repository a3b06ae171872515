#include "platform/gdi/ClassicDrawing.h"

#include <QPainterPath>
#include <algorithm>

#include "platform/gdi/Drawing.h"
#include "platform/gdi/SystemColors.h"

namespace {

QColor Sys(int index) {
  return ColorFromRef(GetSysColor(index));
}

QRect ToQRect(const RECT& rect) {
  return QRect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
}

// One ring of an edge: the top and left lines, then the right and bottom
// ones, which take the two corners they share.
void Ring(QPainter& painter, const QRect& box, const QColor& topLeft, const QColor& bottomRight,
          UINT sides) {
  if (box.width() <= 0 || box.height() <= 0) return;
  if ((sides & BF_TOP) != 0) painter.fillRect(box.left(), box.top(), box.width(), 1, topLeft);
  if ((sides & BF_LEFT) != 0) painter.fillRect(box.left(), box.top(), 1, box.height(), topLeft);
  if ((sides & BF_RIGHT) != 0) {
    painter.fillRect(box.right(), box.top(), 1, box.height(), bottomRight);
  }
  if ((sides & BF_BOTTOM) != 0) {
    painter.fillRect(box.left(), box.bottom(), box.width(), 1, bottomRight);
  }
}

QRect Shrunk(const QRect& box, UINT sides, int by) {
  return box.adjusted((sides & BF_LEFT) != 0 ? by : 0, (sides & BF_TOP) != 0 ? by : 0,
                      (sides & BF_RIGHT) != 0 ? -by : 0, (sides & BF_BOTTOM) != 0 ? -by : 0);
}

void EdgeOn(QPainter& painter, QRect* box, UINT edge, UINT flags) {
  const UINT sides = flags & BF_RECT;
  const UINT outer = edge & (BDR_RAISEDOUTER | BDR_SUNKENOUTER);
  const UINT inner = edge & (BDR_RAISEDINNER | BDR_SUNKENINNER);
  const bool mono = (flags & BF_MONO) != 0;
  const bool flat = (flags & BF_FLAT) != 0;
  QRect at = *box;
  if (outer != 0) {
    QColor lt, rb;
    if (mono) {
      lt = rb = Sys(COLOR_WINDOWFRAME);
    } else if (flat) {
      lt = rb = Sys(COLOR_BTNSHADOW);
    } else if (outer == BDR_RAISEDOUTER) {
      lt = Sys((flags & BF_SOFT) != 0 ? COLOR_BTNHIGHLIGHT : COLOR_3DLIGHT);
      rb = Sys(COLOR_3DDKSHADOW);
    } else {
      lt = Sys(COLOR_BTNSHADOW);
      rb = Sys(COLOR_BTNHIGHLIGHT);
    }
    Ring(painter, at, lt, rb, sides);
    at = Shrunk(at, sides, 1);
  }
  if (inner != 0) {
    QColor lt, rb;
    if (mono) {
      lt = rb = Sys(COLOR_WINDOW);
    } else if (flat) {
      lt = rb = Sys(COLOR_BTNFACE);
    } else if (inner == BDR_RAISEDINNER) {
      lt = Sys((flags & BF_SOFT) != 0 ? COLOR_3DLIGHT : COLOR_BTNHIGHLIGHT);
      rb = Sys(COLOR_BTNSHADOW);
    } else {
      lt = Sys((flags & BF_SOFT) != 0 ? COLOR_BTNSHADOW : COLOR_3DDKSHADOW);
      rb = Sys(COLOR_3DLIGHT);
    }
    Ring(painter, at, lt, rb, sides);
    at = Shrunk(at, sides, 1);
  }
  if ((flags & BF_MIDDLE) != 0 && at.isValid()) {
    painter.fillRect(at, mono ? Sys(COLOR_WINDOW) : Sys(COLOR_BTNFACE));
  }
  if ((flags & BF_ADJUST) != 0) *box = at;
}

// A solid triangle pointing `direction` (0 up, 1 down, 2 left, 3 right),
// centred in `box`, drawn row by row so that it is pixel-exact.
void Arrow(QPainter& painter, const QRect& box, UINT direction, const QColor& color) {
  const int size = std::min(box.width(), box.height());
  const int depth = std::max(2, (size - 4) / 3);
  const int span = 2 * depth - 1;
  const bool vertical = direction == DFCS_SCROLLUP || direction == DFCS_SCROLLDOWN;
  const int left = box.left() + (box.width() - (vertical ? span : depth)) / 2;
  const int top = box.top() + (box.height() - (vertical ? depth : span)) / 2;
  for (int i = 0; i < depth; ++i) {
    const int length = span - 2 * i;
    switch (direction) {
      case DFCS_SCROLLUP:
        painter.fillRect(left + i, top + depth - 1 - i, length, 1, color);
        break;
      case DFCS_SCROLLDOWN:
        painter.fillRect(left + i, top + i, length, 1, color);
        break;
      case DFCS_SCROLLLEFT:
        painter.fillRect(left + depth - 1 - i, top + i, 1, length, color);
        break;
      default:
        painter.fillRect(left + i, top + i, 1, length, color);
        break;
    }
  }
}

// An inactive glyph: embossed, a highlight copy one pixel down and right.
template <typename DrawGlyph>
void Glyph(UINT state, const DrawGlyph& draw) {
  if ((state & DFCS_INACTIVE) != 0) {
    draw(QPoint(1, 1), Sys(COLOR_BTNHIGHLIGHT));
    draw(QPoint(0, 0), Sys(COLOR_BTNSHADOW));
  } else {
    draw(QPoint(0, 0), Sys(COLOR_BTNTEXT));
  }
}

// The raised face of a button; pushed, the flat sunken one.
QRect ButtonFace(QPainter& painter, const QRect& box, UINT state, bool pushedFlat) {
  QRect inside = box;
  const bool pushed = (state & (DFCS_PUSHED | DFCS_CHECKED)) != 0;
  UINT flags = BF_RECT | BF_ADJUST;
  if ((state & DFCS_TRANSPARENT) == 0) flags |= BF_MIDDLE;
  if ((state & DFCS_MONO) != 0) flags |= BF_MONO;
  if ((state & DFCS_FLAT) != 0 || (pushed && pushedFlat)) flags |= BF_FLAT;
  EdgeOn(painter, &inside, pushed ? EDGE_SUNKEN : EDGE_RAISED, flags);
  if ((state & DFCS_CHECKED) != 0 && (state & DFCS_PUSHED) == 0 &&
      (state & DFCS_TRANSPARENT) == 0) {
    // A button that stays down shows a dithered face.
    painter.fillRect(inside, QBrush(Sys(COLOR_BTNHIGHLIGHT), Qt::Dense4Pattern));
  }
  return inside;
}

void CheckBox(QPainter& painter, const QRect& box, UINT state) {
  const int size = std::min(box.width(), box.height());
  QRect square(box.left(), box.top() + (box.height() - size) / 2, size, size);
  QRect inside = square;
  EdgeOn(painter, &inside, EDGE_SUNKEN,
         BF_RECT | BF_ADJUST | ((state & DFCS_FLAT) != 0 ? BF_FLAT : 0));
  const bool mixed = (state & DFCS_BUTTON3STATE) != 0 && (state & DFCS_CHECKED) != 0;
  const bool dim = (state & (DFCS_INACTIVE | DFCS_PUSHED)) != 0;
  if (mixed) {
    painter.fillRect(inside, QBrush(Sys(COLOR_BTNHIGHLIGHT), Qt::Dense4Pattern));
  } else {
    painter.fillRect(inside, dim ? Sys(COLOR_BTNFACE) : Sys(COLOR_WINDOW));
  }
  if ((state & DFCS_CHECKED) == 0) return;
  const QColor mark =
      mixed || (state & DFCS_INACTIVE) != 0 ? Sys(COLOR_BTNSHADOW) : Sys(COLOR_WINDOWTEXT);
  const qreal s = inside.width();
  QPainterPath tick;
  tick.moveTo(inside.left() + s * 0.22, inside.top() + s * 0.50);
  tick.lineTo(inside.left() + s * 0.42, inside.top() + s * 0.70);
  tick.lineTo(inside.left() + s * 0.78, inside.top() + s * 0.30);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setPen(
      QPen(mark, std::max<qreal>(1.0, s / 6.0), Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
  painter.drawPath(tick);
  painter.restore();
}

void RadioButton(QPainter& painter, const QRect& box, UINT state) {
  const int size = std::min(box.width(), box.height());
  const QRectF circle(box.left() + 0.5, box.top() + (box.height() - size) / 2 + 0.5, size - 1,
                      size - 1);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  const bool dim = (state & (DFCS_INACTIVE | DFCS_PUSHED)) != 0;
  painter.setPen(Qt::NoPen);
  painter.setBrush(dim ? Sys(COLOR_BTNFACE) : Sys(COLOR_WINDOW));
  painter.drawEllipse(circle);
  // Outer ring: shadow above left, highlight below right; inner ring darker.
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(Sys(COLOR_BTNSHADOW), 1));
  painter.drawArc(circle, 45 * 16, 180 * 16);
  painter.setPen(QPen(Sys(COLOR_BTNHIGHLIGHT), 1));
  painter.drawArc(circle, 225 * 16, 180 * 16);
  const QRectF inner = circle.adjusted(1, 1, -1, -1);
  painter.setPen(QPen(Sys(COLOR_3DDKSHADOW), 1));
  painter.drawArc(inner, 45 * 16, 180 * 16);
  painter.setPen(QPen(Sys(COLOR_3DLIGHT), 1));
  painter.drawArc(inner, 225 * 16, 180 * 16);
  if ((state & DFCS_CHECKED) != 0) {
    painter.setPen(Qt::NoPen);
    painter.setBrush((state & DFCS_INACTIVE) != 0 ? Sys(COLOR_BTNSHADOW) : Sys(COLOR_WINDOWTEXT));
    const qreal dot = std::max<qreal>(2.0, size / 3.0);
    painter.drawEllipse(circle.center(), dot / 2, dot / 2);
  }
  painter.restore();
}

void CaptionGlyph(QPainter& painter, const QRect& inside, UINT kind, const QPoint& shift,
                  const QColor& color) {
  const int size = std::max(4, std::min(inside.width(), inside.height()) - 6);
  const QRect g(inside.left() + (inside.width() - size) / 2 + shift.x(),
                inside.top() + (inside.height() - size) / 2 + shift.y(), size, size);
  const int thick = std::max(1, size / 6);
  switch (kind) {
    case DFCS_CAPTIONCLOSE: {
      painter.save();
      painter.setPen(QPen(color, thick + 0.5));
      painter.drawLine(g.topLeft(), g.bottomRight());
      painter.drawLine(g.topRight(), g.bottomLeft());
      painter.restore();
      break;
    }
    case DFCS_CAPTIONMIN:
      painter.fillRect(g.left(), g.bottom() - thick + 1, g.width(), thick, color);
      break;
    case DFCS_CAPTIONMAX:
      painter.fillRect(g.left(), g.top(), g.width(), 2 * thick, color);
      Ring(painter, g, color, color, BF_RECT);
      break;
    case DFCS_CAPTIONRESTORE: {
      const QRect back = g.adjusted(g.width() / 3, 0, 0, -g.height() / 3);
      const QRect front = g.adjusted(0, g.height() / 3, -g.width() / 3, 0);
      painter.fillRect(back.left(), back.top(), back.width(), 2 * thick, color);
      Ring(painter, back, color, color, BF_RECT);
      painter.fillRect(front, Sys(COLOR_BTNFACE));
      painter.fillRect(front.left(), front.top(), front.width(), 2 * thick, color);
      Ring(painter, front, color, color, BF_RECT);
      break;
    }
    default: {
      QFont font = painter.font();
      font.setPixelSize(size + 2);
      font.setBold(true);
      painter.save();
      painter.setFont(font);
      painter.setPen(color);
      painter.drawText(g, Qt::AlignCenter, QStringLiteral("?"));
      painter.restore();
      break;
    }
  }
}

}  // namespace

BOOL DrawEdge(HDC dc, RECT* rect, UINT edge, UINT flags) {
  if (rect == nullptr) return 0;
  TDCPainter painter(dc);
  if (!painter.Active()) return 0;
  QRect box = ToQRect(*rect);
  EdgeOn(*painter, &box, edge, flags);
  if ((flags & BF_ADJUST) != 0)
    *rect = RECT{box.left(), box.top(), box.right() + 1, box.bottom() + 1};
  return 1;
}

BOOL DrawFrameControl(HDC dc, RECT* rect, UINT type, UINT state) {
  if (rect == nullptr) return 0;
  TDCPainter painter(dc);
  if (!painter.Active()) return 0;
  const QRect box = ToQRect(*rect);
  const UINT kind = state & 0xFF;
  QRect inside = box;
  switch (type) {
    case DFC_BUTTON:
      if ((kind & DFCS_BUTTONPUSH) != 0) {
        inside = ButtonFace(*painter, box, state, false);
      } else if ((kind & (DFCS_BUTTONRADIO | DFCS_BUTTONRADIOIMAGE | DFCS_BUTTONRADIOMASK)) != 0) {
        RadioButton(*painter, box, state);
      } else {
        CheckBox(*painter, box, state);
      }
      break;
    case DFC_SCROLL:
      if (kind == DFCS_SCROLLSIZEGRIP) {
        for (int i = 0; i + 3 < std::min(box.width(), box.height()); i += 4) {
          painter->setPen(Sys(COLOR_BTNHIGHLIGHT));
          painter->drawLine(box.right() - i - 3, box.bottom(), box.right(), box.bottom() - i - 3);
          painter->setPen(Sys(COLOR_BTNSHADOW));
          painter->drawLine(box.right() - i - 2, box.bottom(), box.right(), box.bottom() - i - 2);
        }
        break;
      }
      if (kind > DFCS_SCROLLRIGHT && kind != DFCS_SCROLLCOMBOBOX) return 0;
      inside = ButtonFace(*painter, box, state, true);
      Glyph(state, [&](QPoint shift, const QColor& color) {
        if ((state & DFCS_PUSHED) != 0) shift += QPoint(1, 1);
        const UINT direction = kind == DFCS_SCROLLCOMBOBOX ? DFCS_SCROLLDOWN : kind;
        Arrow(*painter, box.translated(shift), direction, color);
      });
      break;
    case DFC_CAPTION:
      if (kind > DFCS_CAPTIONHELP) return 0;
      inside = ButtonFace(*painter, box, state, false);
      Glyph(state, [&](QPoint shift, const QColor& color) {
        if ((state & DFCS_PUSHED) != 0) shift += QPoint(1, 1);
        CaptionGlyph(*painter, inside, kind, shift, color);
      });
      break;
    case DFC_MENU: {
      const QColor color = Sys(COLOR_MENUTEXT);
      if (kind == DFCS_MENUARROW) {
        Arrow(*painter, box, DFCS_SCROLLRIGHT, color);
      } else if (kind == DFCS_MENUCHECK) {
        CheckBox(*painter, box, DFCS_CHECKED | DFCS_TRANSPARENT | DFCS_FLAT);
      } else if (kind == DFCS_MENUBULLET) {
        painter->setRenderHint(QPainter::Antialiasing, true);
        painter->setPen(Qt::NoPen);
        painter->setBrush(color);
        const qreal r = std::min(box.width(), box.height()) / 6.0;
        painter->drawEllipse(QRectF(box).center(), r, r);
      } else {
        return 0;
      }
      break;
    }
    default:
      return 0;
  }
  if ((state & DFCS_ADJUSTRECT) != 0) {
    *rect = RECT{inside.left(), inside.top(), inside.right() + 1, inside.bottom() + 1};
  }
  return 1;
}

BOOL DrawFocusRect(HDC dc, const RECT* rect) {
  if (rect == nullptr) return 0;
  TDCPainter painter(dc);
  if (!painter.Active()) return 0;
  const QRect box = ToQRect(*rect);
  if (box.width() <= 0 || box.height() <= 0) return 1;
  painter->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  // Every other pixel of the frame, each inverted once.
  const QColor white(255, 255, 255);
  const int parity = (box.left() + box.top()) & 1;
  auto dot = [&](int x, int y) {
    if (((x + y) & 1) == parity) painter->fillRect(x, y, 1, 1, white);
  };
  for (int x = box.left(); x <= box.right(); ++x) {
    dot(x, box.top());
    if (box.height() > 1) dot(x, box.bottom());
  }
  for (int y = box.top() + 1; y < box.bottom(); ++y) {
    dot(box.left(), y);
    if (box.width() > 1) dot(box.right(), y);
  }
  return 1;
}
