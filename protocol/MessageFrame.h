#pragma once

#include <cstddef>
#include <cstdint>

// Every message shares one frame: [type: int32][payload length: int32][payload],
// little-endian.
constexpr int32_t kImageMessageType = 0;
constexpr int32_t kBeaconMessageType = 1;
constexpr size_t kFrameHeaderSize = 8;

struct TFrameHeader {
  int32_t type = 0;
  int32_t length = 0;
};

// Stores `value` at `bytes` in little-endian order, whatever the host's order.
void PutLittleEndian32(uint8_t* bytes, int32_t value);
int32_t GetLittleEndian32(const uint8_t* bytes);

// Reads the header at the start of `bytes`; false when fewer than
// kFrameHeaderSize bytes are given or the length is negative.
bool ReadFrameHeader(const uint8_t* bytes, size_t count, TFrameHeader* header);
