#include "components/NumberEdit.h"

#include <QWidget>
#include <cmath>
#include <cstdint>
#include <limits>

#include "framework/Registration.h"
#include "framework/SysUtils.h"

namespace {

constexpr uint32_t kRewriteDelay = 1200;  // ms after the last change
constexpr int kSpinWidth = 12;

// Truncates toward zero into an int; beyond its range the nearest int, NaN 0.
int TruncToInt(float value) {
  if (std::isnan(value)) return 0;
  const double truncated = std::trunc(static_cast<double>(value));
  if (truncated <= std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  if (truncated >= std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  return static_cast<int>(truncated);
}

// Up to four decimals, without trailing zeros: 1.5 "1.5", 2 "2", 0.125 "0.125".
String FloatText(float value) {
  const double widened = value;
  const String full = Format("%.4f", widened);
  int zeros = 0;
  for (auto at = full.rbegin(); at != full.rend() && *at == u'0'; ++at)
    ++zeros;
  return Format("%.*f", 4 - zeros, widened);
}

// The whole-number text of the value truncated toward zero.
String IntegerText(float value) {
  const double truncated = std::trunc(static_cast<double>(value));
  // Within int64's range the exact decimal; beyond it (and for NaN and the
  // infinities) printf's, which is exact for every float as well.
  if (std::fabs(truncated) < 9.0e18) return IntToStr(static_cast<int64_t>(truncated));
  return Format("%.0f", truncated);
}

bool Contains(const String& text, WideChar c) {
  return text.find(c) != String::npos;
}

}  // namespace

TNumberEdit::TNumberEdit(TComponent* AOwner) : TCustomControl(AOwner), FEdit(new TEdit(this)) {
  SetBounds(Left(), Top(), 50, 21);
  FEdit->SetBounds(0, 0, 50, FEdit->Height());
  FEdit->SetText(u"0");
  FEdit->SetParent(this);
  FEdit->OnChange = TNotifyEvent::Bind(this, &TNumberEdit::EditOnChange);
  FEdit->OnKeyPress = TKeyPressEvent::Bind(this, &TNumberEdit::EditKeyPress);
  // The edit itself never holds the focus: its text box does. Focusing the
  // edit focuses the text box, and the text box's entering and leaving are
  // the edit's.
  Widget()->setFocusProxy(FEdit->Widget());
  FEdit->OnEnter = [this](TObject*) { DoEnter(); };
  FEdit->OnExit = [this](TObject*) { DoExit(); };
  Resize();
}

TNumberEdit::~TNumberEdit() {
  Destroying();
  EndTimer();
  // The text box outlives this part of the edit for a moment (it is taken
  // off its parent, which can move the focus): it must call nothing here.
  FEdit->OnChange = nullptr;
  FEdit->OnKeyPress = nullptr;
  FEdit->OnEnter = nullptr;
  FEdit->OnExit = nullptr;
  Widget()->setFocusProxy(nullptr);
}

void TNumberEdit::SetInternalValue(float value, bool refreshText, bool quiet) {
  if (value == FInternalValue) return;
  FInternalValue = value;
  if (refreshText) ValueToText();
  if (!quiet) OnChange(this);
}

void TNumberEdit::SetValue(float value) {
  SetInternalValue(value, true, true);
}

void TNumberEdit::SetMin(float value) {
  if (value == FMin || !(value <= FMax)) return;
  FMin = value;
  if (FRangeCheck && FInternalValue < FMin) SetInternalValue(FMin, true, false);
}

void TNumberEdit::SetMax(float value) {
  if (value == FMax || !(value >= FMin)) return;
  FMax = value;
  if (FRangeCheck && FInternalValue > FMax) SetInternalValue(FMax, true, false);
}

void TNumberEdit::SetShowButtons(bool show) {
  if (show == FShowButtons) return;
  FShowButtons = show;
  if (show) {
    if (FUpDown == nullptr) {
      FUpDown = new TUpDown(this);
      FUpDown->SetBounds(Width() - kSpinWidth, 0, kSpinWidth, FEdit->Height() - 1);
      FUpDown->SetParent(this);
      FUpDown->OnChangingEx = TUDChangingEventEx::Bind(this, &TNumberEdit::UpDownChangingEx);
      FUpDown->SetMin(-1);
      FUpDown->SetMax(1);
      FUpDown->SetPosition(0);
    }
    FUpDown->SetVisible(true);
    Resize();
  } else if (FUpDown != nullptr) {
    TUpDown* going = FUpDown;
    FUpDown = nullptr;
    delete going;
    Resize();
  }
}

void TNumberEdit::SetEnabled(bool enabled) {
  TCustomControl::SetEnabled(enabled);
  if (FUpDown != nullptr) FUpDown->SetEnabled(enabled);
  FEdit->SetEnabled(enabled);
}

void TNumberEdit::Resize() {
  if (FUpDown == nullptr) {
    FEdit->SetWidth(Width());
  } else {
    FEdit->SetWidth(Width() - FUpDown->Width());
    FUpDown->SetLeft(Width() - FUpDown->Width());
  }
  TCustomControl::Resize();
}

void TNumberEdit::DoExit() {
  const auto alive = Alive();
  TCustomControl::DoExit();
  if (alive.expired()) return;
  if (FTimer != nullptr) TimerCallback(this);
}

void TNumberEdit::ForceUpdate() {
  if (FTimer != nullptr) TimerCallback(this);
}

void TNumberEdit::BeginTimer() {
  if (FTimer == nullptr) {
    FTimer = new TTimer(this);
    FTimer->SetInterval(kRewriteDelay);
    FTimer->SetOnTimer(TNotifyEvent::Bind(this, &TNumberEdit::TimerCallback));
  } else {
    FTimer->SetEnabled(false);
    FTimer->SetEnabled(true);
  }
}

void TNumberEdit::EndTimer() {
  if (FTimer == nullptr) return;
  TTimer* going = FTimer;
  FTimer = nullptr;
  going->SetEnabled(false);
  // Safe from inside the timer's own tick: it touches nothing after its
  // handler returns.
  delete going;
}

void TNumberEdit::TextToValue(const String& text) {
  if (text.empty()) {
    BeginTimer();
    return;
  }
  double value = 0;
  if (!TryStrToFloat(text, value)) {
    BeginTimer();
    return;
  }
  const auto alive = Alive();
  if (FRangeCheck && value > FMax) {
    SetInternalValue(FMax, false, false);
    if (!alive.expired()) BeginTimer();
    return;
  }
  if (FRangeCheck && value < FMin) {
    SetInternalValue(FMin, false, false);
    if (!alive.expired()) BeginTimer();
    return;
  }
  SetInternalValue(static_cast<float>(value), false, false);
  if (alive.expired()) return;
  // ".5" is taken at once but reads "0.5" once the user pauses.
  if (text.front() == u'.') {
    BeginTimer();
  } else {
    EndTimer();
  }
}

void TNumberEdit::ValueToText() {
  const String old = FEdit->Text();
  const int caret = FEdit->SelStart();
  const String text = FIntegerMode == 1 ? IntegerText(FInternalValue) : FloatText(FInternalValue);
  const TNotifyEvent change = FEdit->OnChange;
  FEdit->OnChange = nullptr;
  FEdit->SetText(text);
  FEdit->OnChange = change;
  if (static_cast<int>(text.size()) < caret || old.empty()) {
    FEdit->SetSelStart(static_cast<int>(text.size()));
  } else {
    FEdit->SetSelStart(caret);
  }
}

void TNumberEdit::TimerCallback(TObject*) {
  EndTimer();
  double value = 0;
  if (TryStrToFloat(FEdit->Text(), value)) {
    const auto alive = Alive();
    if (FRangeCheck && value < FMin) {
      SetInternalValue(FMin, true, false);
    } else if (FRangeCheck && value > FMax) {
      SetInternalValue(FMax, true, false);
    } else {
      SetInternalValue(static_cast<float>(value), true, false);
    }
    if (alive.expired()) return;
  }
  ValueToText();
}

void TNumberEdit::EditOnChange(TObject*) {
  TextToValue(FEdit->Text());
}

void TNumberEdit::EditKeyPress(TObject* Sender, WideChar& Key) {
  if (Key <= 26) return;  // control characters and the Ctrl shortcuts
  auto* edit = dynamic_cast<TEdit*>(Sender);
  if (edit == nullptr) return;
  const bool integerMode = FIntegerMode == 1;
  if (Key == u'.' && (integerMode || Contains(edit->Text(), u'.'))) {
    // A second "." only replaces a selection that holds the first.
    if (integerMode || !Contains(edit->SelText(), u'.')) Key = 0;
    return;
  }
  const bool digit = Key >= u'0' && Key <= u'9';
  if (!digit && Key != u'.' && Key != u'-') {
    Key = 0;
    return;
  }
  if (Key == u'-' && FRangeCheck && FMin >= 0) Key = 0;
}

void TNumberEdit::UpDownChangingEx(TObject*, bool& AllowChange, short, TUpDownDirection Direction) {
  AllowChange = false;
  const auto alive = Alive();
  SteppingUp = false;
  SteppingDown = false;
  // The sum in extended precision, stored in single.
  const long double value = FInternalValue;
  if (Direction == updUp) {
    SteppingUp = true;
    const long double stepped = value + FIncrement;
    if (stepped <= FMax || !FRangeCheck) SetInternalValue(static_cast<float>(stepped), true, false);
  } else if (Direction == updDown) {
    SteppingDown = true;
    const long double stepped = value - FIncrement;
    if (stepped >= FMin || !FRangeCheck) SetInternalValue(static_cast<float>(stepped), true, false);
  }
  if (alive.expired()) return;
  if (FUpDown != nullptr) FUpDown->SetPosition(0);
  SteppingUp = false;
  SteppingDown = false;
}

TSimpleFloatEdit::TSimpleFloatEdit(TComponent* AOwner) : TNumberEdit(AOwner) {}

void TSimpleFloatEdit::SetIntegerMode(bool on) {
  if (!on) {
    FIntegerMode = 0;
    return;
  }
  // Rewritten first in float mode, so that "2." or "2.0" of a whole value
  // (which the truncation below leaves unchanged) still loses its point.
  if (Contains(Edit()->Text(), u'.')) ValueToText();
  FIntegerMode = 1;
  SetInternalValue(std::trunc(GetValue()), true, false);
}

TSimpleIntegerEdit::TSimpleIntegerEdit(TComponent* AOwner) : TNumberEdit(AOwner) {
  FIntegerMode = 1;
}

int TSimpleIntegerEdit::GetIntValue() const {
  return TruncToInt(GetValue());
}

void TSimpleIntegerEdit::SetIntValue(int value) {
  SetValue(static_cast<float>(value));
}

int TSimpleIntegerEdit::GetIntIncrement() const {
  return TruncToInt(Increment());
}

void TSimpleIntegerEdit::SetIntIncrement(int increment) {
  if (increment != 0) SetIncrement(static_cast<float>(increment));
}

int TSimpleIntegerEdit::GetIntMax() const {
  return TruncToInt(GetMax());
}

void TSimpleIntegerEdit::SetIntMax(int value) {
  SetMax(static_cast<float>(value));
}

int TSimpleIntegerEdit::GetIntMin() const {
  return TruncToInt(GetMin());
}

void TSimpleIntegerEdit::SetIntMin(int value) {
  SetMin(static_cast<float>(value));
}

namespace NumberEdit {

void Register() {
  RegisterComponent("Corvane", "TSimpleFloatEdit",
                    [](TComponent* owner) { return new TSimpleFloatEdit(owner); });
  RegisterComponent("Corvane", "TSimpleIntegerEdit",
                    [](TComponent* owner) { return new TSimpleIntegerEdit(owner); });
}

}  // namespace NumberEdit
