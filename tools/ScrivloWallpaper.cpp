// scrivlo-wallpaper: puts a generated photo-like wallpaper on the root window
// of $DISPLAY (demo desktops and benchmarks), or writes it as a PNG with -o.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "imaging/PixelsToPng.h"
#include "streams/OFileStream.h"
#include "tools/PhotoWallpaper.h"

namespace {

int WriteFile(const char* path, int width, int height) {
  const std::vector<uint32_t> pixels = RenderPhotoWallpaper(width, height);
  TOFileStream file{TSimpleString(path)};
  if (file.Failed()) {
    std::fprintf(stderr, "scrivlo-wallpaper: cannot write '%s'\n", path);
    return 1;
  }
  WritePngFromPixels(&file, pixels.data(), width, height);
  return 0;
}

int SetRootBackground() {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "scrivlo-wallpaper: cannot open the X display\n");
    return 1;
  }
  const int screen = DefaultScreen(display);
  const Window root = RootWindow(display, screen);
  const int width = DisplayWidth(display, screen);
  const int height = DisplayHeight(display, screen);
  if (DefaultDepth(display, screen) < 24) {
    std::fprintf(stderr, "scrivlo-wallpaper: needs a 24-bit screen\n");
    return 1;
  }
  std::vector<uint32_t> pixels = RenderPhotoWallpaper(width, height);
  XImage* image =
      XCreateImage(display, DefaultVisual(display, screen), DefaultDepth(display, screen), ZPixmap,
                   0, reinterpret_cast<char*>(pixels.data()), width, height, 32, width * 4);
  const Pixmap pixmap = XCreatePixmap(display, root, width, height, DefaultDepth(display, screen));
  XPutImage(display, pixmap, DefaultGC(display, screen), image, 0, 0, 0, 0, width, height);
  image->data = nullptr;  // the vector owns the pixels
  XDestroyImage(image);

  XSetWindowBackgroundPixmap(display, root, pixmap);
  XClearWindow(display, root);
  // Tell other programs (terminals with transparency, compositors) where it is.
  const Atom rootPixmap = XInternAtom(display, "_XROOTPMAP_ID", False);
  XChangeProperty(display, root, rootPixmap, XA_PIXMAP, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&pixmap), 1);
  // Keep the pixmap after this program ends.
  XSetCloseDownMode(display, RetainPermanent);
  XCloseDisplay(display);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 1) return SetRootBackground();
  if (argc == 3 && std::strcmp(argv[1], "-o") == 0) return WriteFile(argv[2], 1920, 1080);
  std::fprintf(stderr, "usage: scrivlo-wallpaper [-o FILE.png]\n");
  return 2;
}
