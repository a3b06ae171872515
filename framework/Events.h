#pragma once

#include <functional>
#include <memory>
#include <utility>

class TObject;

// An event slot: empty by default, bound to any callable (a lambda, or a
// method with its object). Raising an empty event does nothing.
//
// A handler may destroy the object whose slot raised it, or rebind the slot:
// the callable, with what it captured, stays alive until it returns. Copies
// of a slot share one callable.
template <typename... Args>
class TEvent {
 public:
  TEvent() = default;
  template <typename F>
  TEvent(F handler)  // NOLINT: implicit by design
      : FHandler(std::make_shared<const std::function<void(Args...)>>(std::move(handler))) {
    if (!*FHandler) FHandler.reset();  // an empty callable binds nothing
  }
  TEvent(std::nullptr_t) {}  // NOLINT: implicit, as for std::function

  bool Assigned() const { return FHandler != nullptr; }
  explicit operator bool() const { return Assigned(); }
  void Clear() { FHandler.reset(); }

  void operator()(Args... args) const {
    if (!FHandler) return;
    const std::shared_ptr<const std::function<void(Args...)>> running = FHandler;
    (*running)(std::forward<Args>(args)...);
  }

  // Binds a method of `object`: `Bind(form, &TForm::ButtonClick)`.
  template <typename T, typename R>
  static TEvent Bind(T* object, R (T::*method)(Args...)) {
    return TEvent(
        [object, method](Args... args) { (object->*method)(std::forward<Args>(args)...); });
  }

 private:
  std::shared_ptr<const std::function<void(Args...)>> FHandler;
};

// The event that passes only its sender.
using TNotifyEvent = TEvent<TObject*>;
