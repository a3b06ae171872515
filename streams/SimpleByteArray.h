#pragma once

#include <cstdint>

// A heap block of bytes with its size: the storage behind the memory stream.
// The size is what is allocated and usable, not what has been written.
class TSimpleByteArray {
 public:
  // Allocates `size` bytes (contents undefined). Throws std::bad_alloc.
  explicit TSimpleByteArray(uint32_t size);
  ~TSimpleByteArray();

  TSimpleByteArray(const TSimpleByteArray&) = delete;
  TSimpleByteArray& operator=(const TSimpleByteArray&) = delete;

  uint32_t GetSize() const { return FSize; }
  uint8_t* GetData() const { return FData; }

  // Reallocates to `newSize`, keeping the first min(old, new) bytes; the block
  // may move. On failure throws std::bad_alloc and leaves the block as it was.
  void SetSize(uint32_t newSize);

 private:
  uint32_t FSize;
  uint8_t* FData;
};
