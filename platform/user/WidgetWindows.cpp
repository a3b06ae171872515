#include "platform/user/WidgetWindows.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QImage>
#include <QPointer>
#include <QVariant>
#include <QWidget>
#include <algorithm>
#include <unordered_map>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/Messages.h"

namespace {

struct WindowRecord {
  QPointer<QWidget> widget;
  QImage* pixels = nullptr;
};

std::unordered_map<uintptr_t, WindowRecord> gRecords;
HWND gCapture = nullptr;
bool gGrabbed = false;

uintptr_t Key(HWND window) {
  return reinterpret_cast<uintptr_t>(window);
}

const WindowRecord* Find(HWND window) {
  const auto found = gRecords.find(Key(window));
  if (found == gRecords.end()) return nullptr;
  if (!IsMessageWindow(window) || found->second.widget.isNull()) {
    gRecords.erase(found);
    return nullptr;
  }
  return &found->second;
}

HDC WindowContext(HWND window) {
  const WindowRecord* record = Find(window);
  if (record == nullptr || record->pixels == nullptr) return nullptr;
  HDC dc = CreateDrawingDC(record->pixels);
  TDrawingState* state = DrawingState(dc);
  state->window = record->widget;
  state->updateWindow = true;
  state->font = record->widget->font();
  return dc;
}

int ReleaseWindowContext(HWND, HDC dc) {
  return DeleteDrawingDC(dc);
}

// The outer rectangle in screen coordinates: a top-level window's frame is
// part of it; a child has none.
BOOL WindowRect(HWND window, RECT* rect) {
  const WindowRecord* record = Find(window);
  if (record == nullptr || rect == nullptr) return 0;
  const QWidget* widget = record->widget;
  const QRect outer = widget->isWindow() ? widget->frameGeometry()
                                         : QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size());
  *rect = RECT{outer.left(), outer.top(), outer.right() + 1, outer.bottom() + 1};
  return 1;
}

}  // namespace

void AttachWindowWidget(HWND window, QWidget* widget, QImage* pixels) {
  if (!IsMessageWindow(window) || widget == nullptr) return;
  static const bool providing = [] {
    SetWindowContextProvider({&WindowContext, &ReleaseWindowContext});
    SetWindowRectProvider(&WindowRect);
    return true;
  }();
  static_cast<void>(providing);
  gRecords[Key(window)] = WindowRecord{widget, pixels};
  widget->setProperty(kWindowHandleProperty,
                      QVariant::fromValue(static_cast<qulonglong>(Key(window))));
}

void DetachWindowWidget(HWND window) {
  const auto found = gRecords.find(Key(window));
  if (found == gRecords.end()) return;
  if (!found->second.widget.isNull()) {
    found->second.widget->setProperty(kWindowHandleProperty, QVariant());
  }
  gRecords.erase(found);
  if (gCapture == window) ReleaseCapture();
}

QWidget* WindowWidget(HWND window) {
  const WindowRecord* record = Find(window);
  return record == nullptr ? nullptr : record->widget.data();
}

HWND WidgetWindow(const QWidget* widget) {
  if (widget == nullptr) return nullptr;
  const QVariant value = widget->property(kWindowHandleProperty);
  if (!value.isValid()) return nullptr;
  HWND window = reinterpret_cast<HWND>(static_cast<uintptr_t>(value.toULongLong()));
  return WindowWidget(window) == widget ? window : nullptr;
}

BOOL IsWindowVisible(HWND window) {
  QWidget* widget = WindowWidget(window);
  return widget != nullptr && widget->isVisible() ? 1 : 0;
}

BOOL IsWindowEnabled(HWND window) {
  QWidget* widget = WindowWidget(window);
  return widget != nullptr && widget->isEnabled() ? 1 : 0;
}

HWND GetParent(HWND window) {
  QWidget* widget = WindowWidget(window);
  for (QWidget* above = widget != nullptr ? widget->parentWidget() : nullptr; above != nullptr;
       above = above->parentWidget()) {
    if (HWND found = WidgetWindow(above)) return found;
  }
  return nullptr;
}

BOOL GetClientRect(HWND window, RECT* rect) {
  QWidget* widget = WindowWidget(window);
  if (widget == nullptr || rect == nullptr) return 0;
  *rect = RECT{0, 0, widget->width(), widget->height()};
  return 1;
}

BOOL ClientToScreen(HWND window, POINT* point) {
  QWidget* widget = WindowWidget(window);
  if (widget == nullptr || point == nullptr) return 0;
  const QPoint at = widget->mapToGlobal(QPoint(point->x, point->y));
  *point = POINT{at.x(), at.y()};
  return 1;
}

BOOL ScreenToClient(HWND window, POINT* point) {
  QWidget* widget = WindowWidget(window);
  if (widget == nullptr || point == nullptr) return 0;
  const QPoint at = widget->mapFromGlobal(QPoint(point->x, point->y));
  *point = POINT{at.x(), at.y()};
  return 1;
}

BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint) {
  QWidget* widget = WindowWidget(window);
  if (widget == nullptr) return 0;
  width = std::max(0, width);
  height = std::max(0, height);
  if (widget->isWindow()) {
    // Qt places a window by its frame but sizes it by its client area.
    const QRect frame = widget->frameGeometry();
    const QRect client = widget->geometry();
    widget->move(x, y);
    widget->resize(std::max(0, width - (frame.width() - client.width())),
                   std::max(0, height - (frame.height() - client.height())));
  } else {
    widget->setGeometry(x, y, width, height);
  }
  if (repaint != 0) widget->repaint();
  return 1;
}

BOOL SetForegroundWindow(HWND window) {
  QWidget* widget = WindowWidget(window);
  if (widget == nullptr) return 0;
  QWidget* top = widget->window();
  top->raise();
  top->activateWindow();
  return 1;
}

HWND GetFocus() {
  for (QWidget* widget = QApplication::focusWidget(); widget != nullptr;
       widget = widget->parentWidget()) {
    if (HWND found = WidgetWindow(widget)) return found;
  }
  return nullptr;
}

HWND GetCapture() {
  if (gCapture != nullptr && WindowWidget(gCapture) == nullptr) gCapture = nullptr;
  return gCapture;
}

HWND SetCapture(HWND window) {
  HWND previous = GetCapture();
  QWidget* widget = WindowWidget(window);
  if (widget == nullptr) return previous;
  if (previous != window) ReleaseCapture();
  gCapture = window;
  if (QGuiApplication::mouseButtons() == Qt::NoButton && widget->isVisible() && !gGrabbed) {
    widget->grabMouse();
    gGrabbed = true;
  }
  return previous;
}

BOOL ReleaseCapture() {
  if (gGrabbed) {
    if (QWidget* grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
    gGrabbed = false;
  }
  gCapture = nullptr;
  return 1;
}

BOOL GetCursorPos(POINT* point) {
  if (point == nullptr || QCoreApplication::instance() == nullptr) return 0;
  const QPoint at = QCursor::pos();
  *point = POINT{at.x(), at.y()};
  return 1;
}

int16_t GetKeyState(int key) {
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return 0;
  bool down = false;
  const Qt::KeyboardModifiers modifiers = QGuiApplication::keyboardModifiers();
  const Qt::MouseButtons buttons = QGuiApplication::mouseButtons();
  switch (key) {
    case 0x01:
      down = (buttons & Qt::LeftButton) != 0;
      break;
    case 0x02:
      down = (buttons & Qt::RightButton) != 0;
      break;
    case 0x04:
      down = (buttons & Qt::MiddleButton) != 0;
      break;
    case 0x10:
      down = (modifiers & Qt::ShiftModifier) != 0;
      break;
    case 0x11:
      down = (modifiers & Qt::ControlModifier) != 0;
      break;
    case 0x12:
      down = (modifiers & Qt::AltModifier) != 0;
      break;
    default:
      break;
  }
  return down ? static_cast<int16_t>(0x8000) : 0;
}

BOOL GetWindowPlacement(HWND window, WINDOWPLACEMENT* placement) {
  QWidget* widget = WindowWidget(window);
  if (widget == nullptr || placement == nullptr || placement->length != sizeof(WINDOWPLACEMENT)) {
    return 0;
  }
  QWidget* top = widget->window();
  const Qt::WindowStates state = top->windowState();
  placement->flags = 0;
  placement->showCmd = (state & Qt::WindowMinimized) != 0   ? SW_SHOWMINIMIZED
                       : (state & Qt::WindowMaximized) != 0 ? SW_SHOWMAXIMIZED
                                                            : SW_SHOWNORMAL;
  placement->ptMinPosition = POINT{-1, -1};
  placement->ptMaxPosition = POINT{-1, -1};
  // The frame's thickness, added to the client rectangle the window keeps
  // for its restored state.
  const QRect frame = top->frameGeometry();
  const QRect client = top->geometry();
  const QRect normal = placement->showCmd == SW_SHOWNORMAL ? client : top->normalGeometry();
  const QRect outer =
      normal.adjusted(frame.left() - client.left(), frame.top() - client.top(),
                      frame.right() - client.right(), frame.bottom() - client.bottom());
  placement->rcNormalPosition =
      RECT{outer.left(), outer.top(), outer.right() + 1, outer.bottom() + 1};
  return 1;
}
