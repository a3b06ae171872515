#include "framework/PopupWindow.h"

#include <QWidget>

#include "framework/ControlWidget.h"
#include "platform/user/VirtualKeys.h"

TPopupWindow::TPopupWindow(TComponent* owner)
    : TCustomControl(owner, NewControlWidget<QWidget>(TControlHost::Painting::Opaque)) {
  QWidget* widget = Widget();
  widget->setWindowFlags(Qt::Popup | Qt::FramelessWindowHint);
  // The click that closes the pop-up is not handed on to what lies below.
  widget->setAttribute(Qt::WA_NoMouseReplay, true);
  SetColor(clWindow);
  SetVisible(false);
}

void TPopupWindow::UpdateWidgetVisibility() {
  Widget()->setVisible(Visible());
}

void TPopupWindow::Popup(int x, int y) {
  SetBounds(x, y, Width(), Height());
  SetVisible(true);
  Widget()->raise();
  Widget()->activateWindow();
}

void TPopupWindow::ClosePopup() {
  if (!Visible()) return;
  SetVisible(false);
  OnClose(this);
}

void TPopupWindow::Dispatch(TMessage& message) {
  switch (message.Msg) {
    case WM_CLOSE:
      // Qt closes a pop-up on a click outside it or when its window is
      // no longer active.
      ClosePopup();
      return;
    case WM_KEYDOWN:
      if (message.WParam == VK_ESCAPE) {
        ClosePopup();
        return;
      }
      break;
    default:
      break;
  }
  TCustomControl::Dispatch(message);
}
