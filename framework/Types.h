#pragma once

// The framework's small value types: text, points, sizes, rectangles.

#include <string>

#include "platform/WindowsTypes.h"

// Captions and texts of controls are UTF-16, as on the platform; 8-bit text
// (settings, host names) stays std::string. SysUtils.h converts.
using String = std::u16string;
using WideChar = char16_t;

struct TPoint {
  int x = 0;
  int y = 0;
  bool operator==(const TPoint&) const = default;
};

struct TSize {
  int cx = 0;
  int cy = 0;
  bool operator==(const TSize&) const = default;
};

// Right and bottom lie just outside the rectangle, as on the platform.
struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;

  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool Contains(const TPoint& p) const {
    return p.x >= Left && p.x < Right && p.y >= Top && p.y < Bottom;
  }
  RECT ToRECT() const { return RECT{Left, Top, Right, Bottom}; }
  static TRect FromRECT(const RECT& r) { return TRect{r.left, r.top, r.right, r.bottom}; }
  bool operator==(const TRect&) const = default;
};

inline TPoint Point(int x, int y) {
  return TPoint{x, y};
}
inline TRect Rect(int left, int top, int right, int bottom) {
  return TRect{left, top, right, bottom};
}
inline TRect Bounds(int left, int top, int width, int height) {
  return TRect{left, top, left + width, top + height};
}
