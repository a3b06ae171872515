#pragma once

// The number edits: a text box with optional spin buttons that holds one
// single-precision value with a minimum, a maximum, a spin step and a range
// check.
//
// The user types freely. Every change of the text is parsed at once: a
// number inside the range becomes the value and the text is left as typed;
// a number outside it is clamped. Text that is empty, not a number, out of
// range or begins with "." is rewritten to the value's own text 1.2 seconds
// after the last change, or as soon as the focus leaves the edit. The key
// filter lets through only digits, one ".", and "-" where the range allows
// negatives; pasted text is not filtered and is parsed like typed text.
// Text with "." parses in every locale; the locale's own separator does too.
//
// Values set by the program never raise OnChange and are not range-checked;
// typing, spin steps, bounds that move the value and switching integer mode
// on do raise it. A handler may destroy the edit.
//
// TSimpleFloatEdit shows the value with up to four decimals,
// TSimpleIntegerEdit as a whole number. The edit owns its text box, its
// spin buttons and the timer of a pending rewrite.

#include "framework/Controls.h"
#include "framework/Edit.h"
#include "framework/Timer.h"
#include "framework/UpDown.h"

class TNumberEdit : public TCustomControl {
 public:
  explicit TNumberEdit(TComponent* AOwner);
  ~TNumberEdit() override;

  // True only while a spin step up (or down) is being applied, that is
  // during the OnChange it raises, so that a handler can tell a step and its
  // direction from typing.
  bool SteppingUp = false;
  bool SteppingDown = false;

  // Published, in the order a stored form applies them.
  bool RangeCheck() const { return FRangeCheck; }
  void SetRangeCheck(bool rangeCheck) { FRangeCheck = rangeCheck; }
  bool ShowButtons() const { return FShowButtons; }
  void SetShowButtons(bool show);
  // Stored only: the number edits draw no drop-down button.
  bool ShowDropDown() const { return FShowDropDown; }
  void SetDropDown(bool show) { FShowDropDown = show; }
  // Raised with the edit as Sender when the value changes, except by SetValue.
  TNotifyEvent OnChange;
  // TabOrder: the framework's.

  float GetInternalValue() const { return FInternalValue; }
  float GetValue() const { return FInternalValue; }
  // Shows the value as it is: no range check, no OnChange.
  void SetValue(float value);
  float GetMin() const { return FMin; }
  float GetMax() const { return FMax; }
  // A bound equal to the present one, one that would cross the other bound,
  // or NaN is ignored. With RangeCheck a value outside the new range is
  // moved onto it, with OnChange.
  void SetMin(float value);
  void SetMax(float value);

  // Its own enabling, then the spin buttons' and the text box's.
  void SetEnabled(bool enabled) override;
  // Applies a pending rewrite of the text now.
  void ForceUpdate();

 protected:
  TEdit* Edit() const { return FEdit; }
  float Increment() const { return FIncrement; }
  void SetIncrement(float increment) { FIncrement = increment; }

  // The one place where the value changes: stores it unless it is equal
  // (a NaN never is), rewrites the text when asked, and raises OnChange
  // unless quiet.
  void SetInternalValue(float value, bool refreshText, bool quiet);

  void Resize() override;
  void DoExit() override;

  // Starts (or restarts) and cancels the pending rewrite.
  void BeginTimer();
  void EndTimer();
  // Takes typed text as the value, clamped with RangeCheck, and schedules a
  // rewrite for text that is not a finished number inside the range.
  void TextToValue(const String& text);
  // Writes the value's own text without parsing it again; the caret stays.
  void ValueToText();
  // The pending rewrite.
  void TimerCallback(TObject* Sender);

  void EditOnChange(TObject* Sender);
  // The key filter; a refused key becomes character 0.
  void EditKeyPress(TObject* Sender, WideChar& Key);
  // The spin buttons never move: they report a direction, and the edit
  // steps its value by Increment unless that would leave the range.
  void UpDownChangingEx(TObject* Sender, bool& AllowChange, short NewValue,
                        TUpDownDirection Direction);

  // 0: float mode, 1: integer mode.
  int FIntegerMode = 0;

 private:
  TEdit* FEdit;  // owned as a component
  float FInternalValue = 0;
  bool FShowButtons = false;
  TUpDown* FUpDown = nullptr;  // owned as a component, while shown
  float FIncrement = 1.0f;
  float FMin = 0.0f;
  float FMax = 100.0f;
  TTimer* FTimer = nullptr;  // owned as a component, while a rewrite is pending
  bool FRangeCheck = true;
  bool FShowDropDown = false;
};

class TSimpleFloatEdit : public TNumberEdit {
 public:
  explicit TSimpleFloatEdit(TComponent* AOwner);

  // Published after the base's: Value, Increment, Max, Min, IntegerMode.
  using TNumberEdit::Increment;
  using TNumberEdit::SetIncrement;
  bool GetIntegerMode() const { return FIntegerMode == 1; }
  // On: a fractional value is cut toward zero, its text rewritten and
  // OnChange raised. Off: the text stays as it is.
  void SetIntegerMode(bool on);
};

class TSimpleIntegerEdit : public TNumberEdit {
 public:
  explicit TSimpleIntegerEdit(TComponent* AOwner);

  // Published after the base's: Value, Increment, Max, Min, as whole numbers
  // (truncated toward zero; beyond int's range, the nearest int).
  int GetIntValue() const;
  void SetIntValue(int value);
  int GetIntIncrement() const;
  // 0 is ignored.
  void SetIntIncrement(int increment);
  int GetIntMax() const;
  void SetIntMax(int value);
  int GetIntMin() const;
  void SetIntMin(int value);
};

namespace NumberEdit {
// Places TSimpleFloatEdit and TSimpleIntegerEdit on the palette page "Corvane".
void Register();
}  // namespace NumberEdit
