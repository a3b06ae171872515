#include "components/ConvertEdit.h"

#include <cmath>
#include <utility>

#include "components/Themes.h"
#include "framework/Registration.h"

namespace {

constexpr int kUnitButtonWidth = 16;
constexpr int kUnitGroup = 1;
constexpr char16_t kHintPrefix[] = u"Shows value in ";

// The number edit as the convert edit drives it: it can write its value's
// text even when the value is unchanged, as after a switch of unit or of
// integer mode, where the old text would otherwise stay.
class TShownNumberEdit : public TSimpleFloatEdit {
 public:
  using TSimpleFloatEdit::TSimpleFloatEdit;

  void ShowValue(float value) {
    const bool unchanged = GetValue() == value;
    SetValue(value);
    if (unchanged) ValueToText();
  }
};

// Keeps a number edit's OnChange detached while the convert edit writes it,
// and attaches it again however the writing ends.
class TEditChangeDetached {
 public:
  explicit TEditChangeDetached(TNumberEdit* edit)
      : FEdit(edit), FAlive(edit->Alive()), FSaved(std::move(edit->OnChange)) {
    edit->OnChange = nullptr;
  }
  ~TEditChangeDetached() {
    if (!FAlive.expired()) FEdit->OnChange = std::move(FSaved);
  }
  TEditChangeDetached(const TEditChangeDetached&) = delete;
  TEditChangeDetached& operator=(const TEditChangeDetached&) = delete;

 private:
  TNumberEdit* FEdit;
  std::weak_ptr<const void> FAlive;
  TNotifyEvent FSaved;
};

// A scale the edit can divide by.
bool UsableScale(double scale) {
  return std::isfinite(scale) && scale != 0;
}

}  // namespace

// --- Construction ---------------------------------------------------------

TConvertEdit::TConvertEdit(TComponent* AOwner) : TCustomControl(AOwner) {
  SetWidth(100);  // before the parts: nothing to lay out yet

  FEdit = new TShownNumberEdit(this);
  const int editHeight = FEdit->Height();

  FFirstButton = new TXPThemeSpeedButton(this);
  FFirstButton->SetParent(this);
  FFirstButton->SetBounds(0, 2, kUnitButtonWidth, editHeight);
  FFirstButton->SetGroupIndex(kUnitGroup);
  FFirstButton->SetDown(true);
  FFirstButton->SetFlat(true);
  FFirstButton->SetCaption(u"g");
  FFirstButton->SetShowHint(true);
  FFirstButton->OnClick = TNotifyEvent::Bind(this, &TConvertEdit::ButtonClick);

  FSecondButton = new TXPThemeSpeedButton(this);
  FSecondButton->SetParent(this);
  FSecondButton->SetBounds(kUnitButtonWidth + 1, 2, kUnitButtonWidth, editHeight);
  FSecondButton->SetGroupIndex(kUnitGroup);
  FSecondButton->SetFlat(true);
  FSecondButton->SetCaption(u"m");
  FSecondButton->SetShowHint(true);
  FSecondButton->OnClick = TNotifyEvent::Bind(this, &TConvertEdit::ButtonClick);

  FEdit->SetParent(this);
  FEdit->SetBounds(34, 2, 50, editHeight);
  FEdit->SetMin(0);
  FEdit->SetMax(100);
  FEdit->SetValue(0);
  FEdit->SetRangeCheck(true);
  FEdit->OnChange = TNotifyEvent::Bind(this, &TConvertEdit::EditChange);
  const int editRight = FEdit->Left() + FEdit->Width();

  FLabel = new TLabel(this);
  FLabel->SetParent(this);
  FLabel->SetTop(4);
  FLabel->SetLeft(editRight + 2);
  FLabel->SetAutoSize(true);
  FLabel->SetVisible(false);

  FValuePanel = new TValuePanel(this);
  FValuePanel->SetParent(this);
  FValuePanel->SetBounds(1, FEdit->Top() + editHeight, FValuePanel->Width(), 4);
  FValuePanel->SetColor(clWhite);
  FValuePanel->SetMin(FNominalMin);
  FValuePanel->SetMax(FNominalMax);
  FValuePanel->SetValue(static_cast<float>(FValue));
  FValuePanel->OnChange = TNotifyEvent::Bind(this, &TConvertEdit::ValuePanelChange);

  FDropDown = new TFormDropDown(this);
  FDropDown->SetParent(this);
  FDropDown->SetBounds(editRight, FEdit->Top(), FDropDown->Width(), editHeight);
  FDropDown->OnDrop = TNotifyEvent::Bind(this, &TConvertEdit::DropDownDrop);
  FDropDown->OnChange = TNotifyEvent::Bind(this, &TConvertEdit::DropDownChange);

  FValuePanel->SetWidth(Width() - 1);
  SetLabel();
  Resize();
}

TConvertEdit::~TConvertEdit() {
  Destroying();
  // The parts outlive this destructor a little (their owner's destructor
  // frees them): nothing of theirs may call back into this edit.
  FEdit->OnChange = nullptr;
  FFirstButton->OnClick = nullptr;
  FSecondButton->OnClick = nullptr;
  FValuePanel->OnChange = nullptr;
  FDropDown->OnDrop = nullptr;
  FDropDown->OnChange = nullptr;
}

// --- Scale and units ------------------------------------------------------

bool TConvertEdit::GetScale(double& scale) {
  const auto alive = Alive();
  double asked = 1.0;
  OnGetScale(this, asked);
  if (alive.expired()) return false;
  // A scale of zero (or no number at all) would turn every typed number
  // into a bound or a NaN: the units are taken as equal instead.
  scale = UsableScale(asked) ? asked : 1.0;
  return true;
}

bool TConvertEdit::ShownScale(double& scale) {
  scale = 1.0;
  return !FSecondUnitShown || GetScale(scale);
}

// The value is read first: the scale's handler may destroy the edit.
double TConvertEdit::CurrentTextValue() {
  const double value = FValue;
  double scale = 1.0;
  ShownScale(scale);
  return value * scale;
}

double TConvertEdit::GetAdjustedTextValue(double d) {
  double scale = 1.0;
  ShownScale(scale);
  return d / scale;
}

void TConvertEdit::SetSecondUnitValue(double v) {
  double scale = 1.0;
  if (GetScale(scale)) SetValue(v / scale);
}

double TConvertEdit::GetSecondUnitValue() {
  const double value = FValue;
  double scale = 1.0;
  GetScale(scale);
  return value * scale;
}

bool TConvertEdit::ShowingFirstUnit() const {
  return FFirstButton->Down();
}

void TConvertEdit::ShowFirstUnit() {
  FFirstButton->SetDown(true);
  ButtonClick(FFirstButton);
}

void TConvertEdit::ShowSecondUnit() {
  FSecondButton->SetDown(true);
  ButtonClick(FSecondButton);
}

void TConvertEdit::ButtonClick(TObject* Sender) {
  if (Sender == FSelectedButton) return;
  const auto alive = Alive();
  FEdit->ForceUpdate();  // a half-typed text is taken in the unit it was typed in
  if (alive.expired()) return;
  double scale = 1.0;
  if (FFirstButton->Down()) {
    FSelectedButton = FFirstButton;
    FSecondUnitShown = false;
    // Asked although the first unit needs no scale: the application learns
    // of the switch.
    if (!GetScale(scale)) return;
    scale = 1.0;
    TEditChangeDetached detached(FEdit);
    ApplyEditBounds(scale);
    if (FIntegerMode) FEdit->SetIntegerMode(true);
  } else {
    FSelectedButton = FSecondButton;
    FSecondUnitShown = true;
    if (!GetScale(scale)) return;
    TEditChangeDetached detached(FEdit);
    ApplyEditBounds(scale);
    // The second unit always shows decimals.
    if (FIntegerMode) FEdit->SetIntegerMode(false);
  }
  ShowInEdit(FValue * scale);
  Resize();
}

void TConvertEdit::ApplyEditBounds(double scale) {
  double low = FMin * scale;
  double high = FMax * scale;
  if (low > high) std::swap(low, high);  // a negative scale
  TEditChangeDetached detached(FEdit);
  // The edit refuses a bound that would cross the other one: move first the
  // bound that makes room.
  if (static_cast<float>(low) > FEdit->GetMax()) {
    FEdit->SetMax(static_cast<float>(high));
    FEdit->SetMin(static_cast<float>(low));
  } else {
    FEdit->SetMin(static_cast<float>(low));
    FEdit->SetMax(static_cast<float>(high));
  }
}

void TConvertEdit::SetLabel() {
  FLabel->SetCaption(String());
  FFirstButton->SetHint(String(kHintPrefix) + FFirstUnitName);
  FSecondButton->SetHint(String(kHintPrefix) + FSecondUnitName);
  Resize();
}

void TConvertEdit::SetFirstUnitName(const String& name) {
  FFirstUnitName = name;
  SetLabel();
  Resize();
}

void TConvertEdit::SetSecondUnitName(const String& name) {
  FSecondUnitName = name;
  SetLabel();
  Resize();
}

const String& TConvertEdit::GetFirstUnitAbbr() const {
  return FFirstButton->Caption();
}

void TConvertEdit::SetFirstUnitAbbr(const String& abbr) {
  FFirstButton->SetCaption(abbr);
}

const String& TConvertEdit::GetSecondUnitAbbr() const {
  return FSecondButton->Caption();
}

void TConvertEdit::SetSecondUnitAbbr(const String& abbr) {
  FSecondButton->SetCaption(abbr);
}

// --- The value ------------------------------------------------------------

void TConvertEdit::ShowInEdit(double shown) {
  static_cast<TShownNumberEdit*>(FEdit)->ShowValue(static_cast<float>(shown));
}

bool TConvertEdit::ShowValue() {
  const auto alive = Alive();
  const double shown = CurrentTextValue();
  if (alive.expired()) return false;
  ShowInEdit(shown);
  FValuePanel->SetValue(static_cast<float>(FValue));
  return true;
}

void TConvertEdit::SetValue(double v) {
  const auto alive = Alive();
  SetInternalValue(v, false, true);
  if (alive.expired()) return;
  ShowValue();  // also when unchanged
}

void TConvertEdit::SetInternalValue(double v, bool updateText, bool quiet) {
  if (std::isnan(v)) return;
  const auto alive = Alive();
  if (v < FMin || v > FMax) {
    v = v < FMin ? FMin : FMax;
    // The text box shows the bound in the unit shown, as it shows any value.
    double scale = 1.0;
    if (!ShownScale(scale)) return;
    FEdit->SetValue(static_cast<float>(v * scale));
  }
  if (v == FValue) return;
  FValue = v;
  if (!quiet && OnChange) {
    OnChange(this);
    if (alive.expired()) return;
  }
  if (updateText) ShowValue();
}

void TConvertEdit::EditChange(TObject*) {
  const auto alive = Alive();
  try {
    const double v = GetAdjustedTextValue(FEdit->GetValue());
    if (alive.expired()) return;
    SetInternalValue(v, false, false);
    if (alive.expired()) return;
    FValuePanel->SetValue(static_cast<float>(FValue));
  } catch (...) {
    // A failing scale or change handler: the text shows the value again.
    // Nothing leaves the keystroke.
    if (alive.expired()) return;
    try {
      if (!ShowValue()) return;
    } catch (...) {
      if (alive.expired()) return;
      FValuePanel->SetValue(static_cast<float>(FValue));
    }
  }
  if (alive.expired()) return;

  // The strip's scale follows the value: spin steps widen it beyond the
  // nominal scale; a drop or a drag in progress keeps it still.
  const float value = static_cast<float>(FValue);
  if (FEdit->SteppingUp && FValue > FPanelMax) {
    FPanelMax = value;
    FPanelMin = FNominalMin;
  } else if (FEdit->SteppingDown && FValue < FPanelMin) {
    FPanelMin = value;
    FPanelMax = FNominalMax;
  } else if (FDropDown->Pressed() || FValuePanel->Dragging()) {
    return;
  } else {
    FPanelMax = FValue > FNominalMax ? value : FNominalMax;
    FPanelMin = FValue < FNominalMin ? value : FNominalMin;
  }
  FValuePanel->SetMax(FPanelMax);
  FValuePanel->SetMin(FPanelMin);
}

// --- Bounds and the strip's scale -----------------------------------------

void TConvertEdit::SetMinValue(double x) {
  if (!(x < FMax)) return;  // at or above Max, or no number
  FMin = x;
  const auto alive = Alive();
  double scale = 1.0;
  if (!ShownScale(scale)) return;
  ApplyEditBounds(scale);
  FValuePanel->SetMin(static_cast<float>(x));
  if (FValue < FMin) {
    SetInternalValue(FMin, true, false);
    if (alive.expired()) return;
  }
  if (FNominalMin < FMin) FNominalMin = static_cast<float>(FMin);
  if (FPanelMin < FMin) FPanelMin = FNominalMin;
}

void TConvertEdit::SetMaxValue(double x) {
  if (!(x > FMin)) return;  // at or below Min, or no number
  FMax = x;
  const auto alive = Alive();
  double scale = 1.0;
  if (!ShownScale(scale)) return;
  ApplyEditBounds(scale);
  FValuePanel->SetMax(static_cast<float>(x));
  if (FValue > FMax) {
    SetInternalValue(FMax, true, false);
    if (alive.expired()) return;
  }
  if (FNominalMax > FMax) FNominalMax = static_cast<float>(FMax);
  if (FPanelMax > FMax) FPanelMax = FNominalMax;
}

void TConvertEdit::SetNominalMax(float x) {
  if (std::isnan(x)) return;
  if (x != FNominalMax && FNominalMax <= FMax) {
    FNominalMax = x;
    FPanelMax = x;
  }
  FValuePanel->SetMax(FNominalMax);
}

void TConvertEdit::SetNominalMin(float x) {
  if (std::isnan(x)) return;
  if (x != FNominalMin && FNominalMin >= FMin) {
    FNominalMin = x;
    FPanelMin = x;
  }
  FValuePanel->SetMin(FNominalMin);
}

void TConvertEdit::SetIntegerMode(bool on) {
  if (on == FIntegerMode) return;
  FIntegerMode = on;
  const auto alive = Alive();
  // The second unit always shows decimals: the text box takes the mode when
  // the first unit is shown again.
  if (!FSecondUnitShown) {
    FEdit->SetIntegerMode(on);
    if (alive.expired()) return;
  }
  if (!on) return;
  SetMaxValue(std::trunc(FMax));
  if (alive.expired()) return;
  SetMinValue(std::trunc(FMin));
}

float TConvertEdit::GetIncrement() const {
  return FEdit->Increment();
}

void TConvertEdit::SetIncrement(float x) {
  FEdit->SetIncrement(x);
}

// --- Strip and drop-down --------------------------------------------------

void TConvertEdit::ValuePanelChange(TObject*) {
  SetInternalValue(FValuePanel->Value(), true, false);
}

void TConvertEdit::DropDownChange(TObject*) {
  SetInternalValue(FDropDown->Value(), true, false);
}

void TConvertEdit::DropDownDrop(TObject*) {
  FDropDown->SetMax(FPanelMax);
  FDropDown->SetMin(FPanelMin);
  FDropDown->SetValue(static_cast<float>(FValue));
  FDropDown->SetOffset(
      TPoint{FDropDown->Width() - Width(), FValuePanel->Visible() ? FValuePanel->Height() : 0});
  FDropDown->SetImage(FDropDownImage);
}

// --- Switches -------------------------------------------------------------

bool TConvertEdit::GetShowButtons() const {
  return FEdit->ShowButtons();
}

void TConvertEdit::SetShowButtons(bool on) {
  FEdit->SetShowButtons(on);
  Resize();
}

void TConvertEdit::SetShowConvertButtons(bool on) {
  if (on == FShowConvertButtons) return;
  FShowConvertButtons = on;
  FFirstButton->SetVisible(on);
  FSecondButton->SetVisible(on);
  Resize();
}

void TConvertEdit::SetShowDropDown(bool on) {
  FShowDropDown = on;
  FDropDown->SetVisible(on);
  FDropDown->SetParent(on ? this : nullptr);
  Resize();
}

bool TConvertEdit::GetShowValuePanel() const {
  return FValuePanel->Visible();
}

void TConvertEdit::SetShowValuePanel(bool on) {
  if (on == FValuePanel->Visible()) return;
  FValuePanel->SetVisible(on);
  Resize();
}

void TConvertEdit::SetEnabled(bool enabled) {
  TCustomControl::SetEnabled(enabled);
  FEdit->SetEnabled(enabled);
  FDropDown->SetEnabled(enabled);
  FFirstButton->SetEnabled(enabled);
  FSecondButton->SetEnabled(enabled);
  FValuePanel->SetEnabled(enabled);
}

// --- Layout and painting --------------------------------------------------

void TConvertEdit::Resize() {
  if (FDropDown == nullptr) return;  // still being made
  // The height follows the text box (and the strip under it); changing it
  // lays everything out again.
  int height = FEdit->Top() + FEdit->Height() + 1;
  if (FValuePanel->Visible()) height += FValuePanel->Height();
  if (height != Height()) {
    SetHeight(height);
    return;
  }
  int editLeft = 0;
  if (FShowConvertButtons) editLeft = FSecondButton->Left() + FSecondButton->Width() + 1;
  int editWidth = Width() - editLeft;
  if (FDropDown->Visible()) {
    editWidth -= FDropDown->Width();
    FDropDown->SetLeft(editLeft + editWidth);
    FDropDown->SetTop(FEdit->Top());
  }
  FEdit->SetBounds(editLeft, FEdit->Top(), editWidth, FEdit->Height());
  FValuePanel->SetLeft(0);
  FValuePanel->SetWidth(Width() - 1);
  TCustomControl::Resize();
}

void TConvertEdit::Paint() {
  if (Parent() == nullptr || ComponentState().Has(csDesigning)) {
    TCustomControl::Paint();
    return;
  }
  const RECT client = ClientRect().ToRECT();
  ThemeHelper()->DrawThemeParentBackground(Handle(), Canvas()->Handle(), &client);
}

namespace ConvertEdit {

void Register() {
  RegisterComponent("Corvane", "TConvertEdit",
                    [](TComponent* owner) { return new TConvertEdit(owner); });
}

}  // namespace ConvertEdit
