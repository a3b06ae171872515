#include "tests/support/TestWindows.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <chrono>
#include <thread>

namespace {

bool WaitFor(Display* display, Window window, int eventType) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  XEvent event;
  while (std::chrono::steady_clock::now() < deadline) {
    if (XCheckTypedWindowEvent(display, window, eventType, &event)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

}  // namespace

TestWindows::TestWindows() : display_(XOpenDisplay(nullptr)) {}

TestWindows::~TestWindows() {
  if (display_ != nullptr) XCloseDisplay(display_);
}

Window TestWindows::Show(int x, int y, int width, int height, uint32_t rgb, bool managed) {
  XSetWindowAttributes attributes{};
  attributes.background_pixel = rgb;  // TrueColor 24-bit: the pixel is 0xRRGGBB
  attributes.override_redirect = managed ? False : True;
  attributes.event_mask = ExposureMask | StructureNotifyMask;
  const Window window = XCreateWindow(display_, DefaultRootWindow(display_), x, y, width, height, 0,
                                      CopyFromParent, InputOutput, CopyFromParent,
                                      CWBackPixel | CWOverrideRedirect | CWEventMask, &attributes);
  if (managed) {
    XSizeHints hints{};
    hints.flags = USPosition | USSize | PPosition | PSize;
    hints.x = x;
    hints.y = y;
    hints.width = width;
    hints.height = height;
    XSetWMNormalHints(display_, window, &hints);
    XStoreName(display_, window, "scrivlo test window");
  }
  XMapRaised(display_, window);
  WaitFor(display_, window, MapNotify);
  Sync();
  return window;
}

void TestWindows::Destroy(Window window) {
  XDestroyWindow(display_, window);
  Sync();
}

void TestWindows::Focus(Window window) {
  XSetInputFocus(display_, window, RevertToPointerRoot, CurrentTime);
  Sync();
}

bool TestWindows::Activate(Window window) {
  const Atom active = XInternAtom(display_, "_NET_ACTIVE_WINDOW", False);
  // Ask the window manager as a pager would (source 2), which it honours
  // whatever its focus-stealing rules for new windows say.
  XEvent request{};
  request.xclient.type = ClientMessage;
  request.xclient.window = window;
  request.xclient.message_type = active;
  request.xclient.format = 32;
  request.xclient.data.l[0] = 2;
  request.xclient.data.l[1] = CurrentTime;
  XSendEvent(display_, DefaultRootWindow(display_), False,
             SubstructureRedirectMask | SubstructureNotifyMask, &request);
  Sync();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (std::chrono::steady_clock::now() < deadline) {
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(display_, DefaultRootWindow(display_), active, 0, 1, False, XA_WINDOW, &type,
                       &format, &items, &after, &data);
    const bool isActive = items == 1 && *reinterpret_cast<long*>(data) == static_cast<long>(window);
    if (data != nullptr) XFree(data);
    if (isActive) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

bool TestWindows::FrameGeometry(Window window, int* rootX, int* rootY, long extents[4]) {
  Window child = None;
  if (!XTranslateCoordinates(display_, window, DefaultRootWindow(display_), 0, 0, rootX, rootY,
                             &child)) {
    return false;
  }
  const Atom property = XInternAtom(display_, "_NET_FRAME_EXTENTS", False);
  Atom type = None;
  int format = 0;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  XGetWindowProperty(display_, window, property, 0, 4, False, XA_CARDINAL, &type, &format, &items,
                     &after, &data);
  const bool ok = items == 4;
  for (int i = 0; ok && i < 4; ++i)
    extents[i] = reinterpret_cast<long*>(data)[i];
  if (data != nullptr) XFree(data);
  return ok;
}

void TestWindows::Sync() {
  XSync(display_, False);
}
