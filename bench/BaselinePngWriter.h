#pragma once

#include <cstdint>
#include <vector>

// The straightforward way to write a PNG with libpng: RGBA rows already in
// memory, png_write_image, zlib level 9, default filters. The benchmarks'
// yardstick for the encoder.
std::vector<uint8_t> WriteBaselinePng(const std::vector<uint8_t>& rgba, int width, int height);
