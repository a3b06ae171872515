// Screen metrics and the foreground window of the screen-graphics layer, over
// X11. The virtual screen is the root window, with its origin at (0, 0). The
// foreground window is the window manager's active window, else the
// top-level window holding the input focus; its rectangle is the outer one,
// the window manager's frame included, in root coordinates.

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdint>

#include "platform/gdi/Gdi.h"
#include "platform/x11/XConnection.h"

namespace {

HWND ToHandle(Window window) {
  return reinterpret_cast<HWND>(static_cast<uintptr_t>(window));
}
Window ToWindow(HWND handle) {
  return static_cast<Window>(reinterpret_cast<uintptr_t>(handle));
}

// Reads a property of 32-bit items; false when absent or of another form.
bool ReadCardinals(Display* display, Window window, const char* name, Atom type, long* items,
                   int count) {
  const Atom property = XInternAtom(display, name, True);
  if (property == None) return false;
  Atom actualType = None;
  int actualFormat = 0;
  unsigned long itemCount = 0, bytesAfter = 0;
  unsigned char* data = nullptr;
  XErrorTrap trap(display);
  const int status = XGetWindowProperty(display, window, property, 0, count, False, type,
                                        &actualType, &actualFormat, &itemCount, &bytesAfter, &data);
  const bool failed = trap.Failed();
  const bool ok = status == Success && !failed && data != nullptr && actualType == type &&
                  actualFormat == 32 && itemCount == static_cast<unsigned long>(count);
  if (ok) {
    // Xlib hands 32-bit items over as longs.
    const long* values = reinterpret_cast<const long*>(data);
    for (int i = 0; i < count; ++i)
      items[i] = values[i];
  }
  if (data != nullptr) XFree(data);
  return ok;
}

bool WindowExists(Display* display, Window window) {
  XWindowAttributes attributes;
  XErrorTrap trap(display);
  const Status status = XGetWindowAttributes(display, window, &attributes);
  return !trap.Failed() && status != 0;
}

// The ancestor of `window` that is a child of the root: with a reparenting
// window manager, the frame around the window. None when `window` is gone.
Window TopLevelAncestor(Display* display, Window window) {
  const Window root = DefaultRootWindow(display);
  // A tree deeper than this is not one a window manager builds.
  for (int depth = 0; depth < 64 && window != None && window != root; ++depth) {
    Window rootReturn = None, parent = None;
    Window* children = nullptr;
    unsigned int childCount = 0;
    XErrorTrap trap(display);
    const Status status = XQueryTree(display, window, &rootReturn, &parent, &children, &childCount);
    const bool failed = trap.Failed();
    if (children != nullptr) XFree(children);
    if (failed || status == 0) return None;
    if (parent == root) return window;
    window = parent;
  }
  return None;
}

// Frame extents are written by the window manager, or by any client on its
// own window. A frame is never negative nor wider than the screen: values
// outside that are not a frame, and the window is taken without one.
// (Xlib hands CARDINALs of 2^31 and more over as negative longs.)
bool PlausibleFrameExtents(const long extents[4]) {
  int rootWidth = 0, rootHeight = 0;
  if (!XConnection::Instance().RootSize(&rootWidth, &rootHeight)) return false;
  const long limits[4] = {rootWidth, rootWidth, rootHeight, rootHeight};
  for (int i = 0; i < 4; ++i) {
    if (extents[i] < 0 || extents[i] > limits[i]) return false;
  }
  return true;
}

bool FitsLong(int64_t value) {
  return value >= INT32_MIN && value <= INT32_MAX;
}

TWindowRectProvider gWindowRects = nullptr;

}  // namespace

void SetWindowRectProvider(TWindowRectProvider provider) {
  gWindowRects = provider;
}

int GetSystemMetrics(int index) {
  int width = 0, height = 0;
  switch (index) {
    case SM_CXSCREEN:
    case SM_CXVIRTUALSCREEN:
      return XConnection::Instance().RootSize(&width, &height) ? width : 0;
    case SM_CYSCREEN:
    case SM_CYVIRTUALSCREEN:
      return XConnection::Instance().RootSize(&width, &height) ? height : 0;
    case SM_XVIRTUALSCREEN:
    case SM_YVIRTUALSCREEN:
      return 0;
    default:
      return 0;
  }
}

HWND GetForegroundWindow() {
  Display* display = XConnection::Instance().Get();
  if (display == nullptr) return nullptr;
  const Window root = DefaultRootWindow(display);

  // The property can name a window already destroyed: check it exists.
  long active = 0;
  if (ReadCardinals(display, root, "_NET_ACTIVE_WINDOW", XA_WINDOW, &active, 1) && active != 0 &&
      WindowExists(display, static_cast<Window>(active))) {
    return ToHandle(static_cast<Window>(active));
  }

  Window focus = None;
  int revertTo = 0;
  XErrorTrap trap(display);
  XGetInputFocus(display, &focus, &revertTo);
  if (trap.Failed() || focus == None || focus == PointerRoot || focus == root) return nullptr;
  const Window topLevel = TopLevelAncestor(display, focus);
  return topLevel != None ? ToHandle(topLevel) : nullptr;
}

BOOL GetWindowRect(HWND handle, RECT* rect) {
  if (gWindowRects != nullptr && gWindowRects(handle, rect)) return 1;
  Display* display = XConnection::Instance().Get();
  if (display == nullptr || handle == nullptr || rect == nullptr) return 0;
  const Window window = ToWindow(handle);
  const Window outer = TopLevelAncestor(display, window);
  if (outer == None) return 0;

  XWindowAttributes attributes;
  XErrorTrap trap(display);
  const Status status = XGetWindowAttributes(display, outer, &attributes);
  if (trap.Failed() || status == 0) return 0;

  // A child of the root has its position in root coordinates already. X
  // keeps positions in 16 bits and sizes below 65536: 64 bits hold any sum.
  const int64_t border = attributes.border_width;
  int64_t left = attributes.x;
  int64_t top = attributes.y;
  int64_t right = left + attributes.width + 2 * border;
  int64_t bottom = top + attributes.height + 2 * border;

  // A window manager that draws frames without reparenting announces them.
  long extents[4] = {0, 0, 0, 0};  // left, right, top, bottom
  if (outer == window &&
      ReadCardinals(display, window, "_NET_FRAME_EXTENTS", XA_CARDINAL, extents, 4) &&
      PlausibleFrameExtents(extents)) {
    left -= extents[0];
    right += extents[1];
    top -= extents[2];
    bottom += extents[3];
  }
  if (!FitsLong(left) || !FitsLong(top) || !FitsLong(right) || !FitsLong(bottom)) return 0;
  *rect = RECT{static_cast<LONG>(left), static_cast<LONG>(top), static_cast<LONG>(right),
               static_cast<LONG>(bottom)};
  return 1;
}
