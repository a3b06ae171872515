#include "framework/ControlWidget.h"

#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QWheelEvent>

#include "framework/Application.h"
#include "framework/Controls.h"
#include "framework/KeyMapping.h"

namespace {

WPARAM MouseKeys(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
  WPARAM keys = 0;
  if ((buttons & Qt::LeftButton) != 0) keys |= MK_LBUTTON;
  if ((buttons & Qt::RightButton) != 0) keys |= MK_RBUTTON;
  if ((buttons & Qt::MiddleButton) != 0) keys |= MK_MBUTTON;
  if ((modifiers & Qt::ShiftModifier) != 0) keys |= MK_SHIFT;
  if ((modifiers & Qt::ControlModifier) != 0) keys |= MK_CONTROL;
  if ((modifiers & Qt::AltModifier) != 0) keys |= MK_ALT;
  return keys;
}

// The message of a press, double click or release of `button`; 0 for
// buttons the platform has no message for.
UINT ButtonMessage(QEvent::Type type, Qt::MouseButton button) {
  int column = 0;
  switch (type) {
    case QEvent::MouseButtonPress:
      column = 0;
      break;
    case QEvent::MouseButtonRelease:
      column = 1;
      break;
    case QEvent::MouseButtonDblClick:
      column = 2;
      break;
    default:
      return 0;
  }
  switch (button) {
    case Qt::LeftButton:
      return WM_LBUTTONDOWN + column;
    case Qt::RightButton:
      return WM_RBUTTONDOWN + column;
    case Qt::MiddleButton:
      return WM_MBUTTONDOWN + column;
    default:
      return 0;
  }
}

// Window switches and popups move Qt's focus without the user moving it
// inside the window: the platform sends no focus messages for those.
bool UserFocusChange(const QFocusEvent* event) {
  return event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason;
}

}  // namespace

void EnsureWidgetsCanExist() {
  Application->EnsureEventLoop();
}

TControl* ControlOfWidget(QWidget* widget) {
  auto* host = dynamic_cast<TControlHost*>(widget);
  return host != nullptr ? host->Control() : nullptr;
}

TControlHost::TControlHost(QWidget* self, Painting painting) : FSelf(self), FPainting(painting) {
  if (painting == Painting::Opaque) FSelf->setAttribute(Qt::WA_OpaquePaintEvent, true);
}

TControlHost::~TControlHost() = default;

void TControlHost::ReleaseWidget() {
  FControl = nullptr;
  FReleased = true;
  FSelf->hide();
  // A widget cannot be deleted while it handles an event of its own.
  if (!FInFlight.empty()) {
    FSelf->deleteLater();
  } else {
    delete FSelf;
  }
}

void TControlHost::SetPainting(Painting painting) {
  if (painting == FPainting) return;
  FPainting = painting;
  FSelf->setAttribute(Qt::WA_OpaquePaintEvent, painting == Painting::Opaque);
  const QSize size = FPixels.size();
  FPixels = QImage();
  ResizePixels(size.width(), size.height());
}

void TControlHost::ResizePixels(int width, int height) {
  if (FPainting == Painting::Native) return;
  width = std::max(0, width);
  height = std::max(0, height);
  if (!FPixels.isNull() && FPixels.width() == width && FPixels.height() == height) return;
  if (FPixels.isNull() && (width == 0 || height == 0)) return;
  // Assigned in place, so that contexts drawing on the pixels stay valid.
  FPixels = QImage(
      width, height,
      FPainting == Painting::Opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
  FPixels.fill(FPainting == Painting::Opaque ? FSelf->palette().color(QPalette::Window)
                                             : QColor(Qt::transparent));
  InvalidateAll();
}

void TControlHost::InvalidateAll() {
  FInvalid = QRegion(FPixels.rect());
  FSelf->update();
}

bool TControlHost::Deliver(TMessage& message, QEvent* event) {
  TControl* control = FControl;
  if (control == nullptr) return false;
  const auto alive = control->Alive();
  FInFlight.push_back(InFlight{message.Msg, event, false});
  try {
    control->WndProc(message);
  } catch (...) {
    Application->HandleException(alive.expired() ? nullptr : control);
  }
  FInFlight.pop_back();
  return !alive.expired() && FControl != nullptr;
}

bool TControlHost::HandleEvent(QEvent* event) {
  if (FControl == nullptr || FReleased) return BaseEvent(event);
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
      return Mouse(static_cast<QMouseEvent*>(event));
    case QEvent::Wheel: {
      auto* wheel = static_cast<QWheelEvent*>(event);
      const QPoint at = wheel->globalPosition().toPoint();
      const int delta = wheel->angleDelta().y();
      TMessage message{
          WM_MOUSEWHEEL,
          MouseKeys(wheel->buttons(), wheel->modifiers()) |
              (static_cast<WPARAM>(static_cast<WORD>(static_cast<int16_t>(delta))) << 16),
          PointToLParam(at.x(), at.y()), 0};
      Deliver(message, event);
      return true;
    }
    case QEvent::KeyPress:
      return Key(static_cast<QKeyEvent*>(event));
    case QEvent::KeyRelease: {
      auto* key = static_cast<QKeyEvent*>(event);
      const bool alt = (key->modifiers() & Qt::AltModifier) != 0;
      TMessage message{alt ? WM_SYSKEYUP : WM_KEYUP, VirtualKeyFromQt(key->key(), key->modifiers()),
                       static_cast<LPARAM>(0xC0000001), 0};
      if (Deliver(message, event)) event->accept();
      return true;
    }
    case QEvent::FocusIn:
    case QEvent::FocusOut: {
      if (!UserFocusChange(static_cast<QFocusEvent*>(event))) return BaseEvent(event);
      TMessage message{event->type() == QEvent::FocusIn ? WM_SETFOCUS : WM_KILLFOCUS, 0, 0, 0};
      Deliver(message, event);
      return true;
    }
    case QEvent::Paint:
      return Paint(event);
    case QEvent::Resize: {
      const bool handled = BaseEvent(event);
      const QSize size = static_cast<QResizeEvent*>(event)->size();
      if (FControl != nullptr) FControl->WidgetResized(size.width(), size.height());
      return handled;
    }
    case QEvent::Move: {
      const bool handled = BaseEvent(event);
      if (FControl != nullptr && FSelf->isWindow()) FControl->WidgetMoved(FSelf->x(), FSelf->y());
      return handled;
    }
    case QEvent::Enter:
    case QEvent::Leave: {
      TMessage message{event->type() == QEvent::Enter ? CM_MOUSEENTER : CM_MOUSELEAVE, 0, 0, 0};
      if (!Deliver(message, nullptr)) return true;
      return BaseEvent(event);
    }
    case QEvent::ContextMenu: {
      auto* menu = static_cast<QContextMenuEvent*>(event);
      const bool keyboard = menu->reason() == QContextMenuEvent::Keyboard;
      TMessage message{WM_CONTEXTMENU, 0,
                       keyboard ? PointToLParam(-1, -1)
                                : PointToLParam(menu->globalPos().x(), menu->globalPos().y()),
                       0};
      if (!Deliver(message, event)) return true;
      // Unanswered, the request goes on to the parent, as on the platform.
      if (message.Result != 0) {
        event->accept();
      } else {
        event->ignore();
      }
      return true;
    }
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate: {
      TMessage message{WM_ACTIVATE, event->type() == QEvent::WindowActivate ? 1u : 0u, 0, 0};
      if (!Deliver(message, event)) return true;
      return true;
    }
    case QEvent::Close: {
      // The control decides; the widget closes only through its default.
      event->ignore();
      TMessage message{WM_CLOSE, 0, 0, 0};
      Deliver(message, event);
      return true;
    }
    default:
      return BaseEvent(event);
  }
}

bool TControlHost::Mouse(QMouseEvent* event) {
  // A disabled window (or one inside a disabled parent) takes no mouse
  // input: Qt's handling passes it on to the parent, as the platform does.
  // Only the release of a press taken while enabled still comes, so that
  // the press ends.
  if (!FSelf->isEnabled() && event->type() != QEvent::MouseButtonRelease) {
    return BaseEvent(event);
  }
  UINT msg = WM_MOUSEMOVE;
  if (event->type() != QEvent::MouseMove) {
    msg = ButtonMessage(event->type(), event->button());
    if (msg == 0) return BaseEvent(event);
  }
  const QPoint at = event->position().toPoint();
  TMessage message{msg, MouseKeys(event->buttons(), event->modifiers()),
                   PointToLParam(at.x(), at.y()), 0};
  if (!Deliver(message, event)) return true;
  // The platform gives a mouse message to one window: no propagation.
  event->accept();
  return true;
}

bool TControlHost::Key(QKeyEvent* event) {
  const bool alt = (event->modifiers() & Qt::AltModifier) != 0;
  const LPARAM data = 1 | (event->isAutoRepeat() ? (1 << 30) : 0);
  TMessage down{alt ? WM_SYSKEYDOWN : WM_KEYDOWN,
                VirtualKeyFromQt(event->key(), event->modifiers()), data, 0};
  if (!Deliver(down, event)) return true;
  // The character follows whatever became of the key-down, as the platform
  // translates it before the key-down is handled.
  const WideChar character = CharCodeFromQt(*event);
  if (character != 0) {
    TMessage typed{WM_CHAR, character, data, 0};
    if (!Deliver(typed, event)) return true;
  }
  event->accept();
  return true;
}

bool TControlHost::Paint(QEvent* event) {
  if (FPainting == Painting::Native) {
    TMessage message{WM_PAINT, 0, 0, 0};
    Deliver(message, event);
    return true;
  }
  ResizePixels(FSelf->width(), FSelf->height());
  TMessage message{WM_PAINT, 0, 0, 0};
  if (!Deliver(message, event)) return true;
  if (FPixels.isNull()) return true;
  const QRect area = static_cast<QPaintEvent*>(event)->rect();
  QPainter painter(FSelf);
  if (FPainting == Painting::Opaque) painter.setCompositionMode(QPainter::CompositionMode_Source);
  painter.drawImage(area, FPixels, area);
  return true;
}

void TControlHost::DefaultHandler(TMessage& message) {
  for (auto entry = FInFlight.rbegin(); entry != FInFlight.rend(); ++entry) {
    if (entry->msg != message.Msg || entry->defaulted) continue;
    entry->defaulted = true;
    QEvent* event = entry->event;
    if (event == nullptr) return;
    switch (message.Msg) {
      case WM_KEYDOWN:
      case WM_SYSKEYDOWN:
        // A key that types something is Qt's business with its WM_CHAR.
        if (CharCodeFromQt(*static_cast<QKeyEvent*>(event)) == 0 || message.Msg == WM_SYSKEYDOWN) {
          BaseEvent(event);
        }
        return;
      case WM_CHAR:
        DefaultKey(message, event);
        return;
      case WM_PAINT:
        if (FPainting == Painting::Native) BaseEvent(event);
        return;
      case WM_CLOSE:
        BaseEvent(event);
        return;
      default:
        BaseEvent(event);
        return;
    }
  }
  // Not from a Qt event: keys sent by code are typed as if pressed.
  if (message.Msg == WM_CHAR || message.Msg == WM_KEYDOWN) DefaultKey(message, nullptr);
}

void TControlHost::DefaultKey(TMessage& message, QEvent* original) {
  auto* pressed = static_cast<QKeyEvent*>(original);
  const Qt::KeyboardModifiers modifiers =
      pressed != nullptr ? pressed->modifiers() : Qt::KeyboardModifiers();
  if (message.Msg == WM_KEYDOWN) {
    QKeyEvent synthetic(QEvent::KeyPress, QtKeyFromVirtualKey(static_cast<WORD>(message.WParam)),
                        modifiers);
    BaseEvent(&synthetic);
    return;
  }
  const auto character = static_cast<WideChar>(message.WParam);
  if (pressed != nullptr && character == CharCodeFromQt(*pressed)) {
    BaseEvent(pressed);
    return;
  }
  QKeyEvent synthetic = KeyEventForChar(character, modifiers);
  BaseEvent(&synthetic);
}
