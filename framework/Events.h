#pragma once

#include <functional>
#include <utility>

class TObject;

// An event slot: empty by default, bound to any callable (a lambda, or a
// method with its object). Raising an empty event does nothing.
template <typename... Args>
class TEvent {
 public:
  TEvent() = default;
  template <typename F>
  TEvent(F handler) : FHandler(std::move(handler)) {}  // NOLINT: implicit by design

  bool Assigned() const { return static_cast<bool>(FHandler); }
  explicit operator bool() const { return Assigned(); }
  void Clear() { FHandler = nullptr; }

  void operator()(Args... args) const {
    if (FHandler) FHandler(std::forward<Args>(args)...);
  }

  // Binds a method of `object`: `Bind(form, &TForm::ButtonClick)`.
  template <typename T, typename R>
  static TEvent Bind(T* object, R (T::*method)(Args...)) {
    return TEvent(
        [object, method](Args... args) { (object->*method)(std::forward<Args>(args)...); });
  }

 private:
  std::function<void(Args...)> FHandler;
};

// The event that passes only its sender.
using TNotifyEvent = TEvent<TObject*>;
