#pragma once

// The pop-up of the drop-down button: a value panel under the button's
// owner, showing the button's Min..Max and Value. Choosing a value in it
// sets the button's Value and calls its FormValueChanged. Owned by the
// button.

#include "components/valuePanel.h"
#include "framework/PopupWindow.h"

class TFormDropDown;

class TDropDownPopup : public TPopupWindow {
 public:
  // The panel's height, and the frame around it.
  static constexpr int kHeight = 20;
  static constexpr int kFrame = 1;

  // `button` owns the pop-up.
  explicit TDropDownPopup(TFormDropDown* button);

  // Shows the pop-up with the button's range and value, under the button's
  // owner: its panel at the button's bottom left corner moved by Offset, as
  // wide as the owner (or as the button reaches with Offset, without one),
  // in a one-pixel frame.
  void Open();
  TValuePanel* Panel() const { return FPanel; }

 private:
  void PanelChange(TObject* Sender);

  TFormDropDown* FButton;
  TValuePanel* FPanel;
};
