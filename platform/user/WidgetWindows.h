#pragma once

// Windows on the screen: a message window (AllocateHWnd) that a QWidget
// shows. The window layer keeps which widget shows which window, and, for
// windows that paint themselves, the image holding their pixels, so that
// GetDC of the window draws on them. The widget carries its window's handle
// in a dynamic property, so that code outside this program's copy of the
// window layer (the visual-styles library) finds the widget through Qt.

#include <cstdint>

#include "platform/WindowsTypes.h"

class QImage;
class QWidget;

// Name of the widget property holding the window handle (an unsigned long long).
inline constexpr const char* kWindowHandleProperty = "scrivloWindowHandle";

// Shows `window` with `widget`; `pixels` (may be null) holds what the window
// paints itself, in client coordinates. Both stay owned by the caller, who
// detaches them before destroying either.
void AttachWindowWidget(HWND window, QWidget* widget, QImage* pixels = nullptr);
void DetachWindowWidget(HWND window);
// Null when the window has no widget, or does not exist.
QWidget* WindowWidget(HWND window);
// The window a widget shows; null when none.
HWND WidgetWindow(const QWidget* widget);

BOOL IsWindowVisible(HWND window);
BOOL IsWindowEnabled(HWND window);
// The window of the nearest widget above this one that shows a window.
HWND GetParent(HWND window);
// (0, 0, width, height) of the client area.
BOOL GetClientRect(HWND window, RECT* rect);
BOOL ClientToScreen(HWND window, POINT* point);
BOOL ScreenToClient(HWND window, POINT* point);
// Places the window: a top-level window's outer rectangle (frame included)
// in screen coordinates, a child's in its parent's client coordinates.
// GetWindowRect (platform/gdi/Gdi.h) reads the outer rectangle back, in
// screen coordinates for both. `repaint` repaints the window at once.
// Controls of the framework keep their own bounds: place those with
// SetBounds; this is for the windows of the platform layers (dialogs).
BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint);
// Raises the window's top-level window and asks for it to become active.
BOOL SetForegroundWindow(HWND window);
// The window showing the widget that has the keyboard focus; null when none.
HWND GetFocus();

// The mouse capture: the window that receives mouse input while a button is
// held, wherever the pointer goes. Moves reach the window that took a press
// for as long as a button stays down (Qt's implicit grab); SetCapture
// records the window for GetCapture, and grabs the mouse outright when no
// button is down. SetCapture returns the previous capture window.
HWND GetCapture();
HWND SetCapture(HWND window);
BOOL ReleaseCapture();

BOOL GetCursorPos(POINT* point);
// Bit 15 set while the key is down: the mouse buttons and Shift, Ctrl, Alt
// (as of the latest input event); 0 for other keys.
int16_t GetKeyState(int key);

struct WINDOWPLACEMENT {
  UINT length;
  UINT flags;
  UINT showCmd;
  POINT ptMinPosition;
  POINT ptMaxPosition;
  RECT rcNormalPosition;
};
static_assert(sizeof(WINDOWPLACEMENT) == 44);

constexpr UINT SW_SHOWNORMAL = 1;
constexpr UINT SW_SHOWMINIMIZED = 2;
constexpr UINT SW_SHOWMAXIMIZED = 3;

// The window's show state and its normal (restored) outer rectangle, frame
// included, in screen coordinates: what Left, Top, Width and Height of a
// form mean. Fails unless `placement->length` is 44.
BOOL GetWindowPlacement(HWND window, WINDOWPLACEMENT* placement);
