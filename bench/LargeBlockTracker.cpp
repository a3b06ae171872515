#include "bench/LargeBlockTracker.h"

#include <cstdlib>

// glibc's own allocator, under the names it exports for replacements.
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
void __libc_free(void* block);
}

namespace {

constexpr int kSlots = 256;
void* gBlocks[kSlots];
int gAlive = 0;
int gPeak = 0;

void Track(void* block, size_t size) {
  if (block == nullptr || size < large_blocks::kLargeBlockBytes) return;
  for (void*& slot : gBlocks) {
    if (slot == nullptr) {
      slot = block;
      if (++gAlive > gPeak) gPeak = gAlive;
      return;
    }
  }
}

void Untrack(void* block) {
  if (block == nullptr) return;
  for (void*& slot : gBlocks) {
    if (slot == block) {
      slot = nullptr;
      --gAlive;
      return;
    }
  }
}

}  // namespace

extern "C" {

void* malloc(size_t size) {
  void* block = __libc_malloc(size);
  Track(block, size);
  return block;
}

void* calloc(size_t count, size_t size) {
  void* block = __libc_calloc(count, size);
  Track(block, count * size);
  return block;
}

void* realloc(void* block, size_t size) {
  void* moved = __libc_realloc(block, size);
  if (moved != nullptr || size == 0) {
    Untrack(block);
    Track(moved, size);
  }
  return moved;
}

void free(void* block) {
  Untrack(block);
  __libc_free(block);
}

}  // extern "C"

namespace large_blocks {

int Alive() {
  return gAlive;
}
int Peak() {
  return gPeak;
}
void ResetPeak() {
  gPeak = gAlive;
}

}  // namespace large_blocks
