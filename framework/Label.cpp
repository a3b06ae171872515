#include "framework/Label.h"

#include "platform/gdi/Drawing.h"

TLabel::TLabel(TComponent* owner) : TGraphicControl(owner) {
  SetControlStyle(ControlStyle() + TControlStyle{csOpaque});
  SetBounds(0, 0, 65, 17);
  AdjustBounds();
}

UINT TLabel::TextFormat() const {
  UINT format = FWordWrap ? DT_WORDBREAK : DT_SINGLELINE;
  if (FAlignment == taCenter) format |= DT_CENTER;
  if (FAlignment == taRightJustify) format |= DT_RIGHT;
  if (!FWordWrap && FLayout == tlCenter) format |= DT_VCENTER;
  if (!FWordWrap && FLayout == tlBottom) format |= DT_BOTTOM;
  if (!FShowAccelChar) format |= DT_NOPREFIX;
  return format;
}

void TLabel::Paint() {
  TCanvas* canvas = Canvas();
  canvas->Brush()->SetStyle(bsClear);
  const String& caption = Caption();
  RECT box = ClientRect().ToRECT();
  HDC dc = canvas->Handle();
  const auto text = reinterpret_cast<LPCWSTR>(caption.c_str());
  const int length = static_cast<int>(caption.size());
  if (Enabled()) {
    SetTextColor(dc, ColorToRGB(Font()->Color()));
    DrawTextW(dc, text, length, &box, TextFormat());
    return;
  }
  // Embossed: a highlight copy one pixel down and right, the shadow on top.
  RECT shifted{box.left + 1, box.top + 1, box.right + 1, box.bottom + 1};
  SetTextColor(dc, ColorToRGB(clBtnHighlight));
  DrawTextW(dc, text, length, &shifted, TextFormat());
  SetTextColor(dc, ColorToRGB(clBtnShadow));
  DrawTextW(dc, text, length, &box, TextFormat());
}

void TLabel::Dispatch(TMessage& message) {
  TGraphicControl::Dispatch(message);
  if (message.Msg == CM_FONTCHANGED) AdjustBounds();
}

void TLabel::Loaded() {
  TGraphicControl::Loaded();
  AdjustBounds();
}

void TLabel::TextChanged() {
  AdjustBounds();
  Invalidate();
}

void TLabel::AdjustBounds() {
  if (!FAutoSize || ComponentState().Has(csLoading)) return;
  TCanvas measure;
  measure.Font()->Assign(*Font());
  const TSize extent = measure.TextExtent(Caption().empty() ? u" " : Caption());
  // What DrawText shows: '&' takes no room unless doubled.
  String shown;
  const String& caption = Caption();
  for (size_t i = 0; i < caption.size(); ++i) {
    if (FShowAccelChar && caption[i] == u'&' && i + 1 < caption.size()) ++i;
    shown += caption[i];
  }
  int width = caption.empty() ? 0 : measure.TextExtent(shown).cx;
  int height = extent.cy;
  if (FWordWrap) width = Width();
  int left = Left();
  if (FAlignment == taRightJustify) left = Left() + Width() - width;
  SetBounds(left, Top(), width, height);
}

void TLabel::SetAutoSize(bool autoSize) {
  FAutoSize = autoSize;
  AdjustBounds();
}

void TLabel::SetTransparent(bool transparent) {
  SetControlStyle(transparent ? ControlStyle() - TControlStyle{csOpaque}
                              : ControlStyle() + TControlStyle{csOpaque});
  Invalidate();
}

void TLabel::SetAlignment(TAlignment alignment) {
  FAlignment = alignment;
  Invalidate();
}

void TLabel::SetLayout(TTextLayout layout) {
  FLayout = layout;
  Invalidate();
}

void TLabel::SetWordWrap(bool wordWrap) {
  FWordWrap = wordWrap;
  AdjustBounds();
  Invalidate();
}

void TLabel::SetShowAccelChar(bool show) {
  FShowAccelChar = show;
  AdjustBounds();
  Invalidate();
}
