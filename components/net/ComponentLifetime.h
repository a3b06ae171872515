#pragma once

#include <cstddef>
#include <initializer_list>
#include <memory>
#include <utility>

#include "framework/Events.h"

// Handlers that destroy their component.
//
// An event handler may destroy the component that raised the event, directly
// or through its owner, and a server's handler may drop the connection being
// served. Rather than check wherever a component touches itself after an
// event, the socket components share one rule:
//
//  - A component holds a TLifetime; a watch holds its token.
//  - Every way into a component from outside (a window message, an operation
//    the program calls) runs as a Watched call on the objects it works on.
//  - Every way out to the program's code (RaiseEvent for a handler, CallOut
//    for the messages a waiting receive lets through) checks, once that code
//    returns, the objects watched since the program last called in. If one
//    is gone, it throws TComponentGone.
//  - The exception unwinds the component's own frames, which touch nothing on
//    the way, up to the innermost Watched call outside of which every watched
//    object still lives. That call returns its "gone" result; the program's
//    code never sees the exception.

// Thrown and caught inside the socket components only.
struct TComponentGone {};

using TLifeToken = std::weak_ptr<const void>;

// Held by a component for as long as it lives.
class TLifetime {
 public:
  TLifetime() = default;
  TLifetime(const TLifetime&) = delete;
  TLifetime& operator=(const TLifetime&) = delete;
  TLifeToken Token() const { return FAlive; }

 private:
  std::shared_ptr<const int> FAlive = std::make_shared<const int>(0);
};

// Watches objects for as long as it exists (innermost last).
class TWatch {
 public:
  explicit TWatch(std::initializer_list<TLifeToken> objects);
  ~TWatch();
  TWatch(const TWatch&) = delete;
  TWatch& operator=(const TWatch&) = delete;
  // Whether an object watched further out, since the program last called
  // in, is gone as well: then unwinding goes on past this watch.
  bool GoneFurtherOut() const;

 private:
  size_t FMark;
};

// Throws TComponentGone if an object watched since the program last called
// in is gone; for component code that has just destroyed one itself.
void ThrowIfWatchedObjectGone();

// Runs `body` watching `objects`; if one of them is destroyed meanwhile,
// returns `ifGone()` instead.
template <typename Body, typename IfGone>
auto Watched(std::initializer_list<TLifeToken> objects, Body&& body, IfGone&& ifGone) {
  TWatch watch(objects);
  try {
    return body();
  } catch (const TComponentGone&) {
    if (watch.GoneFurtherOut()) throw;
    return ifGone();
  }
}

template <typename Body>
void Watched(std::initializer_list<TLifeToken> objects, Body&& body) {
  Watched(objects, std::forward<Body>(body), [] {});
}

namespace component_lifetime_detail {
// Opens a stretch of the program's code; returns what CloseCallOut restores.
size_t OpenCallOut();
void CloseCallOut(size_t outer);
// From inside a catch block: the program's code failed. If a watched object
// is gone meanwhile, the failure is shown and TComponentGone thrown instead.
[[noreturn]] void ProgramCodeFailed();
}  // namespace component_lifetime_detail

// Runs the program's code (handlers, pumped messages).
template <typename Code>
void CallOut(Code&& programCode) {
  namespace detail = component_lifetime_detail;
  const size_t outer = detail::OpenCallOut();
  try {
    programCode();
  } catch (...) {
    detail::CloseCallOut(outer);
    detail::ProgramCodeFailed();
  }
  detail::CloseCallOut(outer);
  ThrowIfWatchedObjectGone();
}

// Raises `event` if it is bound.
template <typename... Args, typename... Given>
void RaiseEvent(const TEvent<Args...>& event, Given&&... args) {
  if (!event) return;
  CallOut([&] { event(std::forward<Given>(args)...); });
}
