#pragma once

// TAngleEdit: a small square dial, a circle with one radius drawn at the
// current angle (counter-clockwise from pointing right: 0 right, 90 up). The
// user turns it by dragging with the left button held, one degree per pixel
// of vertical movement, up increasing the angle; OnChange follows every
// move of a drag. The angle is never wrapped: 400 stays 400 and draws as 40.
// Values set by the program repaint at once and raise nothing.

#include "framework/Controls.h"

class TAngleEdit : public TCustomControl {
 public:
  // 0 degrees, 40 x 40.
  explicit TAngleEdit(TComponent* AOwner);
  ~TAngleEdit() override;

  float GetDegrees() const { return Degrees; }
  void SetDegrees(float v);
  float GetRadians() const;
  void SetRadians(float v);
  bool IsDragging() const { return Dragging; }

  // The framework's enabling, then an immediate repaint (silver when off).
  void SetEnabled(bool enabled) override;
  // Routes WM_ERASEBKGND to WMEraseBackground, the rest on.
  void Dispatch(TMessage& Message) override;

  TNotifyEvent OnChange;

 protected:
  void Paint() override;
  // Keeps the dial square: its width follows its height.
  void Resize() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  // Answers 1 and erases nothing: Paint covers the whole dial.
  void WMEraseBackground(TMessage& Message);

 private:
  float Degrees = 0;
  bool Dragging = false;
  TPoint LastPoint{0, 0};
};

namespace AngleEdit {
// Places TAngleEdit on the palette page "Corvane".
void Register();
}  // namespace AngleEdit
