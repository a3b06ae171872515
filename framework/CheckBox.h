#pragma once

// Check boxes and radio buttons over Qt's. Clicking changes the state and
// raises OnClick; so does setting Checked (or State) from code, except while
// the control is loading. A check box with AllowGrayed steps unchecked,
// checked, grayed. Radio buttons are exclusive among the radio buttons of
// their parent; a click on a checked one changes nothing.

#include "framework/Controls.h"

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

class TButtonControl : public TWinControl {
 public:
  const String& Caption() const { return Text(); }
  void SetCaption(const String& caption) { SetText(caption); }
  virtual bool Checked() const = 0;
  virtual void SetChecked(bool checked) = 0;

 protected:
  TButtonControl(TComponent* owner, QWidget* widget);
  void TextChanged() override;
  // Qt changed the state (a click): take it over and raise OnClick.
  virtual void StateChangedByUser() = 0;
  friend class TButtonControlWidgetAccess;
};

class TCheckBox : public TButtonControl {
 public:
  explicit TCheckBox(TComponent* owner);

  bool Checked() const override { return FState == cbChecked; }
  void SetChecked(bool checked) override { SetState(checked ? cbChecked : cbUnchecked); }
  TCheckBoxState State() const { return FState; }
  void SetState(TCheckBoxState state);
  bool AllowGrayed() const { return FAllowGrayed; }
  void SetAllowGrayed(bool allow);

 protected:
  void StateChangedByUser() override;

 private:
  void ShowState();
  TCheckBoxState FState = cbUnchecked;
  bool FAllowGrayed = false;
};

class TRadioButton : public TButtonControl {
 public:
  explicit TRadioButton(TComponent* owner);

  bool Checked() const override { return FChecked; }
  void SetChecked(bool checked) override;

 protected:
  void StateChangedByUser() override;

 private:
  bool FChecked = false;
};
