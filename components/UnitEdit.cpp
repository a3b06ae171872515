#include "components/UnitEdit.h"

#include <cmath>
#include <vector>

#include "components/EditNumberText.h"
#include "components/Themes.h"
#include "framework/Registration.h"
#include "framework/SysUtils.h"

fnUnitConversion TBaseUnitEdit::FConversionFn;
fnUnitStringToFloat TBaseUnitEdit::FStringToFloatFn;
fnUnitFloatToString TBaseUnitEdit::FFloatToStrFn;
TList* TBaseUnitEdit::FEditList = nullptr;

namespace {

constexpr WideChar kEnter = 13;
constexpr int kSpinWidth = 12;

// Keeps a text box's OnChange detached while the edit writes the text
// itself, and attaches it again however the writing ends.
class TChangeDetached {
 public:
  explicit TChangeDetached(TEdit* edit)
      : FEdit(edit), FAlive(edit->Alive()), FSaved(edit->OnChange) {
    edit->OnChange = nullptr;
  }
  ~TChangeDetached() {
    if (!FAlive.expired()) FEdit->OnChange = FSaved;
  }
  TChangeDetached(const TChangeDetached&) = delete;
  TChangeDetached& operator=(const TChangeDetached&) = delete;

 private:
  TEdit* FEdit;
  std::weak_ptr<const void> FAlive;
  TNotifyEvent FSaved;
};

}  // namespace

// --- Construction ---------------------------------------------------------

TBaseUnitEdit::TBaseUnitEdit(TComponent* AOwner)
    : TCustomControl(AOwner),
      FEdit(nullptr),
      FUnitsLabel(nullptr),
      FDropDown(nullptr),
      FValuePanel(nullptr) {
  SetWidth(100);  // before the children: nothing to lay out yet

  FEdit = new TEdit(this);
  FEdit->SetParent(this);
  FEdit->SetBounds(1, 2, 50, FEdit->Height());
  FEdit->SetText(u"0");
  FEdit->OnChange = TNotifyEvent::Bind(this, &TBaseUnitEdit::EditChange);
  FEdit->OnKeyPress = TKeyPressEvent::Bind(this, &TBaseUnitEdit::EditKeyPress);

  FUnitsLabel = new TLabel(this);
  FUnitsLabel->SetParent(this);
  FUnitsLabel->SetTop(4);
  FUnitsLabel->SetAutoSize(true);
  FUnitsLabel->SetTransparent(true);
  FUnitsLabel->SetVisible(false);

  FDropDown = new TFormDropDown(this);
  FDropDown->SetParent(this);
  FDropDown->SetBounds(FEdit->Left() + FEdit->Width(), FEdit->Top(), FDropDown->Width(),
                       FEdit->Height());
  FDropDown->OnDrop = TNotifyEvent::Bind(this, &TBaseUnitEdit::DropDownDrop);
  FDropDown->OnChange = TNotifyEvent::Bind(this, &TBaseUnitEdit::DropDownChange);

  FValuePanel = new TValuePanel(this);
  FValuePanel->SetParent(this);
  FValuePanel->SetBounds(1, FEdit->Top() + FEdit->Height(), Width() - 1, 4);
  FValuePanel->SetColor(clWhite);
  FValuePanel->SetMin(static_cast<float>(FNominalMin));
  FValuePanel->SetMax(static_cast<float>(FNominalMax));
  FValuePanel->SetValue(static_cast<float>(FValue));
  FValuePanel->OnChange = TNotifyEvent::Bind(this, &TBaseUnitEdit::ValuePanelChange);

  SetShowUnits(true);
  Resize();
  Initialise();
  FEditList->Add(this);
  SetIncrement(FIncrement);
}

TBaseUnitEdit::~TBaseUnitEdit() {
  Destroying();
  // The children outlive this destructor a little (their owner's destructor
  // frees them): nothing of theirs may call back into this edit.
  FEdit->OnChange = nullptr;
  FEdit->OnKeyPress = nullptr;
  FDropDown->OnDrop = nullptr;
  FDropDown->OnChange = nullptr;
  FValuePanel->OnChange = nullptr;
  if (FUpDown != nullptr) FUpDown->OnChangingEx = nullptr;
  if (FTimer != nullptr) FTimer->SetOnTimer(nullptr);
  if (FEditList != nullptr) {
    FEditList->Remove(this);
    if (FEditList->Count() == 0) DeInitialise();
  }
}

// --- The class-wide conversion and the list of edits ----------------------

void TBaseUnitEdit::SetConversionFunction(fnUnitConversion fn) {
  FConversionFn = std::move(fn);
}

void TBaseUnitEdit::SetStringToFloatFunction(fnUnitStringToFloat fn) {
  FStringToFloatFn = std::move(fn);
}

void TBaseUnitEdit::SetFloatToStringFunction(fnUnitFloatToString fn) {
  FFloatToStrFn = std::move(fn);
}

void TBaseUnitEdit::Initialise() {
  if (FEditList == nullptr) FEditList = new TList;
}

void TBaseUnitEdit::DeInitialise() {
  delete FEditList;
  FEditList = nullptr;
}

void TBaseUnitEdit::UpdateConversions() {
  if (FEditList == nullptr) return;
  // A change handler may create or destroy edits meanwhile: go through the
  // edits there were, each only while it is still listed.
  std::vector<TBaseUnitEdit*> edits;
  for (int i = 0; i < FEditList->Count(); ++i)
    edits.push_back(static_cast<TBaseUnitEdit*>(FEditList->Get(i)));
  for (TBaseUnitEdit* edit : edits) {
    if (FEditList != nullptr && FEditList->IndexOf(edit) >= 0) edit->ConversionChanged();
  }
}

void TBaseUnitEdit::ConversionChanged() {
  const auto alive = Alive();
  const double shown = CurrentTextValue();
  if (alive.expired()) return;
  EditSetValue(shown);
  SetIncrement(FIncrement);
  SetShowUnits(FShowUnits);
  Resize();
}

bool TBaseUnitEdit::Convert(double& scale, String& abbr, bool& integerMode) {
  scale = 1.0;
  abbr.clear();
  integerMode = false;
  if (!FConversionFn || !FUseConversion) return false;
  const fnUnitConversion conversion = FConversionFn;  // it may replace the slot
  conversion(this, FHeightEdit, scale, abbr, integerMode);
  return true;
}

bool TBaseUnitEdit::ConvertAndFollow(double& scale) {
  String abbr;
  bool integerMode = false;
  if (!Convert(scale, abbr, integerMode)) return true;
  const auto alive = Alive();
  {
    TChangeDetached detached(FEdit);
    SetIntegerMode(integerMode);
    if (alive.expired()) return false;
  }
  FUnitsLabel->SetCaption(abbr);
  return true;
}

double TBaseUnitEdit::CurrentTextValue() {
  double scale = 1.0;
  ConvertAndFollow(scale);
  return FValue * scale;
}

double TBaseUnitEdit::GetAdjustedTextValue(double d) {
  double scale = 1.0;
  ConvertAndFollow(scale);
  return d / scale;
}

double TBaseUnitEdit::GetDisplayValue() {
  double scale = 1.0;
  String abbr;
  bool integerMode = false;
  Convert(scale, abbr, integerMode);
  const double shown = FValue * scale;
  return integerMode ? std::trunc(shown) : shown;
}

String TBaseUnitEdit::GetDisplayAbbr() {
  double scale = 1.0;
  String abbr;
  bool integerMode = false;
  Convert(scale, abbr, integerMode);
  return abbr;
}

// --- The value ------------------------------------------------------------

void TBaseUnitEdit::SetValue(double v) {
  SetInternalValue(v, true, true);
}

void TBaseUnitEdit::SetInternalValue(double v, bool updateText, bool quiet) {
  if (FRangeCheck && v < FMin) {
    v = FMin;
    if (quiet) updateText = true;
  }
  if (FRangeCheck && v > FMax) {
    v = FMax;
    if (quiet) updateText = true;
  }
  if (!(v == FValue)) {  // a NaN on either side counts as a change
    FValue = v;
    if (FUseConversion) {
      FEdit->SetHint(FloatToStr(FValue) + u"m");
      FEdit->SetShowHint(true);
    }
    FPanelMax = FValue > FNominalMax ? FValue : FNominalMax;
    FValuePanel->SetMax(static_cast<float>(FPanelMax));
    FDropDown->SetMax(static_cast<float>(FPanelMax));
    FPanelMin = FValue < FNominalMin ? FValue : FNominalMin;
    FValuePanel->SetMin(static_cast<float>(FPanelMin));
    FDropDown->SetMin(static_cast<float>(FPanelMin));
    if (OnChange && !quiet) {
      const auto alive = Alive();
      OnChange(this);
      if (alive.expired()) return;
    }
  }
  if (updateText) {
    const auto alive = Alive();
    const double shown = CurrentTextValue();
    if (alive.expired()) return;
    EditSetValue(shown);
    FValuePanel->SetValue(static_cast<float>(FValue));
    FDropDown->SetValue(static_cast<float>(FValue));
  }
}

void TBaseUnitEdit::SetMinValue(double x) {
  if (!(x <= FMax)) return;  // above Max, or no number
  FMin = x;
  if (FRangeCheck && FValue < FMin) {
    const auto alive = Alive();
    SetInternalValue(FMin, true, false);
    if (alive.expired()) return;
  }
  if (FNominalMin < FMin) FNominalMin = FMin;
  if (FPanelMin < FMin) FPanelMin = FNominalMin;
  FValuePanel->SetMin(static_cast<float>(FPanelMin));
  FDropDown->SetMin(static_cast<float>(FPanelMin));
}

void TBaseUnitEdit::SetMaxValue(double x) {
  if (!(x >= FMin)) return;  // below Min, or no number
  FMax = x;
  if (FRangeCheck && FValue > FMax) {
    const auto alive = Alive();
    SetInternalValue(FMax, true, false);
    if (alive.expired()) return;
  }
  if (FNominalMax > FMax) FNominalMax = FMax;
  if (FPanelMax > FMax) FPanelMax = FNominalMax;
  FValuePanel->SetMax(static_cast<float>(FPanelMax));
  FDropDown->SetMax(static_cast<float>(FPanelMax));
}

void TBaseUnitEdit::SetNominalMin(double x) {
  if (!(x == FNominalMin) && FNominalMin >= FMin) {
    FNominalMin = x;
    FPanelMin = x;
  }
  FValuePanel->SetMin(static_cast<float>(FNominalMin));
}

void TBaseUnitEdit::SetNominalMax(double x) {
  if (!(x == FNominalMax) && FNominalMax <= FMax) {
    FNominalMax = x;
    FPanelMax = x;
  }
  FValuePanel->SetMax(static_cast<float>(FNominalMax));
}

void TBaseUnitEdit::SetIncrement(double x) {
  FIncrement = x;
  double scale = 1.0;
  String abbr;
  bool integerMode = false;
  Convert(scale, abbr, integerMode);
  FInternalIncrement = x / scale;
}

void TBaseUnitEdit::SetIntegerMode(bool on) {
  if (on == FIntegerMode) return;
  FIntegerMode = on;
  if (!on) return;
  const auto alive = Alive();
  SetMaxValue(std::trunc(FMax));
  if (alive.expired()) return;
  SetMinValue(std::trunc(FMin));
}

// --- Text -----------------------------------------------------------------

void TBaseUnitEdit::EditChange(TObject*) {
  const auto alive = Alive();
  try {
    const String text = FEdit->Text();
    if (text.empty() || text == u".") {
      BeginTimer();
      return;
    }
    double d = 0;
    if (!EditGetValue(d)) {
      BeginTimer();
      return;
    }
    const double v = GetAdjustedTextValue(d);
    if (alive.expired()) return;
    SetInternalValue(v, false, false);
    if (alive.expired()) return;
    FValuePanel->SetValue(static_cast<float>(FValue));
    if (FRangeCheck) {
      if (v > FMax || v < FMin) {
        BeginTimer();
      } else {
        EndTimer();
      }
    }
  } catch (...) {
    // A failing conversion or change handler: show the value again, later
    // once more. Nothing leaves the keystroke.
    if (alive.expired()) return;
    try {
      const double shown = CurrentTextValue();
      if (alive.expired()) return;
      EditSetValue(shown);
    } catch (...) {
    }
    if (alive.expired()) return;
    FValuePanel->SetValue(static_cast<float>(FValue));
    BeginTimer();
  }
}

bool TBaseUnitEdit::ValidForStrToFloat(const String& s) {
  if (s.empty() || s == u"-" || s == u"." || s == u".-") return false;
  const WideChar first = s.front();
  return first == u'-' || first == u'.' || (first >= u'0' && first <= u'9');
}

bool TBaseUnitEdit::EditGetValue(double& d) {
  d = FValue;
  try {
    String text = FEdit->Text();
    if (FUseConversion && FStringToFloatFn) {
      const fnUnitStringToFloat read = FStringToFloatFn;
      double parsed = 0;
      if (!read(this, text, parsed)) return false;
      d = parsed;
      return true;
    }
    if (!ValidForStrToFloat(text)) return false;
    d = StrToFloat(text);
    return true;
  } catch (...) {
    return false;
  }
}

void TBaseUnitEdit::EditSetValue(double x) {
  const size_t oldLength = FEdit->Text().size();
  const int caret = Parent() != nullptr ? FEdit->SelStart() : 0;
  String text;
  if (FIntegerMode) {
    if (FFloatToStrFn) {
      const fnUnitFloatToString write = FFloatToStrFn;
      write(this, std::trunc(x), text);
    } else {
      text = WholeNumberText(x);
    }
  } else if (FFloatToStrFn && FUseConversion) {
    const fnUnitFloatToString write = FFloatToStrFn;
    write(this, x, text);
  } else {
    text = TrimmedDecimalText(x);
  }
  WriteText(text);
  if (Parent() == nullptr) return;
  const int length = static_cast<int>(text.size());
  FEdit->SetSelStart(length < caret || oldLength == 0 ? length : caret);
}

void TBaseUnitEdit::WriteText(const String& text) {
  TChangeDetached detached(FEdit);
  FEdit->SetText(text);
}

void TBaseUnitEdit::ProcessKeyPress(char& Key) {
  FEdit->Perform(WM_CHAR, static_cast<unsigned char>(Key), 0);
}

void TBaseUnitEdit::EditKeyPress(TObject*, WideChar& Key) {
  if (Key != kEnter || !FCallbackOnEnter || !OnChange) return;
  Key = 0;  // the text box never sees it
  OnChange(this);
}

// --- The correction timer -------------------------------------------------

void TBaseUnitEdit::BeginTimer() {
  if (FTimer == nullptr) {
    FTimer = new TTimer(this);
    FTimer->SetInterval(kCorrectionDelay);
    FTimer->SetOnTimer(TNotifyEvent::Bind(this, &TBaseUnitEdit::TimerCallback));
    FTimer->SetEnabled(true);
  } else {
    FTimer->SetEnabled(false);
    FTimer->SetEnabled(true);
  }
}

void TBaseUnitEdit::EndTimer() {
  if (FTimer == nullptr) return;
  TTimer* timer = FTimer;
  FTimer = nullptr;
  timer->SetEnabled(false);
  TComponent::Free(timer);
}

void TBaseUnitEdit::TimerCallback(TObject*) {
  const auto alive = Alive();
  EndTimer();  // fires once per start
  // Nothing leaves the timer: it is gone, and the user is not typing.
  try {
    double d = 0;
    if (EditGetValue(d)) {
      const double v = GetAdjustedTextValue(d);
      if (alive.expired()) return;
      SetInternalValue(v, true, false);
    }
  } catch (...) {
  }
  if (alive.expired()) return;
  try {
    const double shown = CurrentTextValue();
    if (!alive.expired()) EditSetValue(shown);
  } catch (...) {
  }
}

// --- Spin buttons, strip and drop-down ------------------------------------

void TBaseUnitEdit::SetShowButtons(bool on) {
  if (on == FShowButtons) return;
  FShowButtons = on;
  if (on) {
    if (FUpDown == nullptr) {
      FUpDown = new TUpDown(this);
      FUpDown->SetParent(this);
      FUpDown->SetBounds(Width() - kSpinWidth, 2, kSpinWidth, FEdit->Height() - 2);
      FUpDown->SetMin(-1);
      FUpDown->SetMax(1);
      FUpDown->SetPosition(0);
      FUpDown->OnChangingEx = TUDChangingEventEx::Bind(this, &TBaseUnitEdit::UpDownChangingEx);
    }
    FUpDown->Show();
  } else {
    TUpDown* spin = FUpDown;
    FUpDown = nullptr;
    TComponent::Free(spin);
  }
  Resize();
}

void TBaseUnitEdit::UpDownChangingEx(TObject*, bool& AllowChange, short,
                                     TUpDownDirection Direction) {
  AllowChange = false;  // the spin buttons only tell the direction
  const auto alive = Alive();
  if (Direction == updUp) {
    const double n = FValue + FInternalIncrement;
    SetInternalValue(n <= FMax || !FRangeCheck ? n : FMax, true, false);
  } else if (Direction == updDown) {
    const double n = FValue - FInternalIncrement;
    SetInternalValue(n >= FMin || !FRangeCheck ? n : FMin, true, false);
  }
  if (!alive.expired() && FUpDown != nullptr) FUpDown->SetPosition(0);
}

void TBaseUnitEdit::ValuePanelChange(TObject*) {
  SetInternalValue(FValuePanel->Value(), true, false);
}

void TBaseUnitEdit::DropDownChange(TObject*) {
  SetInternalValue(FDropDown->Value(), true, false);
}

void TBaseUnitEdit::DropDownDrop(TObject*) {
  FDropDown->SetMax(static_cast<float>(FPanelMax));
  FDropDown->SetMin(static_cast<float>(FPanelMin));
  FDropDown->SetValue(static_cast<float>(FValue));
  FDropDown->SetOffset(
      TPoint{FDropDown->Width() - Width(), FValuePanel->Visible() ? FValuePanel->Height() : 0});
  FDropDown->SetImage(FDropDownImage);
}

// --- Switches -------------------------------------------------------------

void TBaseUnitEdit::SetShowDropDown(bool on) {
  FShowDropDown = on;
  FDropDown->SetVisible(on);
  FDropDown->SetParent(on ? this : nullptr);
  Resize();
}

void TBaseUnitEdit::SetShowValuePanel(bool on) {
  if (on == FValuePanel->Visible()) return;
  FValuePanel->SetVisible(on);
  Resize();
}

bool TBaseUnitEdit::GetShowValuePanel() const {
  return FValuePanel->Visible();
}

void TBaseUnitEdit::SetShowUnits(bool on) {
  // A designer shows the internal unit.
  const bool designing = ComponentState().Has(csDesigning) && FUseConversion;
  const String abbr = designing ? String(u"m") : GetDisplayAbbr();
  if (abbr.empty()) {
    FUnitsLabel->SetVisible(false);
    FUnitsLabel->SetCaption(String());
  } else {
    FUnitsLabel->SetCaption(abbr);
    FUnitsLabel->SetVisible(on);
  }
  FShowUnits = on;
  Resize();
}

void TBaseUnitEdit::SetUseConversion(bool on) {
  FUseConversion = on;
  SetShowUnits(FShowUnits);
}

void TBaseUnitEdit::SetDisplayOnly(bool on) {
  if (on == FDisplayOnly) return;
  FDisplayOnly = on;
  if (on) {
    SetShowButtons(false);
    SetShowDropDown(false);
    SetShowValuePanel(false);
    FEdit->SetColor(clBtnFace);
  } else {
    FEdit->SetColor(clWindow);
  }
  FEdit->SetReadOnly(FDisplayOnly);
}

void TBaseUnitEdit::SetEnabled(bool enabled) {
  TCustomControl::SetEnabled(enabled);
  FEdit->SetEnabled(enabled);
  FDropDown->SetEnabled(enabled);
  FValuePanel->SetEnabled(enabled);
  FUnitsLabel->SetEnabled(enabled);
}

void TBaseUnitEdit::SetFocus() {
  TCustomControl::SetFocus();
  FEdit->SetFocus();
}

// --- Layout and painting --------------------------------------------------

void TBaseUnitEdit::Resize() {
  if (FEdit == nullptr) return;  // still being made
  // The height follows the text box (and the strip under it); changing it
  // lays everything out again.
  int height = FEdit->Top() + FEdit->Height() + 1;
  if (FValuePanel->Visible()) height += FValuePanel->Height();
  if (height != Height()) {
    SetHeight(height);
    return;
  }
  const int textLeft = 0;
  int textWidth = Width();
  if (FDropDown->Visible()) {
    textWidth -= FDropDown->Width();
    FDropDown->SetLeft(textLeft + textWidth);
    FDropDown->SetTop(FEdit->Top());
  }
  const bool designing = ComponentState().Has(csDesigning);
  if (FShowUnits && FUseConversion && (designing || FConversionFn)) {
    textWidth -= FUnitsLabel->Width() + 5;
    FUnitsLabel->SetLeft(textLeft + textWidth + 3);
    FUnitsLabel->SetTop((FEdit->Height() - FUnitsLabel->Height()) / 2 + 1);
  }
  if (FShowButtons && FUpDown != nullptr) {
    textWidth -= FUpDown->Width();
    FUpDown->SetLeft(textLeft + textWidth);
  }
  FEdit->SetBounds(textLeft, FEdit->Top(), textWidth, FEdit->Height());
  FValuePanel->SetLeft(0);
  FValuePanel->SetWidth(Width() - 1);
  TCustomControl::Resize();
}

void TBaseUnitEdit::Paint() {
  if (Parent() == nullptr || ComponentState().Has(csDesigning)) {
    TCustomControl::Paint();
    return;
  }
  const RECT client = ClientRect().ToRECT();
  ThemeHelper()->DrawThemeParentBackground(Handle(), Canvas()->Handle(), &client);
}

// --- The three flavours ---------------------------------------------------

TUnitEdit::TUnitEdit(TComponent* AOwner) : TBaseUnitEdit(AOwner) {}

TUnitEdit::~TUnitEdit() = default;

TFloatEdit::TFloatEdit(TComponent* AOwner) : TBaseUnitEdit(AOwner) {
  SetShowButtons(false);
  SetShowDropDown(false);
  SetShowValuePanel(false);
  SetUseConversion(false);
  SetIntegerMode(false);
}

TFloatEdit::~TFloatEdit() = default;

TIntegerEdit::TIntegerEdit(TComponent* AOwner) : TBaseUnitEdit(AOwner) {
  SetShowButtons(false);
  SetShowDropDown(false);
  SetShowValuePanel(false);
  SetUseConversion(false);
  SetIntegerMode(true);
  SetIntIncrement(1);
}

TIntegerEdit::~TIntegerEdit() = default;

int TIntegerEdit::GetIntValue() const {
  return TruncatedInt(GetValue());
}

int TIntegerEdit::GetIntIncrement() const {
  return TruncatedInt(GetIncrement());
}

void TIntegerEdit::SetIntIncrement(int n) {
  if (n != 0) SetIncrement(n);
}

int TIntegerEdit::GetIntMax() const {
  return TruncatedInt(GetMaxValue());
}

int TIntegerEdit::GetIntMin() const {
  return TruncatedInt(GetMinValue());
}

int TIntegerEdit::GetIntDisplayValue() {
  return TruncatedInt(GetDisplayValue());
}

namespace UnitEdit {

void Register() {
  RegisterComponent("Corvane", "TUnitEdit", [](TComponent* owner) { return new TUnitEdit(owner); });
  RegisterComponent("Corvane", "TFloatEdit",
                    [](TComponent* owner) { return new TFloatEdit(owner); });
  RegisterComponent("Corvane", "TIntegerEdit",
                    [](TComponent* owner) { return new TIntegerEdit(owner); });
}

}  // namespace UnitEdit
