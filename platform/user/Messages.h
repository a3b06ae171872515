#pragma once

#include <functional>
#include <memory>

#include "platform/WindowsTypes.h"

// A window message as the handlers see it.
struct TMessage {
  UINT Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;
};

constexpr UINT WM_QUERYENDSESSION = 0x0011;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_USER = 0x0400;
constexpr UINT WM_APP = 0x8000;

// Handles every message that reaches a window.
using TWndMethod = std::function<void(TMessage&)>;

// Message windows: hidden windows that exist only to receive messages, each
// delivering them to one method on the user-interface thread.
//
// Posted messages are delivered by the application's event loop, first in,
// first out across all windows. Once a window is deallocated nothing more
// reaches it, not even messages already posted to it. An exception that
// leaves a window's method goes to HandleWindowException (EventLoop.h).
HWND AllocateHWnd(TWndMethod method);
void DeallocateHWnd(HWND window);
bool IsMessageWindow(HWND window);

// False when the window does not exist.
BOOL PostMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
// As PostMessage, but the message is dropped unless `guard` is still alive
// when its turn comes: how a platform layer withdraws what it has posted.
BOOL PostGuardedMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam,
                        std::weak_ptr<const void> guard);
// Calls the window's method at once and returns its Result (0 for no window).
LRESULT SendMessage(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT DefWindowProcA(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

// Periodic WM_TIMER messages with `id` in WParam, every `elapse` ms (10 ms at
// the least). Setting an existing id again restarts it with the new period.
// Returns `id`, or 0 when the timer is refused (no such window, or the
// process already holds kMaxTimers timers).
constexpr int kMaxTimers = 10000;
uintptr_t SetTimer(HWND window, uintptr_t id, UINT elapse, void* callback = nullptr);
BOOL KillTimer(HWND window, uintptr_t id);
int LiveTimerCount();
