#include "bench/SoakScene.h"

#include <X11/Xutil.h>

#include <unistd.h>

#include <vector>

#include "bench/SoakFrames.h"

TSceneBand::TSceneBand(const std::string& display, int width, int rows)
    : FWidth(width), FRows(rows) {
  FDisplay = XOpenDisplay(display.c_str());
  if (FDisplay == nullptr) return;
  const int screen = DefaultScreen(FDisplay);
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  FWindow =
      XCreateWindow(FDisplay, RootWindow(FDisplay, screen), 0, 0, width, rows, 0, CopyFromParent,
                    InputOutput, CopyFromParent, CWOverrideRedirect, &attributes);
  FPixmap = XCreatePixmap(FDisplay, FWindow, width, rows, DefaultDepth(FDisplay, screen));
  FGc = XCreateGC(FDisplay, FPixmap, 0, nullptr);
  XSetForeground(FDisplay, FGc, 0);
  XFillRectangle(FDisplay, FPixmap, FGc, 0, 0, width, rows);
  // Exposures repaint the scene from the pixmap.
  XSetWindowBackgroundPixmap(FDisplay, FWindow, FPixmap);
  XMapRaised(FDisplay, FWindow);
  XSync(FDisplay, False);
}

TSceneBand::~TSceneBand() {
  if (FDisplay == nullptr) return;
  XFreeGC(FDisplay, FGc);
  XFreePixmap(FDisplay, FPixmap);
  XDestroyWindow(FDisplay, FWindow);
  XCloseDisplay(FDisplay);
}

uint64_t TSceneBand::Paint(std::mt19937& random) {
  std::uniform_int_distribution<uint32_t> colour(0, 0xFFFFFF);
  std::uniform_int_distribution<int> x(0, FWidth - 1), y(0, FRows - 1);
  XSetForeground(FDisplay, FGc, colour(random));
  XFillRectangle(FDisplay, FPixmap, FGc, 0, 0, FWidth, FRows);
  for (int i = 0; i < 12; ++i) {
    XSetForeground(FDisplay, FGc, colour(random));
    XFillRectangle(FDisplay, FPixmap, FGc, x(random), y(random), 1 + x(random) / 3, 1 + y(random));
  }
  XCopyArea(FDisplay, FPixmap, FWindow, FGc, 0, 0, FWidth, FRows, 0, 0);
  XSync(FDisplay, False);
  return ReadBack();
}

uint64_t TSceneBand::ReadBack() {
  XImage* image = XGetImage(FDisplay, FWindow, 0, 0, FWidth, FRows, AllPlanes, ZPixmap);
  if (image == nullptr) return 0;
  std::vector<uint8_t> rgb;
  rgb.reserve(static_cast<size_t>(FWidth) * FRows * 3);
  for (int row = 0; row < FRows; ++row) {
    for (int column = 0; column < FWidth; ++column) {
      const unsigned long pixel = XGetPixel(image, column, row);
      rgb.push_back(static_cast<uint8_t>(pixel >> 16));
      rgb.push_back(static_cast<uint8_t>(pixel >> 8));
      rgb.push_back(static_cast<uint8_t>(pixel));
    }
  }
  XDestroyImage(image);
  return HashRgbRows(rgb);
}

bool WaitForWindowManager(const std::string& display, double seconds) {
  Display* connection = XOpenDisplay(display.c_str());
  if (connection == nullptr) return false;
  const Atom check = XInternAtom(connection, "_NET_SUPPORTING_WM_CHECK", False);
  bool running = false;
  for (int waited = 0; !running && waited < seconds * 1000; waited += 50) {
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(connection, DefaultRootWindow(connection), check, 0, 1, False,
                       AnyPropertyType, &type, &format, &items, &after, &data);
    running = items == 1;
    if (data != nullptr) XFree(data);
    if (!running) usleep(50000);
  }
  XCloseDisplay(connection);
  return running;
}
