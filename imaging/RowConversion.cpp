#include <bit>
#include <cstddef>
#include <cstring>

#include "imaging/PixelsToPng.h"

// Runs for every pixel of every capture: this file is built with the loop
// vectorizer on (see CMakeLists.txt).
void ConvertBgrxRowToRgba(const uint32_t* bgrx, uint8_t* rgba, int32_t width) {
  // Red = bits 16-23, green = bits 8-15, blue = bits 0-7 of each value; the
  // output bytes are red, green, blue, 255.
  if constexpr (std::endian::native == std::endian::little) {
    // One word per pixel, which the compiler turns into vector shuffles.
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t value = bgrx[x];
      const uint32_t word =
          0xFF000000u | (value & 0xFFu) << 16 | (value & 0xFF00u) | ((value >> 16) & 0xFFu);
      std::memcpy(rgba + 4 * static_cast<size_t>(x), &word, 4);
    }
  } else {
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t value = bgrx[x];
      rgba[4 * x + 0] = static_cast<uint8_t>(value >> 16);
      rgba[4 * x + 1] = static_cast<uint8_t>(value >> 8);
      rgba[4 * x + 2] = static_cast<uint8_t>(value);
      rgba[4 * x + 3] = 0xFF;
    }
  }
}
