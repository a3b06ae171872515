#include "framework/SpeedButton.h"

#include <QImage>
#include <QPainter>

#include "framework/QtBridge.h"
#include "platform/gdi/ClassicDrawing.h"
#include "platform/gdi/Drawing.h"

TSpeedButton::TSpeedButton(TComponent* owner)
    : TGraphicControl(owner), FGlyph(std::make_unique<TBitmap>()) {
  SetControlStyle(ControlStyle() - TControlStyle{csClickEvents});
  FGlyph->OnChange = [this](TObject*) { Invalidate(); };
  SetBounds(0, 0, 23, 22);
}

TSpeedButton::~TSpeedButton() = default;

void TSpeedButton::SetNumGlyphs(int count) {
  FNumGlyphs = std::clamp(count, 1, 4);
  Invalidate();
}

void TSpeedButton::SetGroupIndex(int index) {
  FGroupIndex = index;
  if (FGroupIndex == 0) SetDown(false);
}

void TSpeedButton::SetDown(bool down) {
  if (FGroupIndex == 0) down = false;
  if (down == FDown) return;
  // The one down button of a group comes up only when AllowAllUp says so.
  if (FDown && !down && !FAllowAllUp) return;
  FDown = down;
  if (FState != bsDisabled) FState = down ? bsExclusive : bsUp;
  Invalidate();
  if (down) UpdateExclusive();
}

void TSpeedButton::UpdateExclusive() {
  if (FGroupIndex == 0 || Parent() == nullptr) return;
  for (int i = 0; i < Parent()->ControlCount(); ++i) {
    auto* other = dynamic_cast<TSpeedButton*>(Parent()->Controls(i));
    if (other == nullptr || other == this || other->FGroupIndex != FGroupIndex) continue;
    if (other->FDown) {
      other->FDown = false;
      if (other->FState != bsDisabled) other->FState = bsUp;
      other->Invalidate();
    }
  }
}

void TSpeedButton::SetFlat(bool flat) {
  FFlat = flat;
  Invalidate();
}

void TSpeedButton::SetLayout(TButtonLayout layout) {
  FLayout = layout;
  Invalidate();
}

void TSpeedButton::SetSpacing(int spacing) {
  FSpacing = spacing;
  Invalidate();
}

void TSpeedButton::SetMargin(int margin) {
  FMargin = margin;
  Invalidate();
}

void TSpeedButton::SetTransparent(bool transparent) {
  FTransparent = transparent;
  Invalidate();
}

void TSpeedButton::Click() {
  TGraphicControl::Click();
}

void TSpeedButton::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE: {
      const bool inside = message.Msg == CM_MOUSEENTER;
      if (inside != FMouseInControl && Enabled()) {
        FMouseInControl = inside;
        if (FFlat) Invalidate();
      }
      break;
    }
    case CM_ENABLEDCHANGED:
      FState = !Enabled() ? bsDisabled : FDown ? bsExclusive : bsUp;
      if (!Enabled()) FDragging = false;
      break;
    default:
      break;
  }
  TGraphicControl::Dispatch(message);
}

void TSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  const auto alive = Alive();
  TGraphicControl::MouseDown(button, shift, x, y);
  if (alive.expired() || button != mbLeft || !Enabled()) return;
  if (!FDown) {
    FState = bsDown;
    Repaint();
  }
  FDragging = true;
}

void TSpeedButton::MouseMove(TShiftState shift, int x, int y) {
  const auto alive = Alive();
  TGraphicControl::MouseMove(shift, x, y);
  if (alive.expired() || !FDragging) return;
  const bool inside = ClientRect().Contains(TPoint{x, y});
  const TButtonState state = FDown ? bsExclusive : inside ? bsDown : bsUp;
  if (state != FState) {
    FState = state;
    Invalidate();
  }
}

void TSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  const auto alive = Alive();
  TGraphicControl::MouseUp(button, shift, x, y);
  if (alive.expired() || !FDragging || button != mbLeft) return;
  FDragging = false;
  const bool inside = ClientRect().Contains(TPoint{x, y});
  if (FGroupIndex == 0) {
    FState = bsUp;
  } else if (inside) {
    SetDown(!FDown);
    if (FState != bsDisabled) FState = FDown ? bsExclusive : bsUp;
  } else {
    FState = FDown ? bsExclusive : bsUp;
  }
  Invalidate();
  if (inside) Click();
}

TBitmap TSpeedButton::GlyphFor(TButtonState state) const {
  TBitmap picture;
  if (FGlyph->Empty()) return picture;
  const int cell = FGlyph->Width() / FNumGlyphs;
  int index = static_cast<int>(state);
  if (index >= FNumGlyphs) index = 0;
  QImage source = FGlyph->Image()
                      .copy(index * cell, 0, cell, FGlyph->Height())
                      .convertToFormat(QImage::Format_ARGB32);
  const QRgb clear = FGlyph->Image().pixel(0, FGlyph->Height() - 1) & 0xFFFFFF;
  const bool emboss = state == bsDisabled && FNumGlyphs <= 1;
  const QRgb highlight = QtColor(clBtnHighlight).rgb(), shadow = QtColor(clBtnShadow).rgb();
  QImage result(source.size(), QImage::Format_ARGB32);
  result.fill(Qt::transparent);
  for (int row = 0; row < source.height(); ++row) {
    for (int column = 0; column < source.width(); ++column) {
      const QRgb pixel = source.pixel(column, row);
      if ((pixel & 0xFFFFFF) == clear || qAlpha(pixel) == 0) continue;
      if (!emboss) {
        result.setPixel(column, row, pixel);
        continue;
      }
      // Embossed: dark pixels of the glyph become a shadow with a
      // highlight one pixel down and right.
      if (qGray(pixel) >= 192) continue;
      if (column + 1 < result.width() && row + 1 < result.height() &&
          qAlpha(result.pixel(column + 1, row + 1)) == 0) {
        result.setPixel(column + 1, row + 1, highlight);
      }
      result.setPixel(column, row, shadow);
    }
  }
  picture.SetImage(result);
  return picture;
}

void TSpeedButton::LayOut(const TRect& content, const TSize& glyph, const TSize& caption,
                          TPoint* glyphAt, TRect* captionRect) const {
  const bool across = FLayout == blGlyphLeft || FLayout == blGlyphRight;
  const int room = across ? content.Width() : content.Height();
  const int glyphLength = across ? glyph.cx : glyph.cy;
  const int captionLength = across ? caption.cx : caption.cy;
  int margin = FMargin, spacing = FSpacing;
  if (glyphLength == 0 || captionLength == 0) spacing = 0;
  if (margin == -1) {
    if (spacing == -1) {
      const int total = glyphLength + captionLength;
      margin = (room - total) / 3;
      spacing = margin;
    } else {
      margin = (room - (glyphLength + spacing + captionLength) + 1) / 2;
    }
  } else if (spacing == -1) {
    spacing = (room - margin - glyphLength - captionLength) / 2;
  }
  // Across the other direction both are centred.
  TPoint g{content.Left + (content.Width() - glyph.cx + 1) / 2,
           content.Top + (content.Height() - glyph.cy + 1) / 2};
  TPoint c{content.Left + (content.Width() - caption.cx + 1) / 2,
           content.Top + (content.Height() - caption.cy + 1) / 2};
  switch (FLayout) {
    case blGlyphLeft:
      g.x = content.Left + margin;
      c.x = g.x + glyph.cx + spacing;
      break;
    case blGlyphRight:
      g.x = content.Right - margin - glyph.cx;
      c.x = g.x - spacing - caption.cx;
      break;
    case blGlyphTop:
      g.y = content.Top + margin;
      c.y = g.y + glyph.cy + spacing;
      break;
    case blGlyphBottom:
      g.y = content.Bottom - margin - glyph.cy;
      c.y = g.y - spacing - caption.cy;
      break;
  }
  *glyphAt = g;
  *captionRect = Bounds(c.x, c.y, caption.cx, caption.cy);
}

void TSpeedButton::Paint() {
  TCanvas* canvas = Canvas();
  HDC dc = canvas->Handle();
  const TButtonState state = !Enabled() ? bsDisabled : FState;
  const bool pushed = state == bsDown || state == bsExclusive;
  RECT face = ClientRect().ToRECT();
  if (!FFlat) {
    DrawFrameControl(dc, &face, DFC_BUTTON,
                     DFCS_BUTTONPUSH | DFCS_ADJUSTRECT | (pushed ? DFCS_PUSHED : 0));
  } else {
    if (pushed || (FMouseInControl && state != bsDisabled) || ComponentState().Has(csDesigning)) {
      DrawEdge(dc, &face, pushed ? BDR_SUNKENOUTER : BDR_RAISEDINNER,
               BF_RECT | (FTransparent ? 0 : BF_MIDDLE));
    } else if (!FTransparent) {
      canvas->Brush()->SetColor(Color());
      canvas->FillRect(ClientRect());
    }
    face = RECT{face.left + 1, face.top + 1, face.right - 1, face.bottom - 1};
  }
  if (state == bsExclusive && (!FFlat || !FMouseInControl)) {
    // A button that stays down shows a dithered face.
    TDCPainter painter(dc);
    if (painter.Active()) {
      painter->fillRect(QRect(face.left, face.top, face.right - face.left, face.bottom - face.top),
                        QBrush(QtColor(clBtnHighlight), Qt::Dense4Pattern));
    }
  }
  const int shift = pushed ? 1 : 0;
  TBitmap glyph = GlyphFor(state);
  canvas->Font()->Assign(*Font());
  const TSize captionSize = Caption().empty() ? TSize{} : canvas->TextExtent(Caption());
  TPoint glyphAt;
  TRect captionRect;
  LayOut(TRect::FromRECT(face), TSize{glyph.Width(), glyph.Height()}, captionSize, &glyphAt,
         &captionRect);
  if (!glyph.Empty()) canvas->Draw(glyphAt.x + shift, glyphAt.y + shift, &glyph);
  if (Caption().empty()) return;
  RECT text = Bounds(captionRect.Left + shift, captionRect.Top + shift, captionRect.Width(),
                     captionRect.Height())
                  .ToRECT();
  dc = canvas->Handle();
  SetBkMode(dc, TRANSPARENT);
  const auto caption = reinterpret_cast<LPCWSTR>(Caption().c_str());
  const int length = static_cast<int>(Caption().size());
  const UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
  if (state == bsDisabled) {
    RECT below{text.left + 1, text.top + 1, text.right + 1, text.bottom + 1};
    SetTextColor(dc, ColorToRGB(clBtnHighlight));
    DrawTextW(dc, caption, length, &below, format);
    SetTextColor(dc, ColorToRGB(clBtnShadow));
  } else {
    SetTextColor(dc, ColorToRGB(Font()->Color()));
  }
  DrawTextW(dc, caption, length, &text, format);
}
