#include "framework/Streams.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "framework/Exceptions.h"

int64_t TStream::Size() {
  const int64_t position = Seek(0, soFromCurrent);
  const int64_t size = Seek(0, soFromEnd);
  Seek(position, soFromBeginning);
  return size;
}

void TStream::ReadBuffer(void* buffer, int32_t count) {
  if (count != 0 && Read(buffer, count) != count) throw Exception("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int32_t count) {
  if (count != 0 && Write(buffer, count) != count) throw Exception("Stream write error");
}

TMemoryStream::~TMemoryStream() {
  std::free(FMemory);
}

int32_t TMemoryStream::Read(void* buffer, int32_t count) {
  if (count <= 0 || FPosition >= FSize) return 0;
  const int64_t available = std::min<int64_t>(count, FSize - FPosition);
  std::memcpy(buffer, FMemory + FPosition, static_cast<size_t>(available));
  FPosition += available;
  return static_cast<int32_t>(available);
}

int32_t TMemoryStream::Write(const void* buffer, int32_t count) {
  if (count <= 0) return 0;
  const int64_t end = FPosition + count;
  if (end > FCapacity) Grow(end);
  std::memcpy(FMemory + FPosition, buffer, static_cast<size_t>(count));
  FPosition = end;
  FSize = std::max(FSize, end);
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, int origin) {
  switch (origin) {
    case soFromBeginning:
      FPosition = offset;
      break;
    case soFromCurrent:
      FPosition += offset;
      break;
    case soFromEnd:
      FPosition = FSize + offset;
      break;
    default:
      break;
  }
  if (FPosition < 0) FPosition = 0;
  return FPosition;
}

void TMemoryStream::SetSize(int64_t size) {
  if (size < 0) size = 0;
  if (size > FCapacity) Grow(size);
  FSize = size;
  if (FPosition > size) FPosition = size;
}

void TMemoryStream::Clear() {
  std::free(FMemory);
  FMemory = nullptr;
  FSize = FPosition = FCapacity = 0;
}

void TMemoryStream::Grow(int64_t capacity) {
  // Round up to 8 KiB, and at least double small streams, so that many small
  // writes do not reallocate every time.
  int64_t wanted = std::max(capacity, FCapacity + FCapacity / 2);
  wanted = (wanted + 0x1FFF) & ~int64_t{0x1FFF};
  auto* grown = static_cast<uint8_t*>(std::realloc(FMemory, static_cast<size_t>(wanted)));
  if (grown == nullptr) throw std::bad_alloc();
  FMemory = grown;
  FCapacity = wanted;
}
