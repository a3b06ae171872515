#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A PNG read back with libpng's read side, for checking what we wrote.
struct TDecodedPng {
  bool ok = false;
  std::string error;
  uint32_t width = 0;
  uint32_t height = 0;
  int bitDepth = 0;
  int colorType = 0;
  int interlace = 0;
  std::vector<uint8_t> rgba;        // width * height * 4, as stored
  std::vector<std::string> chunks;  // chunk types in file order
};

TDecodedPng DecodePng(const uint8_t* bytes, size_t count);
TDecodedPng DecodePngFile(const std::string& path);

// Checks `png` holds exactly `bgrx` (screen pixels), the fourth byte ignored
// and alpha 255. Returns an empty string when equal, else the first difference.
std::string CompareWithScreenPixels(const TDecodedPng& png, const uint32_t* bgrx);
