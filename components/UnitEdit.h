#pragma once

// The unit edit family: composite edits for numbers. Each owns a text box
// where the user types, a units label, optional spin buttons, a drop-down
// button and a thin value strip under the text box, and lays them out left
// to right: text box, spin buttons, units label, drop-down button.
//
// The edit keeps a floating Value in internal units (metres when a unit
// conversion is in use), checked against Min..Max while RangeCheck is on.
// Every keystroke that leaves a number in the text box sets Value at once
// (clamped); text that is no number, or a number outside the range, stays
// on screen while the user types and is replaced by the value 1200 ms after
// the last keystroke. Values the program sets never raise OnChange; what
// the user changes (typing, spin buttons, strip, drop-down) does, when the
// value changed. A handler may destroy the edit.
//
// One unit conversion serves every edit of the process: three function
// slots, installed by the application, tell the display scale, the unit's
// abbreviation and whole-number display (FConversionFn), and may replace
// reading (FStringToFloatFn) and writing (FFloatToStrFn) of the text.
// Display value = Value x Scale. UpdateConversions tells every live edit
// that their results changed.
//
// TBaseUnitEdit holds all behaviour and is not on the palette; TUnitEdit,
// TFloatEdit and TIntegerEdit fix the flavour.

#include <functional>

#include "components/formDropDown.h"
#include "components/valuePanel.h"
#include "framework/Edit.h"
#include "framework/Image.h"
#include "framework/Label.h"
#include "framework/List.h"
#include "framework/Timer.h"
#include "framework/UpDown.h"

// Tells the display factor, the unit's abbreviation and whether the display
// unit is shown in whole numbers. Called with Scale 1, Abbr empty and
// IntegerMode false; it overwrites what it wants.
using fnUnitConversion = std::function<void(TObject* Sender, bool HeightEdit, double& Scale,
                                            String& Abbr, bool& IntegerMode)>;
// Reads display text into a display value; true on success.
using fnUnitStringToFloat = std::function<bool(TObject* Sender, String& Text, double& Value)>;
// Writes a display value as text.
using fnUnitFloatToString = std::function<void(TObject* Sender, double Value, String& Text)>;

class TBaseUnitEdit : public TCustomControl {
 public:
  // How long wrong text stays on screen after the last keystroke.
  static constexpr uint32_t kCorrectionDelay = 1200;

  explicit TBaseUnitEdit(TComponent* AOwner);
  ~TBaseUnitEdit() override;

  // The value, clamped, written into the text box (even when unchanged,
  // replacing what was half typed); never raises OnChange.
  void SetValue(double v);
  double GetValue() const { return FValue; }
  // Ignored when the new bound lies beyond the other one. A value outside
  // the new bounds moves inside them (raising OnChange); the strip's nominal
  // scale shrinks with them.
  void SetMinValue(double x);
  void SetMaxValue(double x);
  double GetMinValue() const { return FMin; }
  double GetMaxValue() const { return FMax; }
  // The nominal scale of the strip; the strip widens it to include Value
  // (PanelMin..PanelMax, which the drop-down shows too).
  void SetNominalMin(double x);
  void SetNominalMax(double x);
  double NominalMin() const { return FNominalMin; }
  double NominalMax() const { return FNominalMax; }
  double PanelMin() const { return FPanelMin; }
  double PanelMax() const { return FPanelMax; }
  // The spin step in display units, and in internal units.
  void SetIncrement(double x);
  double GetIncrement() const { return FIncrement; }
  double InternalIncrement() const { return FInternalIncrement; }
  // Writes the value as a whole number (truncated toward zero); switching
  // it on truncates the bounds. Value itself is not rounded.
  void SetIntegerMode(bool on);
  bool GetIntegerMode() const { return FIntegerMode; }

  void SetShowButtons(bool on);
  bool GetShowButtons() const { return FShowButtons; }
  void SetShowDropDown(bool on);
  bool ShowDropDown() const { return FShowDropDown; }
  void SetShowValuePanel(bool on);
  bool GetShowValuePanel() const;
  // The units label shows the conversion's abbreviation, when there is one.
  void SetShowUnits(bool on);
  bool ShowUnits() const { return FShowUnits; }
  void SetUseConversion(bool on);
  bool UseConversion() const { return FUseConversion; }
  // Read-only text on the button face; hides spin buttons, drop-down button
  // and strip, which stay hidden when it is switched off again.
  void SetDisplayOnly(bool on);
  bool DisplayOnly() const { return FDisplayOnly; }
  bool RangeCheck() const { return FRangeCheck; }
  void SetRangeCheck(bool on) { FRangeCheck = on; }
  // Enter raises OnChange (and goes no further) when a handler is bound.
  bool CallbackOnEnter() const { return FCallbackOnEnter; }
  void SetCallbackOnEnter(bool on) { FCallbackOnEnter = on; }
  // Passed to the conversion: the value is a height.
  bool HeightEdit() const { return FHeightEdit; }
  void SetHeightEdit(bool on) { FHeightEdit = on; }
  // Handed to the drop-down button at each drop; not owned.
  TImage* DropDownImage() const { return FDropDownImage; }
  void SetDropDownImage(TImage* image) { FDropDownImage = image; }

  // Value x Scale; truncated toward zero when the conversion shows whole
  // numbers.
  double GetDisplayValue();
  // The conversion's abbreviation; empty without a conversion.
  String GetDisplayAbbr();
  // Types an 8-bit character into the text box, as if pressed there (codes
  // above 127 are Latin-1), so that another control can forward keys.
  void ProcessKeyPress(char& Key);
  // The edit, then its text box.
  void SetFocus() override;
  // The edit, then text box, drop-down button, strip and units label.
  void SetEnabled(bool enabled) override;

  // Display value of Value, and internal value of a display value. With
  // the conversion installed and in use both follow its whole-number display
  // and abbreviation.
  double CurrentTextValue();
  double GetAdjustedTextValue(double d);
  // Reads the text box into a display value; never raises.
  bool EditGetValue(double& d);
  // Writes a display value into the text box, keeping the caret.
  void EditSetValue(double x);
  // False for texts that cannot start a number: "", "-", ".", ".-", and
  // anything not starting with '-', '.' or a digit.
  static bool ValidForStrToFloat(const String& s);
  // Starts or restarts, and cancels, the correction of the text.
  void BeginTimer();
  void EndTimer();

  // The conversion's results changed: rewrites text, step and units label.
  void ConversionChanged();

  static void SetConversionFunction(fnUnitConversion fn);
  static void SetStringToFloatFunction(fnUnitStringToFloat fn);
  static void SetFloatToStringFunction(fnUnitFloatToString fn);
  // The list of every live edit, in creation order; it exists while at
  // least one edit does (null otherwise).
  static void Initialise();
  static void DeInitialise();
  static const TList* EditList() { return FEditList; }
  // ConversionChanged on every edit of the list, in its order.
  static void UpdateConversions();

  // The parts, for the form that holds the edit.
  TEdit* TextBox() const { return FEdit; }
  TLabel* UnitsLabel() const { return FUnitsLabel; }
  TFormDropDown* DropDownButton() const { return FDropDown; }
  TValuePanel* ValueStrip() const { return FValuePanel; }
  TUpDown* SpinButtons() const { return FUpDown; }    // null while hidden
  TTimer* CorrectionTimer() const { return FTimer; }  // null while none runs

  // Raised with the edit as Sender.
  TNotifyEvent OnChange;

 protected:
  // Every change of Value: clamps (a clamped quiet change rewrites the
  // text), updates hint and strip scale, raises OnChange unless quiet, and
  // with updateText writes the text, strip and drop-down.
  void SetInternalValue(double v, bool updateText, bool quiet);
  void Resize() override;
  void Paint() override;

  // The children's handlers.
  void EditChange(TObject* Sender);
  void EditKeyPress(TObject* Sender, WideChar& Key);
  void ValuePanelChange(TObject* Sender);
  void DropDownDrop(TObject* Sender);
  void DropDownChange(TObject* Sender);
  void TimerCallback(TObject* Sender);
  void UpDownChangingEx(TObject* Sender, bool& AllowChange, short NewValue,
                        TUpDownDirection Direction);

 private:
  // Calls the conversion when it is installed and in use; false otherwise
  // (the outputs then stay 1, empty and false).
  bool Convert(double& scale, String& abbr, bool& integerMode);
  // Convert, then follow its whole-number display and abbreviation; false
  // when that destroyed the edit.
  bool ConvertAndFollow(double& scale);
  // Writes the text box without it reporting a change.
  void WriteText(const String& text);
  void ApplyPanelRange();

  double FMin = 0;
  double FMax = 100;
  double FValue = 0;
  bool FUseConversion = true;
  TEdit* FEdit;
  TLabel* FUnitsLabel;
  TFormDropDown* FDropDown;
  TValuePanel* FValuePanel;
  bool FRangeCheck = true;
  bool FCallbackOnEnter = false;
  double FNominalMax = 100;
  double FPanelMax = 100;
  double FNominalMin = 0;
  double FPanelMin = 0;
  bool FShowDropDown = true;
  TImage* FDropDownImage = nullptr;
  bool FIntegerMode = false;
  bool FHeightEdit = false;
  double FIncrement = 1.0;
  double FInternalIncrement = 1.0;
  bool FDisplayOnly = false;
  bool FShowUnits = true;
  TUpDown* FUpDown = nullptr;
  bool FShowButtons = false;
  TTimer* FTimer = nullptr;

  static fnUnitConversion FConversionFn;
  static fnUnitStringToFloat FStringToFloatFn;
  static fnUnitFloatToString FFloatToStrFn;
  static TList* FEditList;
};

// Real numbers with an optional unit conversion, units label, drop-down
// button and value strip (all shown from the start).
//
// Published, in the order a stored form applies them (so a stored Value is
// clamped against 0..100 before a stored Max arrives), with the default a
// stored form leaves out: Value (0), Min (0), Max (0), ShowSpinButtons
// (false), ShowDropDown (true), ShowValuePanel (false), NominalMax (0),
// NominalMin (0), IntegerMode (false), DropDownImage, Increment (0),
// OnChange, TabStop, TabOrder (-1), OnEnter, OnExit, HeightEdit (false),
// UseConversion (true), ShowUnits (true), DisplayOnly (false),
// CallbackOnEnter (false), RangeCheck (true). ShowSpinButtons is
// GetShowButtons / SetShowButtons.
class TUnitEdit : public TBaseUnitEdit {
 public:
  explicit TUnitEdit(TComponent* AOwner);
  ~TUnitEdit() override;
};

// Real numbers in plain text: no spin buttons, drop-down button, strip or
// conversion until switched on.
//
// Published, in stored order: Value (0), Min (0), Max (0), ShowButtons
// (false), ShowDropDown (true), ShowValuePanel (false), NominalMax (0),
// NominalMin (0), IntegerMode (false), DropDownImage, Increment (0),
// OnChange, TabStop, TabOrder (-1), OnEnter, OnExit, RangeCheck (true),
// HeightEdit (false), UseConversion (false), ShowUnits (true), DisplayOnly
// (false), CallbackOnEnter (false).
class TFloatEdit : public TBaseUnitEdit {
 public:
  explicit TFloatEdit(TComponent* AOwner);
  ~TFloatEdit() override;
};

// Whole numbers in plain text (always in integer mode), with integer
// accessors over the floating state; step 1. The server's port field is one.
//
// Published, in stored order: Value, Increment, Max, Min (int, default 0),
// ShowButtons (false), ShowDropDown (true), ShowValuePanel (false),
// NominalMax (0), NominalMin (0), DropDownImage, OnChange, TabStop,
// TabOrder (-1), OnEnter, OnExit, RangeCheck (true), HeightEdit (false),
// UseConversion (false), ShowUnits (true), DisplayOnly (false),
// CallbackOnEnter (false).
class TIntegerEdit : public TBaseUnitEdit {
 public:
  explicit TIntegerEdit(TComponent* AOwner);
  ~TIntegerEdit() override;

  // Truncated toward zero (held to the range of int).
  int GetIntValue() const;
  void SetIntValue(int n) { SetValue(n); }
  int GetIntIncrement() const;
  // 0 is ignored.
  void SetIntIncrement(int n);
  int GetIntMax() const;
  void SetIntMax(int n) { SetMaxValue(n); }
  int GetIntMin() const;
  void SetIntMin(int n) { SetMinValue(n); }
  int GetIntDisplayValue();
};

namespace UnitEdit {

// Puts TUnitEdit, TFloatEdit and TIntegerEdit on the palette page "Corvane".
void Register();

}  // namespace UnitEdit
