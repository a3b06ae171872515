#include "components/KeyPaintBox.h"

#include "framework/Registration.h"

TKeyPaintBox::TKeyPaintBox(TComponent* AOwner) : TCustomControl(AOwner) {
  SetTabStop(true);
}

TKeyPaintBox::~TKeyPaintBox() = default;

void TKeyPaintBox::Paint() {
  if (OnPaint) {
    OnPaint(this);
    return;
  }
  Canvas()->Brush()->SetColor(Color());
  Canvas()->FillRect(Canvas()->ClipRect());
}

void TKeyPaintBox::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  // Taking the focus raises OnEnter, whose handler may destroy the box.
  const auto alive = Alive();
  SetFocus();
  if (alive.expired()) return;
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

namespace KeyPaintBox {

void Register() {
  RegisterComponent("Corvane", "TKeyPaintBox",
                    [](TComponent* owner) { return new TKeyPaintBox(owner); });
}

}  // namespace KeyPaintBox
