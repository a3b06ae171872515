#include "framework/Controls.h"

#include <QWidget>

#include "framework/Application.h"

TWinControl::TWinControl(TComponent* owner) : TComponent(owner) {
  Application->EnsureEventLoop();
  FWidget = std::make_unique<QWidget>();
  FWidget->hide();
}

TWinControl::~TWinControl() {
  Destroying();
  DestroyHandle();
  // A parent's widget owns its children's widgets in Qt's tree; we own ours,
  // so take it out of the tree before it goes.
  if (FWidget) FWidget->setParent(nullptr);
}

void TWinControl::SetParent(TWinControl* parent) {
  if (parent == FParent) return;
  FParent = parent;
  FWidget->setParent(parent != nullptr ? parent->Widget() : nullptr);
}

HWND TWinControl::Handle() {
  if (FHandle != nullptr) return FHandle;
  if (FParent == nullptr && !IsTopLevel()) {
    throw EInvalidOperation("Control '" + Name() + "' has no parent window");
  }
  FHandle = AllocateHWnd([this](TMessage& message) { WndProc(message); });
  return FHandle;
}

void TWinControl::DestroyHandle() {
  if (FHandle == nullptr) return;
  DeallocateHWnd(FHandle);
  FHandle = nullptr;
}

void TWinControl::WndProc(TMessage& message) { Dispatch(message); }

void TWinControl::DefaultHandler(TMessage& message) {
  message.Result = DefWindowProcA(FHandle, message.Msg, message.WParam, message.LParam);
}
