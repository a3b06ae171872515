#include "protocol/Beacon.h"

#include <cstring>

#include "protocol/MessageFrame.h"

namespace {
constexpr uint8_t kBeaconPayload[4] = {'w', 'q', 't', 0};
}

TBeacon BuildBeacon() {
  TBeacon beacon{};
  PutLittleEndian32(beacon.data(), kBeaconMessageType);
  PutLittleEndian32(beacon.data() + 4, sizeof kBeaconPayload);
  std::memcpy(beacon.data() + kFrameHeaderSize, kBeaconPayload, sizeof kBeaconPayload);
  return beacon;
}

bool IsBeacon(const uint8_t* bytes, size_t count) {
  if (bytes == nullptr || count != kBeaconSize) return false;
  const TBeacon expected = BuildBeacon();
  return std::memcmp(bytes, expected.data(), kBeaconSize) == 0;
}
