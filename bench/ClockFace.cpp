#include "bench/ClockFace.h"

#include <X11/Xutil.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// The client window of the first mapped window whose class is `name`,
// searched depth first; 0 when there is none.
Window FindByClass(Display* display, Window from, const char* name) {
  XClassHint hint{};
  if (XGetClassHint(display, from, &hint) != 0) {
    const bool match = hint.res_class != nullptr && std::strcmp(hint.res_class, name) == 0;
    if (hint.res_name != nullptr) XFree(hint.res_name);
    if (hint.res_class != nullptr) XFree(hint.res_class);
    XWindowAttributes attributes{};
    if (match && XGetWindowAttributes(display, from, &attributes) != 0 &&
        attributes.map_state == IsViewable) {
      return from;
    }
  }
  Window root = 0, parent = 0, *children = nullptr;
  unsigned int count = 0;
  if (XQueryTree(display, from, &root, &parent, &children, &count) == 0) return 0;
  Window found = 0;
  for (unsigned int i = 0; i < count && found == 0; ++i)
    found = FindByClass(display, children[i], name);
  if (children != nullptr) XFree(children);
  return found;
}

}  // namespace

TClockFace::~TClockFace() {
  if (FDisplay == nullptr) return;
  if (FGc != nullptr) XFreeGC(FDisplay, FGc);
  if (FPixmap != 0) XFreePixmap(FDisplay, FPixmap);
  if (FWindow != 0) XDestroyWindow(FDisplay, FWindow);
  XCloseDisplay(FDisplay);
}

bool TClockFace::Show() {
  FDisplay = XOpenDisplay(nullptr);
  if (FDisplay == nullptr) {
    FError = "cannot open the X display";
    return false;
  }
  const int screen = DefaultScreen(FDisplay);
  const Window root = RootWindow(FDisplay, screen);
  const int screenWidth = DisplayWidth(FDisplay, screen);
  int x = 0, y = 0, width = 0, height = 0;
  if (const Window clock = FindByClass(FDisplay, root, "XClock"); clock != 0) {
    XWindowAttributes attributes{};
    XGetWindowAttributes(FDisplay, clock, &attributes);
    Window child = 0;
    XTranslateCoordinates(FDisplay, clock, root, 0, 0, &x, &y, &child);
    width = attributes.width;
    height = attributes.height;
  } else {
    width = height = std::max(16, std::min(180, screenWidth / 8));
    x = screenWidth - width;
  }
  FSize = std::min(width, height);

  // Unmanaged, so that the window manager neither frames nor moves it.
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  FWindow = XCreateWindow(FDisplay, root, x, y, static_cast<unsigned>(width),
                          static_cast<unsigned>(height), 0, CopyFromParent, InputOutput,
                          CopyFromParent, CWOverrideRedirect, &attributes);
  FPixmap = XCreatePixmap(FDisplay, FWindow, static_cast<unsigned>(width),
                          static_cast<unsigned>(height), DefaultDepth(FDisplay, screen));
  FGc = XCreateGC(FDisplay, FPixmap, 0, nullptr);
  XSetForeground(FDisplay, FGc, 0xF4F1E8);
  XFillRectangle(FDisplay, FPixmap, FGc, 0, 0, static_cast<unsigned>(width),
                 static_cast<unsigned>(height));
  XMapRaised(FDisplay, FWindow);
  Draw();
  return true;
}

void TClockFace::Tick() {
  ++FStep;
  Draw();
}

void TClockFace::Draw() {
  // A face, twelve marks and one hand, drawn into the window's background so
  // that the X server repaints it by itself whenever it is uncovered.
  const int centre = FSize / 2, radius = FSize / 2 - 4;
  XSetForeground(FDisplay, FGc, 0xFFFFFF);
  XFillArc(FDisplay, FPixmap, FGc, centre - radius, centre - radius,
           static_cast<unsigned>(2 * radius), static_cast<unsigned>(2 * radius), 0, 360 * 64);
  XSetForeground(FDisplay, FGc, 0x303030);
  XSetLineAttributes(FDisplay, FGc, 2, LineSolid, CapRound, JoinRound);
  XDrawArc(FDisplay, FPixmap, FGc, centre - radius, centre - radius,
           static_cast<unsigned>(2 * radius), static_cast<unsigned>(2 * radius), 0, 360 * 64);
  const auto at = [&](double turn, double length, int* px, int* py) {
    const double angle = turn * 2 * M_PI;
    *px = centre + static_cast<int>(std::lround(std::sin(angle) * radius * length));
    *py = centre - static_cast<int>(std::lround(std::cos(angle) * radius * length));
  };
  for (int mark = 0; mark < 12; ++mark) {
    int x0, y0, x1, y1;
    at(mark / 12.0, 0.85, &x0, &y0);
    at(mark / 12.0, 0.97, &x1, &y1);
    XDrawLine(FDisplay, FPixmap, FGc, x0, y0, x1, y1);
  }
  int x, y;
  at((FStep % 60) / 60.0, 0.8, &x, &y);
  XSetForeground(FDisplay, FGc, 0xB03030);
  XDrawLine(FDisplay, FPixmap, FGc, centre, centre, x, y);
  XSetWindowBackgroundPixmap(FDisplay, FWindow, FPixmap);
  XClearWindow(FDisplay, FWindow);
  XSync(FDisplay, False);
}
