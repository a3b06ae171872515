#include "components/formDropDown.h"

#include "components/DropDownPopup.h"
#include "components/Themes.h"
#include "platform/gdi/ClassicDrawing.h"
#include "platform/user/VirtualKeys.h"
#include "platform/user/WidgetWindows.h"

namespace {

bool MouseButtonHeld(TMouseButton button) {
  const int key = button == mbRight ? VK_RBUTTON : button == mbMiddle ? VK_MBUTTON : VK_LBUTTON;
  return (GetKeyState(key) & 0x8000) != 0;
}

}  // namespace

TFormDropDown::TFormDropDown(TComponent* AOwner) : TCustomControl(AOwner) {
  SetBounds(Left(), Top(), 20, 20);
}

TFormDropDown::~TFormDropDown() = default;

void TFormDropDown::FormValueChanged(TObject*) {
  OnChange(this);
}

void TFormDropDown::SetEnabled(bool enabled) {
  TCustomControl::SetEnabled(enabled);
  Paint();
  // A disabled button's owner takes no value from it.
  if (!enabled && FPopup != nullptr) FPopup->ClosePopup();
}

void TFormDropDown::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_ERASEBKGND) {
    WMEraseBackground(Message);
  } else {
    TCustomControl::Dispatch(Message);
  }
}

void TFormDropDown::WMEraseBackground(TMessage& Message) {
  Message.Result = 1;
}

void TFormDropDown::Paint() {
  TCustomControl::Paint();
  if (!Visible()) return;
  RECT client = ClientRect().ToRECT();
  TThemeHelper* themes = ThemeHelper();
  if (ComponentState().Has(csDesigning) || !themes->ThemesActive()) {
    // The classic arrow has no disabled look.
    DrawFrameControl(Canvas()->Handle(), &client, DFC_SCROLL,
                     DFCS_SCROLLDOWN | (FPressed ? DFCS_PUSHED : 0));
    return;
  }
  // Without a parent there is no window yet; the theme needs none.
  HTHEME theme = themes->OpenThemeData(Parent() != nullptr ? Handle() : nullptr, u"SCROLLBAR");
  int state = ABS_DOWNNORMAL;
  if (FPressed) state = ABS_DOWNPRESSED;
  if (!Enabled()) state = ABS_DOWNDISABLED;  // disabled wins over pressed
  themes->DrawThemeBackground(theme, Canvas()->Handle(), SBP_ARROWBTN, state, &client, nullptr);
  themes->CloseThemeData(theme);
}

void TFormDropDown::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  const auto alive = Alive();
  const bool held = MouseButtonHeld(Button);  // not for a press sent by code
  OnDrop(this);
  if (alive.expired()) return;
  // A handler's modal window may have taken the release: then the press is
  // over and the arrow stays normal.
  if (!held || MouseButtonHeld(Button)) {
    FPressed = true;
    Refresh();
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TFormDropDown::MouseMove(TShiftState Shift, int X, int Y) {
  TCustomControl::MouseMove(Shift, X, Y);
}

void TFormDropDown::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  const auto alive = Alive();
  const bool endsPress = FPressed;
  TCustomControl::MouseUp(Button, Shift, X, Y);
  if (alive.expired()) return;
  FPressed = false;
  Paint();
  if (endsPress && Button == mbLeft) OpenPopup();
}

void TFormDropDown::OpenPopup() {
  if (FPopup == nullptr) FPopup = new TDropDownPopup(this);
  FPopup->Open();
}
