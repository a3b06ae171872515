#pragma once

// TValuePanel: a small horizontal gauge. It fills a bar from its left edge
// in proportion to where Value lies between Min and Max, and lets the user
// set Value by pressing and dragging with the left button (the capture keeps
// the moves coming outside the panel, where the value stops at Min or Max).
// OnChange follows the press and every move of a drag; values set by code
// raise nothing and are not clamped. The numeric edits place one under their
// text box as a value strip; its owner drives it and destroys it.

#include "framework/Controls.h"

class TValuePanel : public TCustomControl {
 public:
  explicit TValuePanel(TComponent* AOwner);
  ~TValuePanel() override;

  float Min() const { return FMin; }
  float Max() const { return FMax; }
  float Value() const { return FValue; }
  bool Dragging() const { return FDragging; }

  // Each: nothing when unchanged, else store and repaint at once; the
  // bounds also rebuild the hint.
  void SetMin(float v);
  void SetMax(float v);
  void SetValue(float v);
  // "Min: " + FloatToStr(Min) + ", Max: " + FloatToStr(Max).
  void UpdateHint();
  // The framework's enabling, then an immediate Paint, so the bar changes
  // colour at once.
  void SetEnabled(bool enabled) override;

  TNotifyEvent OnChange;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

 private:
  // Sets Value from the pointer's X, clamps it into Min..Max and raises
  // OnChange; false when a handler destroyed the panel.
  bool TrackPointer(int X);

  float FMin = 0;
  float FMax = 100;
  float FValue = 50;
  bool FDragging = false;
};
