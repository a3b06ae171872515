#pragma once

// TKeyPaintBox: a paint box that can take the keyboard focus. A window whose
// whole look comes from its OnPaint handler (a plain area in Color without
// one); a click, with any button, focuses it before OnMouseDown runs, and the
// Tab key reaches it too, so it receives the key events (OnKeyDown,
// OnKeyPress, OnKeyUp: arrows and Tab included) that a paint box never gets.

#include "framework/Controls.h"

class TKeyPaintBox : public TCustomControl {
 public:
  explicit TKeyPaintBox(TComponent* AOwner);
  ~TKeyPaintBox() override;

  TNotifyEvent OnPaint;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
};

namespace KeyPaintBox {
// Places TKeyPaintBox on the palette page "Corvane".
void Register();
}  // namespace KeyPaintBox
