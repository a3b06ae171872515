#pragma once

#include <cstdint>
#include <string>
#include <vector>

// An image message's PNG read back into RGBA rows: the pixels the server
// encoded, for the baseline to encode again.
struct TPngPixels {
  bool ok = false;
  int width = 0, height = 0;
  std::vector<uint8_t> rgba;
  std::string error;
};

// `message` is a whole image message, its 8-byte header included.
TPngPixels DecodeImageMessage(const std::string& message);
