#include "components/valuePanel.h"

#include <cmath>

#include "framework/SysUtils.h"
#include "platform/user/VirtualKeys.h"
#include "platform/user/WidgetWindows.h"

namespace {

bool LeftButtonHeld() {
  return (GetKeyState(VK_LBUTTON) & 0x8000) != 0;
}

// The bar's width, truncated toward zero. Arithmetic in single precision,
// as the panel stores its values; a width far beyond the control (or none
// at all, for NaN) is held to what an int can carry, since the bar is
// clipped at the control's edge anyway.
int BarWidth(float value, float min, float range, int width) {
  const float bar = ((value - min) / range) * static_cast<float>(width);
  if (std::isnan(bar)) return 0;
  constexpr float kLimit = 1 << 30;
  return static_cast<int>(std::fmax(-kLimit, std::fmin(kLimit, bar)));
}

}  // namespace

TValuePanel::TValuePanel(TComponent* AOwner) : TCustomControl(AOwner) {
  SetBounds(Left(), Top(), 100, 20);
  SetShowHint(true);
  UpdateHint();
}

TValuePanel::~TValuePanel() = default;

void TValuePanel::SetMin(float v) {
  if (v == FMin) return;
  FMin = v;
  UpdateHint();
  Repaint();
}

void TValuePanel::SetMax(float v) {
  if (v == FMax) return;
  FMax = v;
  UpdateHint();
  Repaint();
}

void TValuePanel::SetValue(float v) {
  if (v == FValue) return;
  FValue = v;
  Repaint();
}

void TValuePanel::UpdateHint() {
  SetHint(u"Min: " + FloatToStr(FMin) + u", Max: " + FloatToStr(FMax));
}

void TValuePanel::SetEnabled(bool enabled) {
  TCustomControl::SetEnabled(enabled);
  Paint();
}

void TValuePanel::Paint() {
  TCustomControl::Paint();
  const float range = FMax - FMin;
  int w = 0;
  if (range != 0) {
    w = BarWidth(FValue, FMin, range, Width());
    Canvas()->Brush()->SetColor(Enabled() ? clHotLight : clInactiveCaptionText);
  }
  Canvas()->FillRect(Rect(0, 0, w, Height()));
}

bool TValuePanel::TrackPointer(int X) {
  const auto alive = Alive();
  const float span = FMax - FMin;
  const double along = Width() > 0 ? static_cast<double>(X) / Width() : 0.0;
  SetValue(static_cast<float>(FMin + along * span));
  if (FValue > FMax) {
    SetValue(FMax);
  } else if (FValue < FMin) {
    SetValue(FMin);
  }
  const bool held = LeftButtonHeld();  // not for a press sent by code
  OnChange(this);
  if (alive.expired()) return false;
  // A handler's modal window may have taken the release: the drag is over.
  if (held && !LeftButtonHeld()) FDragging = false;
  return true;
}

void TValuePanel::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == mbLeft) {
    FDragging = true;
    if (!TrackPointer(X)) return;
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TValuePanel::MouseMove(TShiftState Shift, int X, int Y) {
  // A move without the left button: the release went elsewhere (a modal
  // window opened by a handler took it), and the drag is over.
  if (FDragging && !Shift.Contains(ssLeft)) FDragging = false;
  if (FDragging && !TrackPointer(X)) return;
  TCustomControl::MouseMove(Shift, X, Y);
}

void TValuePanel::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (FDragging) FDragging = false;
  TCustomControl::MouseUp(Button, Shift, X, Y);
}
