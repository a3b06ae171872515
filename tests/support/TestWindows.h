#pragma once

#include <X11/Xlib.h>

#include <cstdint>

// Draws on a test's private X server through a connection of its own, apart
// from the one the capture layer uses.
class TestWindows {
 public:
  TestWindows();
  ~TestWindows();
  TestWindows(const TestWindows&) = delete;
  TestWindows& operator=(const TestWindows&) = delete;

  bool Ok() const { return display_ != nullptr; }
  Display* display() const { return display_; }

  // A window filled with `rgb` (0xRRGGBB). Unmanaged windows are placed
  // exactly where asked; managed ones get a window manager's frame.
  Window Show(int x, int y, int width, int height, uint32_t rgb, bool managed = false);
  void Destroy(Window window);
  // Gives `window` the input focus.
  void Focus(Window window);
  // Asks the window manager to activate `window` and waits (up to 5 s)
  // until it names the window active.
  bool Activate(Window window);
  // The window's position in root coordinates and the frame extents the
  // window manager announced for it (left, right, top, bottom).
  bool FrameGeometry(Window window, int* rootX, int* rootY, long extents[4]);
  void Sync();

 private:
  Display* display_;
};
