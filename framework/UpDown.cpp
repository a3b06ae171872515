#include "framework/UpDown.h"

#include <QStyle>
#include <QStyleOption>
#include <QWidget>
#include <algorithm>

#include "platform/gdi/Drawing.h"
#include "platform/user/VirtualKeys.h"
#include "platform/user/WidgetWindows.h"

namespace {

constexpr uintptr_t kRepeatTimer = 1;

}  // namespace

TUpDown::TUpDown(TComponent* owner) : TCustomControl(owner) {
  SetControlStyle(ControlStyle() - TControlStyle{csClickEvents, csDoubleClicks});
  SetBounds(0, 0, 17, 21);
}

TUpDown::~TUpDown() {
  Destroying();
  StopRepeat();
}

void TUpDown::SetMin(short value) {
  FMin = value;
  SetPosition(FPosition);
}

void TUpDown::SetMax(short value) {
  FMax = value;
  SetPosition(FPosition);
}

void TUpDown::SetPosition(short value) {
  const short low = std::min(FMin, FMax), high = std::max(FMin, FMax);
  FPosition = std::clamp(value, low, high);
}

void TUpDown::SetOrientation(TUDOrientation orientation) {
  FOrientation = orientation;
  Invalidate();
}

TRect TUpDown::ButtonRect(TUpDownDirection direction) const {
  if (FOrientation == udVertical) {
    const int middle = ClientHeight() / 2;
    return direction == updUp ? Rect(0, 0, ClientWidth(), middle)
                              : Rect(0, middle, ClientWidth(), ClientHeight());
  }
  const int middle = ClientWidth() / 2;
  return direction == updUp ? Rect(middle, 0, ClientWidth(), ClientHeight())
                            : Rect(0, 0, middle, ClientHeight());
}

TUpDownDirection TUpDown::ButtonAt(int x, int y) const {
  if (ButtonRect(updUp).Contains(TPoint{x, y})) return updUp;
  if (ButtonRect(updDown).Contains(TPoint{x, y})) return updDown;
  return updNone;
}

void TUpDown::Paint() {
  TDCPainter painter(Canvas()->Handle());
  if (!painter.Active()) return;
  QWidget* widget = Widget();
  QStyle* style = widget->style();
  for (TUpDownDirection direction : {updUp, updDown}) {
    const TRect r = ButtonRect(direction);
    const bool pushed = FPressed == direction && FPointerOnPressed;
    QStyleOptionButton face;
    face.initFrom(widget);
    face.rect = QRect(r.Left, r.Top, r.Width(), r.Height());
    face.state = (Enabled() ? QStyle::State_Enabled : QStyle::State_None) |
                 (pushed ? QStyle::State_Sunken : QStyle::State_Raised);
    style->drawPrimitive(QStyle::PE_PanelButtonCommand, &face, &*painter, widget);
    QStyleOption arrow = face;
    arrow.rect = face.rect.adjusted(2, 1, -2, -1).translated(pushed ? 1 : 0, pushed ? 1 : 0);
    const QStyle::PrimitiveElement element =
        FOrientation == udVertical
            ? (direction == updUp ? QStyle::PE_IndicatorArrowUp : QStyle::PE_IndicatorArrowDown)
            : (direction == updUp ? QStyle::PE_IndicatorArrowRight : QStyle::PE_IndicatorArrowLeft);
    style->drawPrimitive(element, &arrow, &*painter, widget);
  }
}

bool TUpDown::Step(TUpDownDirection direction) {
  const auto alive = Alive();
  int proposed = FPosition + (direction == updUp ? FIncrement : -FIncrement);
  const int low = std::min(FMin, FMax), high = std::max(FMin, FMax);
  if (proposed > high) proposed = FWrap ? low : high;
  if (proposed < low) proposed = FWrap ? high : low;
  bool allow = true;
  OnChanging(this, allow);
  if (alive.expired()) return false;
  if (allow) OnChangingEx(this, allow, static_cast<short>(proposed), direction);
  if (alive.expired()) return false;
  if (!allow) return true;
  FPosition = static_cast<short>(proposed);
  OnClick(this, direction == updUp ? btNext : btPrev);
  return !alive.expired();
}

void TUpDown::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  const auto alive = Alive();
  if (button == mbLeft && Enabled()) {
    FPressed = ButtonAt(x, y);
    FPointerOnPressed = FPressed != updNone;
    if (FPressed != updNone) {
      Repaint();
      if (!Step(FPressed)) return;
      if (Parent() != nullptr && SetTimer(Handle(), kRepeatTimer, kRepeatDelay) != 0) {
        FRepeating = true;
      }
    }
  }
  if (!alive.expired()) TCustomControl::MouseDown(button, shift, x, y);
}

void TUpDown::MouseMove(TShiftState shift, int x, int y) {
  if (FPressed != updNone) {
    const bool on = ButtonAt(x, y) == FPressed;
    if (on != FPointerOnPressed) {
      FPointerOnPressed = on;
      Repaint();
    }
  }
  TCustomControl::MouseMove(shift, x, y);
}

void TUpDown::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && FPressed != updNone) {
    StopRepeat();
    FPressed = updNone;
    FPointerOnPressed = false;
    Repaint();
  }
  TCustomControl::MouseUp(button, shift, x, y);
}

void TUpDown::StopRepeat() {
  if (!FRepeating) return;
  FRepeating = false;
  if (HandleAllocated()) KillTimer(Handle(), kRepeatTimer);
}

void TUpDown::Dispatch(TMessage& message) {
  if (message.Msg != WM_TIMER || message.WParam != kRepeatTimer) {
    TCustomControl::Dispatch(message);
    return;
  }
  // A handler's modal window may have taken the release: once the button is
  // up the press is over, wherever it was released.
  if ((GetKeyState(VK_LBUTTON) & 0x8000) == 0) {
    StopRepeat();
    if (FPressed != updNone) {
      FPressed = updNone;
      FPointerOnPressed = false;
      Repaint();
    }
    return;
  }
  // After the first delay the button repeats faster, while the pointer
  // stays on the button that was pressed.
  SetTimer(Handle(), kRepeatTimer, kRepeatInterval);
  if (FPressed != updNone && FPointerOnPressed) Step(FPressed);
}
