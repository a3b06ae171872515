#include "streams/SimpleByteArray.h"

#include <cstdlib>
#include <new>

namespace {

// realloc and malloc may answer null for zero bytes; a one-byte block keeps
// "null means out of memory" unambiguous.
size_t BlockBytes(uint32_t size) {
  return size == 0 ? 1 : size;
}

}  // namespace

TSimpleByteArray::TSimpleByteArray(uint32_t size)
    : FSize(size), FData(static_cast<uint8_t*>(std::malloc(BlockBytes(size)))) {
  if (FData == nullptr) throw std::bad_alloc();
}

TSimpleByteArray::~TSimpleByteArray() {
  std::free(FData);
}

void TSimpleByteArray::SetSize(uint32_t newSize) {
  auto* grown = static_cast<uint8_t*>(std::realloc(FData, BlockBytes(newSize)));
  if (grown == nullptr) throw std::bad_alloc();
  FData = grown;
  FSize = newSize;
}
