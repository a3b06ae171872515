#include "components/net/OrbTimerComponent.h"

#include "components/net/ComponentLifetime.h"
#include "framework/Application.h"
#include "framework/Exceptions.h"

namespace {
constexpr uintptr_t kTimerId = 1;
}

TOrbTimerComponent::TOrbTimerComponent(TComponent* AOwner)
    : TComponent(AOwner), FWindowHandle(AllocateHWnd([this](TMessage& m) { WndProc(m); })) {}

TOrbTimerComponent::~TOrbTimerComponent() {
  // csDestroying first, so that UpdateTimer only stops the timer.
  Destroying();
  UpdateTimer();
  DeallocateHWnd(FWindowHandle);
}

void TOrbTimerComponent::Loaded() {
  TComponent::Loaded();
  UpdateTimer();
}

void TOrbTimerComponent::WndProc(TMessage& Message) {
  if (Message.Msg == WM_TIMER && Message.WParam == kTimerId) {
    try {
      DoTimer();
    } catch (const TComponentGone&) {
      throw;  // a handler destroyed the component: nothing left to report to
    } catch (...) {
      Application->HandleException(this);
    }
  } else if (Message.Msg == WM_QUERYENDSESSION) {
    Message.Result = 1;  // never object to the session ending
  } else {
    Message.Result = DefWindowProcA(FWindowHandle, Message.Msg, Message.WParam, Message.LParam);
  }
}

void TOrbTimerComponent::UpdateTimer() {
  // In design mode the timer is neither started nor stopped; while loading,
  // Loaded calls again once loading is over.
  if (ComponentState().Has(csDesigning)) return;
  if (ComponentState().Has(csLoading)) return;
  KillTimer(FWindowHandle, kTimerId);
  if (ComponentState().Has(csDestroying)) return;
  if (!FMonitorActive) return;
  if (!CanSetTimer()) return;
  if (SetTimer(FWindowHandle, kTimerId, static_cast<UINT>(FMonitorInterval)) == 0) {
    throw EOutOfResources();
  }
}

bool TOrbTimerComponent::CanSetTimer() {
  return true;
}

void TOrbTimerComponent::DoTimer() {}

void TOrbTimerComponent::SetMonitorActive(bool Value) {
  if (Value == FMonitorActive) return;
  FMonitorActive = Value;
  UpdateTimer();
}

void TOrbTimerComponent::SetMonitorInterval(int Value) {
  if (Value == FMonitorInterval) return;
  FMonitorInterval = Value;
  UpdateTimer();
}
