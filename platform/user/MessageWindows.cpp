#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimerEvent>
#include <algorithm>
#include <map>
#include <unordered_map>

#include "platform/user/EventLoop.h"
#include "platform/user/Messages.h"

namespace {

// A posted message travelling through Qt's event queue.
class PostedMessageEvent : public QEvent {
 public:
  static QEvent::Type TypeId() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
  }
  PostedMessageEvent(const TMessage& message, std::weak_ptr<const void> guard, bool guarded)
      : QEvent(TypeId()), FMessage(message), FGuard(std::move(guard)), FGuarded(guarded) {}
  TMessage FMessage;
  std::weak_ptr<const void> FGuard;
  bool FGuarded;
};

class MessageWindow;
std::unordered_map<uintptr_t, MessageWindow*> gWindows;
uintptr_t gNextHandle = 0x10000;  // never reused, so a stale handle stays dead
int gTimers = 0;

// One hidden window: a QObject that turns posted events and timer ticks into
// calls of its method.
class MessageWindow : public QObject {
 public:
  explicit MessageWindow(TWndMethod method) : FMethod(std::move(method)) {}
  ~MessageWindow() override { KillAllTimers(); }

  void Deliver(TMessage& message) {
    if (FDetached || !FMethod) return;
    ++FDelivering;
    try {
      FMethod(message);
    } catch (...) {
      HandleWindowException();
    }
    // Deallocated meanwhile: freed once the outermost delivery is over. A
    // deferred deletion asked for any sooner could run in a loop nested in
    // an outer delivery, and free the window under it.
    if (--FDelivering == 0 && FFreeWhenDone) deleteLater();
  }

  uintptr_t SetTimer(uintptr_t id, UINT elapse) {
    const auto existing = FTimers.find(id);
    if (existing == FTimers.end() && gTimers >= kMaxTimers) return 0;
    // Windows' floor and ceiling for a timer's period.
    const int period = static_cast<int>(std::clamp<UINT>(elapse, 10, 0x7FFFFFFF));
    const int qtId = startTimer(period, Qt::PreciseTimer);
    if (qtId == 0) return 0;
    if (existing != FTimers.end()) {
      killTimer(existing->second);
      existing->second = qtId;
    } else {
      FTimers.emplace(id, qtId);
      ++gTimers;
    }
    return id;
  }

  bool KillTimer(uintptr_t id) {
    const auto found = FTimers.find(id);
    if (found == FTimers.end()) return false;
    killTimer(found->second);
    FTimers.erase(found);
    --gTimers;
    return true;
  }

  // Cuts the window off: no method, no timers, nothing queued.
  void Detach() {
    // The method may be running right now (a window deallocated from inside
    // its own handler): keep the callable alive, just stop calling it.
    FDetached = true;
    KillAllTimers();
    QCoreApplication::removePostedEvents(this);
  }
  bool Delivering() const { return FDelivering > 0; }
  void FreeWhenDelivered() { FFreeWhenDone = true; }

 protected:
  bool event(QEvent* event) override {
    if (event->type() != PostedMessageEvent::TypeId()) return QObject::event(event);
    auto* posted = static_cast<PostedMessageEvent*>(event);
    if (posted->FGuarded && posted->FGuard.expired()) return true;
    TMessage message = posted->FMessage;
    Deliver(message);
    return true;
  }

  void timerEvent(QTimerEvent* event) override {
    for (const auto& [id, qtId] : FTimers) {
      if (qtId == event->timerId()) {
        TMessage message{WM_TIMER, id, 0, 0};
        Deliver(message);
        return;
      }
    }
  }

 private:
  void KillAllTimers() {
    for (const auto& [id, qtId] : FTimers)
      killTimer(qtId);
    gTimers -= static_cast<int>(FTimers.size());
    FTimers.clear();
  }

  TWndMethod FMethod;
  std::map<uintptr_t, int> FTimers;  // our id -> Qt's id
  int FDelivering = 0;
  bool FDetached = false;
  bool FFreeWhenDone = false;
};

uintptr_t HandleValue(HWND window) {
  return reinterpret_cast<uintptr_t>(window);
}

MessageWindow* Find(HWND window) {
  const auto found = gWindows.find(HandleValue(window));
  return found == gWindows.end() ? nullptr : found->second;
}

}  // namespace

HWND AllocateHWnd(TWndMethod method) {
  EnsureEventLoop();
  const uintptr_t handle = gNextHandle++;
  gWindows.emplace(handle, new MessageWindow(std::move(method)));
  return reinterpret_cast<HWND>(handle);
}

void DeallocateHWnd(HWND window) {
  MessageWindow* found = Find(window);
  if (found == nullptr) return;
  gWindows.erase(HandleValue(window));
  found->Detach();
  // A window may be deallocated from inside its own method, however deeply
  // nested: free it once every delivery to it has returned.
  if (found->Delivering()) {
    found->FreeWhenDelivered();
  } else {
    delete found;
  }
}

bool IsMessageWindow(HWND window) {
  return Find(window) != nullptr;
}

BOOL PostMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  MessageWindow* found = Find(window);
  if (found == nullptr) return 0;
  QCoreApplication::postEvent(found, new PostedMessageEvent({msg, wParam, lParam, 0}, {}, false));
  return 1;
}

BOOL PostGuardedMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam,
                        std::weak_ptr<const void> guard) {
  MessageWindow* found = Find(window);
  if (found == nullptr) return 0;
  QCoreApplication::postEvent(
      found, new PostedMessageEvent({msg, wParam, lParam, 0}, std::move(guard), true));
  return 1;
}

LRESULT SendMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  MessageWindow* found = Find(window);
  if (found == nullptr) return 0;
  TMessage message{msg, wParam, lParam, 0};
  found->Deliver(message);
  return message.Result;
}

LRESULT DefWindowProcA(HWND, UINT, WPARAM, LPARAM) {
  return 0;
}

uintptr_t SetTimer(HWND window, uintptr_t id, UINT elapse, void*) {
  MessageWindow* found = Find(window);
  return found == nullptr ? 0 : found->SetTimer(id, elapse);
}

BOOL KillTimer(HWND window, uintptr_t id) {
  MessageWindow* found = Find(window);
  return found != nullptr && found->KillTimer(id) ? 1 : 0;
}

int LiveTimerCount() {
  return gTimers;
}
