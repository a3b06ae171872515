#include "protocol/MessageFrame.h"

void PutLittleEndian32(uint8_t* bytes, int32_t value) {
  const auto bits = static_cast<uint32_t>(value);
  bytes[0] = static_cast<uint8_t>(bits);
  bytes[1] = static_cast<uint8_t>(bits >> 8);
  bytes[2] = static_cast<uint8_t>(bits >> 16);
  bytes[3] = static_cast<uint8_t>(bits >> 24);
}

int32_t GetLittleEndian32(const uint8_t* bytes) {
  return static_cast<int32_t>(
      static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
      static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24);
}

bool ReadFrameHeader(const uint8_t* bytes, size_t count, TFrameHeader* header) {
  if (bytes == nullptr || count < kFrameHeaderSize) return false;
  header->type = GetLittleEndian32(bytes);
  header->length = GetLittleEndian32(bytes + 4);
  return header->length >= 0;
}
