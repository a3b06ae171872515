#include "framework/Timer.h"

#include "framework/Application.h"
#include "framework/Exceptions.h"

TTimer::TTimer(TComponent* owner)
    : TComponent(owner), FWindowHandle(AllocateHWnd([this](TMessage& m) { WndProc(m); })) {}

TTimer::~TTimer() {
  Destroying();
  FEnabled = false;
  KillTimer(FWindowHandle, 1);
  DeallocateHWnd(FWindowHandle);
}

void TTimer::SetInterval(uint32_t interval) {
  if (interval == FInterval) return;
  FInterval = interval;
  UpdateTimer();
}

void TTimer::SetEnabled(bool enabled) {
  if (enabled == FEnabled) return;
  FEnabled = enabled;
  UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent handler) {
  FOnTimer = std::move(handler);
  UpdateTimer();
}

void TTimer::Loaded() {
  TComponent::Loaded();
  UpdateTimer();
}

void TTimer::UpdateTimer() {
  KillTimer(FWindowHandle, 1);
  const TComponentState& state = ComponentState();
  if (state.Has(csDesigning) || state.Has(csLoading) || state.Has(csDestroying)) return;
  if (FInterval != 0 && FEnabled && FOnTimer.Assigned()) {
    if (SetTimer(FWindowHandle, 1, FInterval) == 0) {
      throw EOutOfResources("Not enough timers available");
    }
  }
}

void TTimer::WndProc(TMessage& message) {
  if (message.Msg != WM_TIMER) {
    message.Result = DefWindowProcA(FWindowHandle, message.Msg, message.WParam, message.LParam);
    return;
  }
  try {
    Timer();
  } catch (...) {
    Application->HandleException(this);
  }
}

void TTimer::Timer() {
  FOnTimer(this);
}
