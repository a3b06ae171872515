#include "framework/Form.h"

#include <QApplication>
#include <QWidget>
#include <algorithm>

#include "framework/Application.h"
#include "framework/ControlWidget.h"
#include "framework/QtBridge.h"
#include "framework/Screen.h"

TForm::TForm(TComponent* owner)
    : TWinControl(owner, NewControlWidget<QWidget>(TControlHost::Painting::Opaque)) {
  SetControlStyle(ControlStyle() + TControlStyle{csOpaque});
  Widget()->setWindowFlag(Qt::Window, true);
  SetVisible(false);
  ApplyWindowFlags();
  SetBounds(0, 0, 320, 240);
  Screen->FForms.push_back(this);
}

TForm::~TForm() {
  Destroying();
  auto& forms = Screen->FForms;
  forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
  Application->FormDestroyed(this);
}

void TForm::AfterConstruction() {
  if (FCreated) return;
  FCreated = true;
  OnCreate(this);
}

void TForm::BeforeDestruction() {
  if (FDestroyed) return;
  FDestroyed = true;
  OnDestroy(this);
}

int TForm::FrameWidth() const {
  return std::max(0, Widget()->frameGeometry().width() - Widget()->width());
}

int TForm::FrameHeight() const {
  return std::max(0, Widget()->frameGeometry().height() - Widget()->height());
}

int TForm::ClientWidth() const {
  return std::max(0, Width() - FrameWidth());
}

int TForm::ClientHeight() const {
  return std::max(0, Height() - FrameHeight());
}

bool TForm::Sizeable() const {
  return FBorderStyle == bsSizeable || FBorderStyle == bsSizeToolWin || FBorderStyle == bsNone;
}

void TForm::ApplyGeometry() {
  QWidget* widget = Widget();
  widget->move(Left(), Top());
  const int width = ClientWidth(), height = ClientHeight();
  if (Sizeable()) {
    widget->setMinimumSize(0, 0);
    widget->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    widget->resize(width, height);
  } else {
    widget->setFixedSize(width, height);
  }
}

void TForm::WidgetResized(int width, int height) {
  TWinControl::WidgetResized(width + FrameWidth(), height + FrameHeight());
}

void TForm::WidgetMoved(int, int) {
  // The frame's position, its thickness known by now. A window manager frames
  // a window after it appears, around a client area that keeps its size:
  // when the frame's thickness changes, so does the outer size.
  const QRect frame = Widget()->frameGeometry();
  if (FrameWidth() != FKnownFrameWidth || FrameHeight() != FKnownFrameHeight) {
    FKnownFrameWidth = FrameWidth();
    FKnownFrameHeight = FrameHeight();
    TWinControl::WidgetResized(frame.width(), frame.height());
  }
  TWinControl::WidgetMoved(frame.left(), frame.top());
}

void TForm::UpdateWidgetVisibility() {
  Widget()->setVisible(Visible());
}

void TForm::ApplyWindowFlags() {
  Qt::WindowFlags flags = FBorderStyle == bsToolWindow || FBorderStyle == bsSizeToolWin ? Qt::Tool
                          : FBorderStyle == bsDialog                                    ? Qt::Dialog
                                                     : Qt::Window;
  if (FBorderStyle == bsNone) {
    flags |= Qt::FramelessWindowHint;
  } else {
    flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (FBorderIcons.Contains(biSystemMenu))
      flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (FBorderStyle == bsSingle || FBorderStyle == bsSizeable) {
      if (FBorderIcons.Contains(biMinimize)) flags |= Qt::WindowMinimizeButtonHint;
      if (FBorderIcons.Contains(biMaximize)) flags |= Qt::WindowMaximizeButtonHint;
    }
    if (FBorderStyle == bsDialog && FBorderIcons.Contains(biHelp)) {
      flags |= Qt::WindowContextHelpButtonHint;
    }
  }
  QWidget* widget = Widget();
  const bool visible = widget->isVisible();
  widget->setWindowFlags(flags);
  ApplyGeometry();
  if (visible) widget->show();
}

void TForm::SetBorderStyle(TFormBorderStyle style) {
  if (style == FBorderStyle) return;
  FBorderStyle = style;
  ApplyWindowFlags();
}

void TForm::SetBorderIcons(TBorderIcons icons) {
  if (icons == FBorderIcons) return;
  FBorderIcons = icons;
  ApplyWindowFlags();
}

TWindowState TForm::WindowState() const {
  if (!Widget()->isVisible()) return FWindowState;
  const Qt::WindowStates state = Widget()->windowState();
  if ((state & Qt::WindowMinimized) != 0) return wsMinimized;
  if ((state & Qt::WindowMaximized) != 0) return wsMaximized;
  return wsNormal;
}

void TForm::SetWindowState(TWindowState state) {
  FWindowState = state;
  if (!Widget()->isVisible()) return;
  Widget()->setWindowState(state == wsMinimized   ? Qt::WindowMinimized
                           : state == wsMaximized ? Qt::WindowMaximized
                                                  : Qt::WindowNoState);
}

void TForm::TextChanged() {
  Widget()->setWindowTitle(QtString(Text()));
}

void TForm::PlaceOnFirstShow() {
  if (FShownOnce) return;
  FShownOnce = true;
  TRect area{0, 0, Screen->Width(), Screen->Height()};
  switch (FPosition) {
    case poScreenCenter:
      break;
    case poDesktopCenter:
      area = Screen->DesktopRect();
      break;
    case poMainFormCenter:
    case poOwnerFormCenter: {
      TForm* around =
          FPosition == poMainFormCenter ? Application->MainForm() : dynamic_cast<TForm*>(Owner());
      if (around == nullptr || around == this) break;
      area = around->BoundsRect();
      break;
    }
    default:
      return;
  }
  // Halving is integer division; a form larger than the area starts at its edge.
  const int left = Width() < area.Width() ? area.Left + (area.Width() - Width()) / 2 : area.Left;
  const int top = Height() < area.Height() ? area.Top + (area.Height() - Height()) / 2 : area.Top;
  SetBounds(left, top, Width(), Height());
}

void TForm::SetVisible(bool visible) {
  if (visible == Visible()) return;
  const auto alive = Alive();
  if (visible) {
    PlaceOnFirstShow();
    DoShow();
    if (alive.expired()) return;
    TWinControl::SetVisible(true);
    // While the window appears, Qt may report a position from before it
    // knew the frame: take the settled one.
    const QRect frame = Widget()->frameGeometry();
    TWinControl::WidgetMoved(frame.left(), frame.top());
    if (FWindowState != wsNormal) SetWindowState(FWindowState);
  } else {
    if (Widget()->isVisible()) FWindowState = WindowState();
    TWinControl::SetVisible(false);
    DoHide();
  }
}

void TForm::DoShow() {
  OnShow(this);
}

void TForm::DoHide() {
  OnHide(this);
}

bool TForm::CloseQuery() {
  bool canClose = true;
  OnCloseQuery(this, canClose);
  return canClose;
}

void TForm::DoClose(TCloseAction& action) {
  OnClose(this, action);
}

void TForm::Close() {
  if (FModal) {
    FModalResult = mrCancel;
    return;
  }
  const auto alive = Alive();
  if (!CloseQuery() || alive.expired()) return;
  TCloseAction action = caHide;
  DoClose(action);
  if (alive.expired() || action == caNone) return;
  if (Application->MainForm() == this) {
    Application->Terminate();
  } else if (action == caHide) {
    Hide();
  } else if (action == caMinimize) {
    SetWindowState(wsMinimized);
  } else {
    Release();
  }
}

TModalResult TForm::ShowModal() {
  if (Visible() || FModal) throw EInvalidOperation("Cannot make a visible window modal");
  const auto alive = Alive();
  FModal = true;
  FModalResult = mrNone;
  Widget()->setWindowModality(Qt::ApplicationModal);
  Show();
  while (!alive.expired()) {
    Application->HandleMessage();
    if (alive.expired()) break;
    if (Application->Terminated()) FModalResult = mrCancel;
    if (FModalResult == mrNone) continue;
    // A result closes the form, unless CloseQuery or OnClose keep it.
    TCloseAction action = caNone;
    if (CloseQuery() && !alive.expired()) {
      action = caHide;
      DoClose(action);
    }
    if (alive.expired()) break;
    if (action == caNone && !Application->Terminated()) {
      FModalResult = mrNone;
      continue;
    }
    if (action == caFree) Release();
    break;
  }
  if (alive.expired()) return mrCancel;
  FModal = false;
  Hide();
  Widget()->setWindowModality(Qt::NonModal);
  return FModalResult;
}

void TForm::Release() {
  if (FReleasing) return;
  FReleasing = true;
  PostMessage(Handle(), CM_RELEASE, 0, 0);
}

void TForm::BringToFront() {
  Widget()->raise();
  Widget()->activateWindow();
}

bool TForm::Active() const {
  return Widget()->isActiveWindow();
}

TWinControl* TForm::ActiveControl() const {
  QWidget* focus = Widget()->focusWidget();
  for (QWidget* at = focus; at != nullptr && at != Widget(); at = at->parentWidget()) {
    if (auto* control = dynamic_cast<TWinControl*>(ControlOfWidget(at))) return control;
  }
  return nullptr;
}

void TForm::SetActiveControl(TWinControl* control) {
  if (control != nullptr) control->SetFocus();
}

void TForm::Paint() {
  OnPaint(this);
}

void TForm::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case WM_CLOSE:
      Close();
      break;
    case WM_ACTIVATE:
      if (message.WParam != 0) {
        OnActivate(this);
      } else {
        OnDeactivate(this);
      }
      break;
    case CM_RELEASE:
      Free(this);
      break;
    default:
      TWinControl::Dispatch(message);
      break;
  }
}

TForm* GetParentForm(TControl* control) {
  while (control != nullptr && control->Parent() != nullptr)
    control = control->Parent();
  return dynamic_cast<TForm*>(control);
}
