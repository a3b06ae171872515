#pragma once

#include <cstdint>

#include "framework/Component.h"
#include "framework/Events.h"
#include "framework/Messages.h"

// The framework's non-visual timer: raises OnTimer every Interval
// milliseconds while Enabled, and only while a handler is bound. It does not
// run in design mode; while loading it starts when Loaded runs.
class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* owner);
  ~TTimer() override;

  uint32_t Interval() const { return FInterval; }
  void SetInterval(uint32_t interval);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool enabled);
  const TNotifyEvent& OnTimer() const { return FOnTimer; }
  void SetOnTimer(TNotifyEvent handler);

  void Loaded() override;

 protected:
  virtual void Timer();

 private:
  void UpdateTimer();
  void WndProc(TMessage& message);

  HWND FWindowHandle;
  uint32_t FInterval = 1000;
  bool FEnabled = true;
  TNotifyEvent FOnTimer;
};
