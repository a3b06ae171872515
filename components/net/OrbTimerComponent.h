#pragma once

#include "framework/Component.h"
#include "framework/List.h"
#include "framework/Messages.h"

// Base of the TCP components: a component with a hidden message window of
// its own (the target of its socket notifications) and at most one periodic
// timer on it (identifier 1), which runs only while monitoring is wanted.
// The base does nothing on a tick; the TCP client reconnects on it.
class TOrbTimerComponent : public TComponent {
 public:
  explicit TOrbTimerComponent(TComponent* AOwner);
  ~TOrbTimerComponent() override;

  void Loaded() override;

  virtual void WndProc(TMessage& Message);
  // Brings the window's timer in line with the component's state.
  virtual void UpdateTimer();
  virtual bool CanSetTimer();
  virtual void DoTimer();

  bool MonitorActive() const { return FMonitorActive; }
  int MonitorInterval() const { return FMonitorInterval; }
  void SetMonitorActive(bool Value);
  void SetMonitorInterval(int Value);
  HWND WindowHandle() const { return FWindowHandle; }

 protected:
  HWND FWindowHandle;
  bool FMonitorActive = false;
  int FMonitorInterval = 0;
  // The TCP server's connections; null for every other component.
  TList* FClientList = nullptr;
};
