#pragma once

#include <functional>
#include <memory>

#include "platform/WindowsTypes.h"
#include "platform/gdi/Gdi.h"

// A window message as the handlers see it.
struct TMessage {
  UINT Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;
};

// Message numbers, as the platform numbers them.
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_MOVE = 0x0003;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_ACTIVATE = 0x0006;
constexpr UINT WM_SETFOCUS = 0x0007;
constexpr UINT WM_KILLFOCUS = 0x0008;
constexpr UINT WM_ENABLE = 0x000A;
constexpr UINT WM_SETTEXT = 0x000C;
constexpr UINT WM_GETTEXT = 0x000D;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUERYENDSESSION = 0x0011;
constexpr UINT WM_ERASEBKGND = 0x0014;
constexpr UINT WM_SHOWWINDOW = 0x0018;
constexpr UINT WM_DRAWITEM = 0x002B;
constexpr UINT WM_NOTIFY = 0x004E;
constexpr UINT WM_CONTEXTMENU = 0x007B;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_SYSKEYDOWN = 0x0104;
constexpr UINT WM_SYSKEYUP = 0x0105;
constexpr UINT WM_SYSCHAR = 0x0106;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_HSCROLL = 0x0114;
constexpr UINT WM_VSCROLL = 0x0115;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT WM_RBUTTONDBLCLK = 0x0206;
constexpr UINT WM_MBUTTONDOWN = 0x0207;
constexpr UINT WM_MBUTTONUP = 0x0208;
constexpr UINT WM_MBUTTONDBLCLK = 0x0209;
constexpr UINT WM_MOUSEWHEEL = 0x020A;
constexpr UINT WM_USER = 0x0400;
constexpr UINT WM_APP = 0x8000;

// WM_SIZE's WParam.
constexpr WPARAM SIZE_RESTORED = 0;
constexpr WPARAM SIZE_MINIMIZED = 1;
constexpr WPARAM SIZE_MAXIMIZED = 2;

// WM_DRAWITEM's LParam: what an owner-drawn item asks its owner to draw.
struct DRAWITEMSTRUCT {
  UINT CtlType;
  UINT CtlID;
  UINT itemID;
  UINT itemAction;
  UINT itemState;
  HWND hwndItem;
  HDC hDC;
  RECT rcItem;
  uintptr_t itemData;
};

// Mouse messages: the buttons and keys held, in WParam; the position, in
// client coordinates, packed into LParam (LParamX, LParamY).
constexpr WPARAM MK_LBUTTON = 0x0001;
constexpr WPARAM MK_RBUTTON = 0x0002;
constexpr WPARAM MK_SHIFT = 0x0004;
constexpr WPARAM MK_CONTROL = 0x0008;
constexpr WPARAM MK_MBUTTON = 0x0010;
// Not the platform's: Alt held during a mouse message.
constexpr WPARAM MK_ALT = 0x2000;

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
