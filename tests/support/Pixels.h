#pragma once

#include <QImage>
#include <cstdint>

// The colour at (x, y) as 0xRRGGBB, for comparing painted pixels.
inline uint32_t RgbAt(const QImage& image, int x, int y) {
  return image.pixel(x, y) & 0xFFFFFF;
}

// The colour of a COLORREF (0x00BBGGRR) as 0xRRGGBB.
inline uint32_t RgbOf(uint32_t colorRef) {
  return ((colorRef & 0xFF) << 16) | (colorRef & 0xFF00) | ((colorRef >> 16) & 0xFF);
}
