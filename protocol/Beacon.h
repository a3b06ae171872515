#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The 12-byte datagram by which clients find the server: type 1, length 4,
// then "wqt" and a zero byte.
constexpr size_t kBeaconSize = 12;
using TBeacon = std::array<uint8_t, kBeaconSize>;

TBeacon BuildBeacon();

// True when `bytes` is exactly a beacon.
bool IsBeacon(const uint8_t* bytes, size_t count);
