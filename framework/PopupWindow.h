#pragma once

// A borderless pop-up window holding controls, shown at a screen point over
// everything else. It closes itself when the user presses Escape, clicks
// outside it or switches to another window; OnClose tells its owner. A
// click outside that closes it goes nowhere else.

#include "framework/Controls.h"

class TPopupWindow : public TCustomControl {
 public:
  explicit TPopupWindow(TComponent* owner);

  // Shows the window with its top left corner at (x, y), screen coordinates.
  void Popup(int x, int y);
  // Hides the window, raising OnClose if it was shown.
  void ClosePopup();
  bool IsOpen() const { return Visible(); }

  void Dispatch(TMessage& message) override;

  TNotifyEvent OnClose;

 protected:
  bool IsTopLevel() const override { return true; }
  void UpdateWidgetVisibility() override;
};
