#pragma once

#include <X11/Xlib.h>

#include <string>

// The benchmark's own clock on the screen: a window of its own, laid over the
// demo desktop's ticking xclock, whose hand moves one step each time Tick is
// called and at no other time. The screen then changes exactly when the
// benchmark wants it to: a clock that ticked by itself would turn captures
// meant to be unchanged into fresh encodes at random.
class TClockFace {
 public:
  TClockFace() = default;
  ~TClockFace();
  TClockFace(const TClockFace&) = delete;
  TClockFace& operator=(const TClockFace&) = delete;

  // Opens $DISPLAY and shows the face over the window of class "XClock", or
  // at the screen's top right corner when there is none. False (and a
  // reason in Error()) when the display cannot be opened.
  bool Show();
  // Moves the hand one step and waits until the X server has drawn it.
  void Tick();
  const std::string& Error() const { return FError; }

 private:
  void Draw();

  Display* FDisplay = nullptr;
  Window FWindow = 0;
  Pixmap FPixmap = 0;
  GC FGc = nullptr;
  int FSize = 0;
  int FStep = 0;
  std::string FError;
};
