#pragma once

// Two controls that draw with the system's visual style when it is there and
// fall back to the classic look when the theme helper opens no theme:
//
//   TXPCheckBox          a check box that paints itself: the box and its
//                        caption, unchecked, checked or grayed, each normal,
//                        hot (pointer over it), pressed or disabled. A click
//                        toggles checked and unchecked (a grayed box becomes
//                        checked) and then raises OnClick.
//   TXPThemeSpeedButton  the framework's speed button with a themed push-
//                        button face, glyph and caption; it lights up while
//                        the pointer is over it. In design mode, or without
//                        visual styles, it paints as the framework's button.
//
// Values set by the program repaint at once and raise nothing.

#include <string>

#include "framework/CheckBox.h"
#include "framework/Controls.h"
#include "framework/SpeedButton.h"
#include "platform/uxtheme/UxTheme.h"

class TXPCheckBox : public TCustomControl {
 public:
  // "XPCheckbox", unchecked, 100 x 18.
  explicit TXPCheckBox(TComponent* AOwner);

  bool Checked() const { return GetChecked(); }
  bool GetChecked() const { return FState == cbChecked; }
  // Nothing when it already is; else checked or unchecked (a grayed box
  // asked for unchecked stays grayed), repainted.
  void SetChecked(bool value);
  TCheckBoxState State() const { return FState; }
  void SetState(TCheckBoxState value);
  // Held as 8-bit text in the system code page.
  String Caption() const;
  void SetCaption(const String& value);
  // Stored only: a click never makes the box grayed.
  bool AllowGrayed() const { return FAllowGrayed; }
  void SetAllowGrayed(bool value) { FAllowGrayed = value; }

  bool MouseInside() const { return FMouseInside; }
  bool MouseHeld() const { return FMouseDown; }

  void Dispatch(TMessage& Message) override;

 protected:
  void Paint() override;
  void Click() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void CMMouseEnter(TMessage& Message);
  void CMMouseLeave(TMessage& Message);

 private:
  void PaintClassic();
  void PaintThemed(HTHEME theme);

  bool FMouseInside = false;
  bool FMouseDown = false;
  bool FAllowGrayed = false;
  TCheckBoxState FState = cbUnchecked;
  std::string FCaption = "XPCheckbox";
};

class TXPThemeSpeedButton : public TSpeedButton {
 public:
  explicit TXPThemeSpeedButton(TComponent* AOwner);

  // The pointer is over the button: it shows its hot face.
  bool Hot() const { return FHot; }

  void Dispatch(TMessage& Message) override;

 protected:
  void Paint() override;

 private:
  void PaintGlyph(HTHEME theme, int state, TButtonState glyphState, const TRect& glyphRect);

  bool FHot = false;
};

namespace themeControls {
// Places TXPCheckBox and TXPThemeSpeedButton on the palette page "Corvane".
void Register();
}  // namespace themeControls
