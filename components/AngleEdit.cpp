#include "components/AngleEdit.h"

#include <cmath>
#include <numbers>

#include "components/ParentWindow.h"
#include "components/Themes.h"
#include "framework/Registration.h"

TAngleEdit::TAngleEdit(TComponent* AOwner) : TCustomControl(AOwner) {
  SetBounds(Left(), Top(), 40, 40);
}

TAngleEdit::~TAngleEdit() = default;

void TAngleEdit::SetDegrees(float v) {
  Degrees = v;
  Repaint();
}

float TAngleEdit::GetRadians() const {
  return static_cast<float>(Degrees * std::numbers::pi / 180);
}

void TAngleEdit::SetRadians(float v) {
  Degrees = static_cast<float>(v * 180 / std::numbers::pi);
  Repaint();
}

void TAngleEdit::SetEnabled(bool enabled) {
  TCustomControl::SetEnabled(enabled);
  Repaint();
}

void TAngleEdit::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_ERASEBKGND) {
    WMEraseBackground(Message);
  } else {
    TCustomControl::Dispatch(Message);
  }
}

void TAngleEdit::WMEraseBackground(TMessage& Message) {
  Message.Result = 1;
}

void TAngleEdit::Resize() {
  if (Width() != Height()) {
    SetWidth(Height());  // sized again: that Resize raises OnResize
    return;
  }
  TCustomControl::Resize();
}

void TAngleEdit::Paint() {
  TCanvas* canvas = Canvas();
  bool background = false;
  if (const HWND parentWindow = ParentWindow(*this); parentWindow != nullptr) {
    TThemeHelper* themes = ThemeHelper();
    if (HTHEME theme = themes->OpenThemeData(parentWindow, u"BUTTON"); theme != nullptr) {
      HDC dc = GetDC(Handle());
      const RECT client = ClientRect().ToRECT();
      themes->DrawThemeParentBackground(Handle(), dc, &client);
      ReleaseDC(Handle(), dc);
      themes->CloseThemeData(theme);
      background = true;
    }
  }
  if (!background) {
    canvas->Brush()->SetColor(clBtnFace);
    canvas->FillRect(Rect(0, 0, Width(), Height()));
  }

  canvas->Brush()->SetColor(clWhite);
  canvas->Pen()->SetColor(Enabled() ? clBlack : clSilver);
  const int width = Width();
  const double r = (width - 4) * 0.5;
  canvas->Ellipse(2, 2, width - 2, width - 2);
  const int centre = static_cast<int>(width * 0.5 + 0.5);
  canvas->MoveTo(centre, centre);
  const double a = Degrees * std::numbers::pi / 180;
  const double x = std::cos(a) * r + 0.5, y = std::sin(a) * r + 0.5;
  // An infinite or NaN angle has no direction to draw.
  if (!std::isfinite(x) || !std::isfinite(y)) return;
  canvas->LineTo(centre + static_cast<int>(std::trunc(x)),
                 centre - static_cast<int>(std::trunc(y)));
}

void TAngleEdit::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  const auto alive = Alive();
  TCustomControl::MouseDown(Button, Shift, X, Y);
  if (alive.expired() || Button != mbLeft) return;
  Dragging = true;
  LastPoint = TPoint{X, Y};
}

void TAngleEdit::MouseMove(TShiftState Shift, int X, int Y) {
  if (!Dragging) return;
  if (!Shift.Contains(ssLeft)) {
    // The release went elsewhere (the dial was disabled, or a window took
    // the mouse): the drag is over, and a bare move turns nothing.
    Dragging = false;
    LastPoint = TPoint{-1, -1};
    return;
  }
  Degrees += static_cast<float>(LastPoint.y - Y) * 1.0f;
  LastPoint = TPoint{X, Y};
  Repaint();
  OnChange(this);
}

void TAngleEdit::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  const auto alive = Alive();
  TCustomControl::MouseUp(Button, Shift, X, Y);
  if (alive.expired()) return;
  Dragging = false;
  LastPoint = TPoint{-1, -1};
}

namespace AngleEdit {

void Register() {
  RegisterComponent("Corvane", "TAngleEdit",
                    [](TComponent* owner) { return new TAngleEdit(owner); });
}

}  // namespace AngleEdit
