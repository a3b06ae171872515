#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <random>
#include <string>

// The band at the top of the soak's screen, an unmanaged window the soak
// repaints now and then so that the screen changes. Each scene is drawn on
// a pixmap and copied to the window in one request, so that a capture sees
// the band before or after a change, never halfway.
class TSceneBand {
 public:
  TSceneBand(const std::string& display, int width, int rows);
  ~TSceneBand();
  TSceneBand(const TSceneBand&) = delete;
  TSceneBand& operator=(const TSceneBand&) = delete;

  bool Ok() const { return FDisplay != nullptr; }
  // Paints a new scene of random rectangles; returns the hash of the band's
  // pixels as the X server holds them afterwards (see HashRgbRows).
  uint64_t Paint(std::mt19937& random);

 private:
  uint64_t ReadBack();

  Display* FDisplay = nullptr;
  Window FWindow = 0;
  Pixmap FPixmap = 0;
  GC FGc = nullptr;
  int FWidth, FRows;
};

// Waits until a window manager runs on `display` (it has announced itself
// on the root window), for up to `seconds`.
bool WaitForWindowManager(const std::string& display, double seconds);
