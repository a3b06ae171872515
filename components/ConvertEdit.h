#pragma once

// TConvertEdit: a number edit that shows one value in either of two units,
// with two small toggle buttons to switch between them ("g" for grid units
// and "m" for metres unless renamed), a value strip under the text and a
// drop-down button at its right end.
//
// The value is always held in the first unit and kept inside Min..Max
// (values outside are clamped silently). The second unit is the first
// multiplied by a scale that the application tells through OnGetScale each
// time the edit needs it; without a handler (or with an answer that is zero
// or no finite number) the scale is 1 and both units show the same number.
// While the second unit is shown the text, the spin step (Increment) and the
// bounds of the text box are in that unit; integer mode applies to the first
// unit only, the second always shows decimals. Text with "." parses in every
// locale.
//
// Values set by the program never raise OnChange; typing, spin steps, the
// strip, the drop-down and bounds that move the value do. A handler may
// destroy the edit. The edit owns its parts.

#include "components/NumberEdit.h"
#include "components/formDropDown.h"
#include "components/themeControls.h"
#include "components/valuePanel.h"
#include "framework/Image.h"
#include "framework/Label.h"

// Asks for the number of second units per first unit: called with scale
// 1.0, the handler overwrites it.
using TScaleNotifyEvent = TEvent<TObject*, double&>;

// Published, in the order a stored form applies them (so a stored Value is
// clamped against 0..100 before a stored Max arrives), with the default a
// stored form leaves out: Value, Min, Max, FirstUnitName, FirstUnitAbbr,
// SecondUnitName, SecondUnitAbbr, ShowSpinButtons (false), ShowConvertButtons
// (true), ShowDropDown (true), ShowValuePanel (false, although the strip is
// shown after construction: a stored form that leaves it out keeps it),
// NominalMax, NominalMin, IntegerMode (false), DropDownImage, Increment,
// OnGetScale, OnChange, TabOrder (-1). ShowSpinButtons is GetShowButtons /
// SetShowButtons.
class TConvertEdit : public TCustomControl {
 public:
  explicit TConvertEdit(TComponent* AOwner);
  ~TConvertEdit() override;

  // The value in the first unit: clamped, and written into the text box in
  // the unit shown (even when unchanged, replacing what was half typed);
  // never raises OnChange. A NaN is no value and leaves it as it is.
  void SetValue(double v);
  double GetValue() const { return FValue; }
  // A bound is ignored unless it stays strictly on its side of the other
  // one. A value outside the new bounds moves onto them, raising OnChange.
  double Min() const { return FMin; }
  void SetMinValue(double x);
  double Max() const { return FMax; }
  void SetMaxValue(double x);
  // The names tell the buttons' hints; the abbreviations are their captions.
  const String& GetFirstUnitName() const { return FFirstUnitName; }
  void SetFirstUnitName(const String& name);
  const String& GetSecondUnitName() const { return FSecondUnitName; }
  void SetSecondUnitName(const String& name);
  const String& GetFirstUnitAbbr() const;
  void SetFirstUnitAbbr(const String& abbr);
  const String& GetSecondUnitAbbr() const;
  void SetSecondUnitAbbr(const String& abbr);
  // The text box's spin buttons.
  bool GetShowButtons() const;
  void SetShowButtons(bool on);
  bool ShowConvertButtons() const { return FShowConvertButtons; }
  void SetShowConvertButtons(bool on);
  bool ShowDropDown() const { return FShowDropDown; }
  void SetShowDropDown(bool on);
  bool GetShowValuePanel() const;
  void SetShowValuePanel(bool on);
  // The nominal scale of the strip, in the first unit; the text widens it
  // to include Value (PanelMin..PanelMax, which the drop-down shows too).
  float NominalMax() const { return FNominalMax; }
  void SetNominalMax(float x);
  float NominalMin() const { return FNominalMin; }
  void SetNominalMin(float x);
  float PanelMax() const { return FPanelMax; }
  float PanelMin() const { return FPanelMin; }
  // Whole numbers while the first unit is shown; switching it on raises
  // OnChange for a fractional value and truncates the bounds.
  bool GetIntegerMode() const { return FIntegerMode; }
  void SetIntegerMode(bool on);
  // Handed to the drop-down button at each drop; not owned.
  TImage* DropDownImage() const { return FDropDownImage; }
  void SetDropDownImage(TImage* image) { FDropDownImage = image; }
  // The spin step, in the unit shown.
  float GetIncrement() const;
  void SetIncrement(float x);
  TScaleNotifyEvent OnGetScale;
  // Raised with the edit as Sender.
  TNotifyEvent OnChange;
  // TabOrder: the framework's.

  // The value in the second unit: Value x scale, and Value = v / scale.
  void SetSecondUnitValue(double v);
  double GetSecondUnitValue();
  // Which unit the text shows; the unit buttons switch it, or these.
  bool ShowingFirstUnit() const;
  bool SecondUnitShown() const { return FSecondUnitShown; }
  void ShowFirstUnit();
  void ShowSecondUnit();

  // Value in the unit shown, and the first-unit value of a number shown.
  double CurrentTextValue();
  double GetAdjustedTextValue(double d);

  // Its own enabling, then the text box's, the drop-down button's, the
  // unit buttons' and the strip's.
  void SetEnabled(bool enabled) override;

  // The parts, for the form that holds the edit.
  TSimpleFloatEdit* ValueEdit() const { return FEdit; }
  TXPThemeSpeedButton* FirstUnitButton() const { return FFirstButton; }
  TXPThemeSpeedButton* SecondUnitButton() const { return FSecondButton; }
  // The button whose unit was last switched to; null until the first switch.
  TXPThemeSpeedButton* SelectedButton() const { return FSelectedButton; }
  TFormDropDown* DropDownButton() const { return FDropDown; }
  TValuePanel* ValueStrip() const { return FValuePanel; }

 protected:
  // Every change of Value: clamps into Min..Max, stores it unless equal,
  // raises OnChange unless quiet, and with updateText writes text and strip.
  void SetInternalValue(double v, bool updateText, bool quiet);
  // Empties the label and writes the unit buttons' hints.
  void SetLabel();
  void Resize() override;
  void Paint() override;

  // The parts' handlers.
  void EditChange(TObject* Sender);
  void ButtonClick(TObject* Sender);
  void ValuePanelChange(TObject* Sender);
  void DropDownChange(TObject* Sender);
  void DropDownDrop(TObject* Sender);

 private:
  // Asks OnGetScale; false when the handler destroyed the edit.
  bool GetScale(double& scale);
  // The scale of the unit shown: 1 for the first unit, else GetScale's.
  bool ShownScale(double& scale);
  // Gives the text box Min..Max in the unit shown (x scale), without it
  // reporting a change.
  void ApplyEditBounds(double scale);
  // Writes a number in the unit shown into the text box, even an unchanged one.
  void ShowInEdit(double shown);
  // Writes the text box in the unit shown and the strip; false when asking
  // for the scale destroyed the edit.
  bool ShowValue();

  double FMin = 0;
  double FMax = 100;
  double FValue = 0;
  String FFirstUnitName = u"grid units";
  String FSecondUnitName = u"metres";
  TSimpleFloatEdit* FEdit = nullptr;
  TXPThemeSpeedButton* FFirstButton = nullptr;
  TXPThemeSpeedButton* FSecondButton = nullptr;
  TXPThemeSpeedButton* FSelectedButton = nullptr;
  TLabel* FLabel = nullptr;  // never shown
  TFormDropDown* FDropDown = nullptr;
  TValuePanel* FValuePanel = nullptr;
  float FNominalMax = 100;
  float FPanelMax = 100;
  float FNominalMin = 0;
  float FPanelMin = 0;
  bool FShowConvertButtons = true;
  bool FShowDropDown = true;
  TImage* FDropDownImage = nullptr;
  bool FIntegerMode = false;
  bool FSecondUnitShown = false;
};

namespace ConvertEdit {
// Places TConvertEdit on the palette page "Corvane".
void Register();
}  // namespace ConvertEdit
