#pragma once

#include <cstddef>

// Counts heap blocks of at least kLargeBlockBytes that are alive, and the
// most alive at once since the last ResetPeak(). Linking LargeBlockTracker.cpp
// replaces malloc and friends for the whole program (single-threaded use).
namespace large_blocks {

constexpr size_t kLargeBlockBytes = 1u << 20;

int Alive();
int Peak();
void ResetPeak();

}  // namespace large_blocks
