#include <QWidget>
#include <algorithm>

#include "framework/ControlWidget.h"
#include "framework/Controls.h"
#include "platform/user/WidgetWindows.h"

TWinControl::TWinControl(TComponent* owner)
    : TWinControl(owner, NewControlWidget<QWidget>(TControlHost::Painting::Native)) {}

TWinControl::TWinControl(TComponent* owner, QWidget* widget) : TControl(owner, widget) {
  ApplyFocusPolicy();
}

TWinControl::~TWinControl() {
  Destroying();
  DestroyHandle();
  // Every control owns its own widget: the tree is taken apart before any
  // widget goes, so that Qt deletes no child widget with its parent.
  while (!FControls.empty())
    FControls.back()->SetParent(nullptr);
}

HWND TWinControl::Handle() {
  if (FHandle != nullptr) return FHandle;
  if (Parent() == nullptr && !IsTopLevel()) {
    throw EInvalidOperation("Control '" + Name() + "' has no parent window");
  }
  FHandle = AllocateHWnd([this](TMessage& message) { WndProc(message); });
  AttachWindowWidget(FHandle, Widget(), PaintsItself() ? &Host()->Pixels() : nullptr);
  return FHandle;
}

void TWinControl::DestroyHandle() {
  if (FHandle == nullptr) return;
  DetachWindowWidget(FHandle);
  DeallocateHWnd(FHandle);
  FHandle = nullptr;
}

void TWinControl::InsertControl(TControl* control) {
  FControls.push_back(control);
  if (auto* windowed = dynamic_cast<TWinControl*>(control)) {
    FTabList.push_back(windowed);
    UpdateTabChain();
  }
}

void TWinControl::RemoveControl(TControl* control) {
  FControls.erase(std::remove(FControls.begin(), FControls.end(), control), FControls.end());
  FTabList.erase(std::remove(FTabList.begin(), FTabList.end(), control), FTabList.end());
}

void TWinControl::UpdateTabChain() {
  for (size_t i = 1; i < FTabList.size(); ++i)
    QWidget::setTabOrder(FTabList[i - 1]->Widget(), FTabList[i]->Widget());
}

int TWinControl::TabOrder() const {
  if (Parent() == nullptr) return -1;
  const auto& list = Parent()->FTabList;
  const auto found = std::find(list.begin(), list.end(), this);
  return found == list.end() ? -1 : static_cast<int>(found - list.begin());
}

void TWinControl::SetTabOrder(int order) {
  if (Parent() == nullptr) return;
  auto& list = Parent()->FTabList;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  order = std::clamp(order, 0, static_cast<int>(list.size()));
  list.insert(list.begin() + order, this);
  Parent()->UpdateTabChain();
}

void TWinControl::SetTabStop(bool tabStop) {
  if (tabStop == FTabStop) return;
  FTabStop = tabStop;
  ApplyFocusPolicy();
}

void TWinControl::ApplyFocusPolicy() {
  if (FocusOnClick()) {
    Widget()->setFocusPolicy(FTabStop ? Qt::StrongFocus : Qt::ClickFocus);
  } else {
    Widget()->setFocusPolicy(FTabStop ? Qt::TabFocus : Qt::NoFocus);
  }
}

void TWinControl::SetFocus() {
  Widget()->setFocus(Qt::OtherFocusReason);
}

bool TWinControl::Focused() const {
  return Widget()->hasFocus();
}

bool TWinControl::CanFocus() const {
  for (const TControl* at = this; at != nullptr; at = at->Parent()) {
    if (!at->Visible() || !at->Enabled()) return false;
    if (at->Parent() == nullptr) return at->Showing();
  }
  return false;
}

void TWinControl::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      WMKeyDown(message);
      break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      WMKeyUp(message);
      break;
    case WM_CHAR:
      WMChar(message);
      break;
    case WM_SETFOCUS:
      WMSetFocus(message);
      break;
    case WM_KILLFOCUS:
      WMKillFocus(message);
      break;
    case CM_FONTCHANGED:
      TControl::Dispatch(message);
      for (TControl* child : FControls)
        child->Perform(CM_PARENTFONTCHANGED);
      break;
    default:
      TControl::Dispatch(message);
      break;
  }
}

void TWinControl::DefaultHandler(TMessage& message) {
  TControl::DefaultHandler(message);
}

void TWinControl::WMKeyDown(TMessage& message) {
  const auto alive = Alive();
  auto key = static_cast<WORD>(message.WParam);
  KeyDown(key, KeyboardShiftState());
  if (alive.expired() || key == 0) return;
  message.WParam = key;
  DefaultHandler(message);
}

void TWinControl::WMKeyUp(TMessage& message) {
  const auto alive = Alive();
  auto key = static_cast<WORD>(message.WParam);
  KeyUp(key, KeyboardShiftState());
  if (alive.expired() || key == 0) return;
  message.WParam = key;
  DefaultHandler(message);
}

void TWinControl::WMChar(TMessage& message) {
  const auto alive = Alive();
  auto key = static_cast<WideChar>(message.WParam);
  KeyPress(key);
  if (alive.expired() || key == 0) return;
  message.WParam = key;
  DefaultHandler(message);
}

void TWinControl::WMSetFocus(TMessage& message) {
  const auto alive = Alive();
  DefaultHandler(message);
  if (!alive.expired()) DoEnter();
}

void TWinControl::WMKillFocus(TMessage& message) {
  const auto alive = Alive();
  DefaultHandler(message);
  if (!alive.expired()) DoExit();
}

void TWinControl::KeyDown(WORD& key, TShiftState shift) {
  OnKeyDown(this, key, shift);
}

void TWinControl::KeyUp(WORD& key, TShiftState shift) {
  OnKeyUp(this, key, shift);
}

void TWinControl::KeyPress(WideChar& key) {
  OnKeyPress(this, key);
}

void TWinControl::DoEnter() {
  OnEnter(this);
}

void TWinControl::DoExit() {
  OnExit(this);
}

TCustomControl::TCustomControl(TComponent* owner)
    : TCustomControl(owner, NewControlWidget<QWidget>(TControlHost::Painting::Opaque)) {}

TCustomControl::TCustomControl(TComponent* owner, QWidget* widget) : TWinControl(owner, widget) {
  SetControlStyle(ControlStyle() + TControlStyle{csOpaque});
  ApplyFocusPolicy();
}
