#include "framework/Panel.h"

#include "platform/gdi/ClassicDrawing.h"
#include "platform/gdi/Drawing.h"

TPanel::TPanel(TComponent* owner) : TCustomControl(owner) {
  SetBounds(0, 0, 185, 41);
}

namespace {

UINT EdgeOf(TPanelBevel bevel, bool outer) {
  if (bevel == bvLowered) return outer ? BDR_SUNKENOUTER : BDR_SUNKENINNER;
  if (bevel == bvRaised) return outer ? BDR_RAISEDOUTER : BDR_RAISEDINNER;
  return 0;
}

}  // namespace

void TPanel::Paint() {
  TCanvas* canvas = Canvas();
  HDC dc = canvas->Handle();
  RECT box = ClientRect().ToRECT();
  for (int i = 0; i < FBevelWidth && FBevelOuter != bvNone; ++i) {
    if (FBevelOuter == bvSpace) {
      box = RECT{box.left + 1, box.top + 1, box.right - 1, box.bottom - 1};
    } else {
      DrawEdge(dc, &box, EdgeOf(FBevelOuter, true), BF_RECT | BF_ADJUST);
    }
  }
  for (int i = 0; i < FBevelWidth && FBevelInner != bvNone; ++i) {
    if (FBevelInner == bvSpace) {
      box = RECT{box.left + 1, box.top + 1, box.right - 1, box.bottom - 1};
    } else {
      DrawEdge(dc, &box, EdgeOf(FBevelInner, false), BF_RECT | BF_ADJUST);
    }
  }
  if (Caption().empty()) return;
  UINT format = DT_SINGLELINE | DT_VCENTER;
  if (FAlignment == taCenter) format |= DT_CENTER;
  if (FAlignment == taRightJustify) format |= DT_RIGHT;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColorToRGB(Enabled() ? Font()->Color() : clGrayText));
  DrawTextW(dc, reinterpret_cast<LPCWSTR>(Caption().c_str()), static_cast<int>(Caption().size()),
            &box, format);
}

void TPanel::SetBevelOuter(TPanelBevel bevel) {
  FBevelOuter = bevel;
  Invalidate();
}

void TPanel::SetBevelInner(TPanelBevel bevel) {
  FBevelInner = bevel;
  Invalidate();
}

void TPanel::SetBevelWidth(int width) {
  FBevelWidth = std::max(1, width);
  Invalidate();
}

void TPanel::SetAlignment(TAlignment alignment) {
  FAlignment = alignment;
  Invalidate();
}
