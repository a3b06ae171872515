#include "streams/OMemStream.h"

#include <cstdint>
#include <cstring>
#include <new>

TOMemStream::TOMemStream(uint32_t initialCapacity) : FArray(initialCapacity) {}

int32_t TOMemStream::Write(const void* bytes, int32_t count) {
  if (count < 0) return 0;
  WriteBlock(bytes, static_cast<uint32_t>(count));
  return count;
}

void TOMemStream::WriteBlock(const void* bytes, uint32_t count) {
  if (count == 0) return;
  if (count > UINT32_MAX - FPosition) throw std::bad_alloc();  // past 4 GiB
  // Grow to exactly position + count. Written this way rather than from the
  // free room so that a position moved past the end cannot write out of bounds.
  const uint32_t end = FPosition + count;
  if (end > FArray.GetSize()) FArray.SetSize(end);
  std::memcpy(FArray.GetData() + FPosition, bytes, count);
  FPosition += count;
}

void TOMemStream::PutChar(const char& c) {
  if (FPosition == UINT32_MAX) throw std::bad_alloc();
  if (FPosition >= FArray.GetSize()) FArray.SetSize(FPosition + 1);
  FArray.GetData()[FPosition] = static_cast<uint8_t>(c);
  ++FPosition;
}
