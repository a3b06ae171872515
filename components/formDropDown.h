#pragma once

// TFormDropDown: the small drop-down arrow button at the right end of the
// numeric edits. It draws a scroll-bar down arrow (themed when visual styles
// are active, classic otherwise), drawn pushed while a mouse button is held
// on it. Every press first raises OnDrop, while the arrow is still drawn
// normal, so the owner can hand over Min, Max, Value, Offset and Image; the
// pushed look follows. FormValueChanged reports a new Value through
// OnChange.
//
// On the release that ends a left-button press the button opens a pop-up
// under its owner (at Offset from the button) with a value panel as wide as
// the owner, set to Min..Max and Value; a click or drag in it sets Value and
// calls FormValueChanged. Escape, a click outside or another window closes
// it.

#include <memory>

#include "framework/Controls.h"
#include "framework/Image.h"

class TDropDownPopup;

class TFormDropDown : public TCustomControl {
 public:
  explicit TFormDropDown(TComponent* AOwner);
  ~TFormDropDown() override;

  float Max() const { return FMax; }
  void SetMax(float max) { FMax = max; }
  float Min() const { return FMin; }
  void SetMin(float min) { FMin = min; }
  float Value() const { return FValue; }
  void SetValue(float value) { FValue = value; }
  TPoint Offset() const { return FOffset; }
  void SetOffset(TPoint offset) { FOffset = offset; }
  bool Pressed() const { return FPressed; }
  // Stores the pushed look; it shows at the next paint.
  void SetPressed(bool pressed) { FPressed = pressed; }
  // Handed over by the owner, not owned.
  TImage* Image() const { return FImage; }
  void SetImage(TImage* image) { FImage = image; }

  // OnChange with the button as Sender, whatever Sender is.
  void FormValueChanged(TObject* Sender);
  // The framework's enabling, then an immediate Paint.
  void SetEnabled(bool enabled) override;
  // Routes WM_ERASEBKGND to WMEraseBackground, the rest on.
  void Dispatch(TMessage& Message) override;

  // The pop-up, once it has been opened (null before).
  TDropDownPopup* Popup() const { return FPopup; }

  TNotifyEvent OnChange;
  TNotifyEvent OnDrop;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  // Answers 1: the button paints its whole area itself.
  void WMEraseBackground(TMessage& Message);

 private:
  void OpenPopup();

  float FMax = 0;
  float FMin = 0;
  float FValue = 0;
  TPoint FOffset{0, 0};
  bool FPressed = false;
  TImage* FImage = nullptr;
  TDropDownPopup* FPopup = nullptr;  // owned as a component
};
