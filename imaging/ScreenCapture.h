#pragma once

#include <cstdint>
#include <memory>

#include "platform/gdi/Gdi.h"

// A rectangle of the screen, in screen coordinates.
struct TCaptureRect {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
};

// width x height 32-bit pixels, rows top-down and packed; each pixel's bytes
// are blue, green, red and one that means nothing. The caller owns it.
using TPixelBuffer = std::unique_ptr<uint32_t[]>;

// The whole virtual screen from (0, 0), or the foreground window's outer
// rectangle. With no foreground window, or one whose rectangle cannot be
// read (empty, or more than four times the screen's area), the whole screen.
TCaptureRect SelectCaptureRect(bool currentWindow);

// The pixels of the rectangle, or nullptr when they could not be read (no
// display, an empty rectangle, no memory). Parts of the rectangle beyond the
// screen are black.
TPixelBuffer GrabScreenPixels(int32_t x, int32_t y, int32_t width, int32_t height);

// Reads the bitmap selected into `memoryDc` as 32-bit top-down pixels.
TPixelBuffer ExtractDibPixels(HDC memoryDc, HBITMAP bitmap, int32_t width, int32_t height);
