#pragma once

// The notification area ("system tray"): small icons next to the clock, each
// owned by a window that hears of the mouse events on it. QSystemTrayIcon
// shows them; it speaks the StatusNotifierItem protocol where the desktop
// has it and the XEmbed tray otherwise. Many Linux desktops have neither:
// adding an icon then fails, and the program has to keep its window within
// reach some other way.
//
// Mouse events on an icon are posted to its window as the icon's callback
// message, with the icon's id in WParam and the mouse message (WM_RBUTTONUP,
// WM_LBUTTONUP...) in LParam.

#include <cstddef>
#include <cstdint>

#include "platform/WindowsTypes.h"
#include "platform/gdi/Icons.h"

struct GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
};

constexpr DWORD NIM_ADD = 0;
constexpr DWORD NIM_MODIFY = 1;
constexpr DWORD NIM_DELETE = 2;

// Which members of the record carry values.
constexpr UINT NIF_MESSAGE = 0x01;
constexpr UINT NIF_ICON = 0x02;
constexpr UINT NIF_TIP = 0x04;

// The platform's record, member for member. Only hWnd, uID, uFlags,
// uCallbackMessage, hIcon and szTip are used here; the state, balloon and
// GUID members are left alone.
struct NOTIFYICONDATAW {
  DWORD cbSize;
  HWND hWnd;
  UINT uID;
  UINT uFlags;
  UINT uCallbackMessage;
  HICON hIcon;
  WCHAR szTip[128];
  DWORD dwState;
  DWORD dwStateMask;
  WCHAR szInfo[256];
  union {
    UINT uTimeout;
    UINT uVersion;
  };
  WCHAR szInfoTitle[64];
  DWORD dwInfoFlags;
  GUID guidItem;
  HICON hBalloonIcon;
};

static_assert(offsetof(NOTIFYICONDATAW, szTip) == (sizeof(void*) == 8 ? 40 : 24));
static_assert(sizeof(NOTIFYICONDATAW) == (sizeof(void*) == 8 ? 976 : 956));

// The smallest record taken: the first members with a tip of
// 64 characters. A record's cbSize says how much of it the caller filled;
// members beyond it are never read, and a tip is cut where cbSize ends, so
// any size from this one up is accepted.
constexpr DWORD NOTIFYICONDATAW_V1_SIZE =
    static_cast<DWORD>(offsetof(NOTIFYICONDATAW, szTip) + 64 * sizeof(WCHAR));

// NIM_ADD puts an icon in the notification area for (hWnd, uID); FALSE when
// the desktop has no notification area, hWnd is no window, or that icon
// exists already. NIM_MODIFY changes the members uFlags names; NIM_DELETE
// removes the icon; both FALSE when there is no such icon. Any other action,
// a null record or one smaller than NOTIFYICONDATAW_V1_SIZE: FALSE.
// The icon's picture is copied; the caller keeps its HICON.
BOOL Shell_NotifyIconW(DWORD message, NOTIFYICONDATAW* data);

// Names one icon: by its window and id (guidItem is not supported here and
// is ignored).
struct NOTIFYICONIDENTIFIER {
  DWORD cbSize;
  HWND hWnd;
  UINT uID;
  GUID guidItem;
};

// Where the icon is on the screen, in screen coordinates; E_FAIL when there
// is no such icon or it has no place (yet).
HRESULT Shell_NotifyIconGetRect(const NOTIFYICONIDENTIFIER* identifier, RECT* iconLocation);
