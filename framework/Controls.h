#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/Component.h"
#include "framework/Exceptions.h"
#include "framework/Messages.h"

class QWidget;

// A control that has a window of its own, backed by a QWidget. Its window
// handle (a message window that dispatches to the control) is made on
// demand, and only once the control has a parent, or is a top-level window.
class TWinControl : public TComponent {
 public:
  explicit TWinControl(TComponent* owner);
  ~TWinControl() override;

  TWinControl* Parent() const { return FParent; }
  // The parent shows the control; it does not own it (its owner does).
  void SetParent(TWinControl* parent);

  // Creates the window handle if needed; throws EInvalidOperation when the
  // control has no parent window.
  HWND Handle();
  bool HandleAllocated() const { return FHandle != nullptr; }
  QWidget* Widget() const { return FWidget.get(); }

  // Every message to the window goes through here to Dispatch.
  virtual void WndProc(TMessage& message);
  void DefaultHandler(TMessage& message) override;

 protected:
  // Top-level windows (forms) have a window without a parent.
  virtual bool IsTopLevel() const { return false; }
  void DestroyHandle();

 private:
  TWinControl* FParent = nullptr;
  std::vector<TWinControl*> FControls;  // the controls this one is parent of
  HWND FHandle = nullptr;
  std::unique_ptr<QWidget> FWidget;
};

// A windowed control that paints itself; here only its base.
class TCustomControl : public TWinControl {
 public:
  using TWinControl::TWinControl;
};

class EInvalidOperation : public Exception {
 public:
  using Exception::Exception;
};
