#include "framework/Controls.h"

#include <QWidget>
#include <algorithm>

#include "framework/Application.h"

TWinControl::TWinControl(TComponent* owner) : TComponent(owner) {
  Application->EnsureEventLoop();
  FWidget = std::make_unique<QWidget>();
  FWidget->hide();
}

TWinControl::~TWinControl() {
  Destroying();
  DestroyHandle();
  // In Qt's tree a widget deletes its child widgets; here every control owns
  // its own widget, so the tree is taken apart before any widget goes.
  while (!FControls.empty())
    FControls.back()->SetParent(nullptr);
  SetParent(nullptr);
}

void TWinControl::SetParent(TWinControl* parent) {
  if (parent == FParent) return;
  if (FParent != nullptr) {
    auto& siblings = FParent->FControls;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
  FParent = parent;
  if (parent != nullptr) parent->FControls.push_back(this);
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

void TWinControl::WndProc(TMessage& message) {
  Dispatch(message);
}

void TWinControl::DefaultHandler(TMessage& message) {
  message.Result = DefWindowProcA(FHandle, message.Msg, message.WParam, message.LParam);
}
