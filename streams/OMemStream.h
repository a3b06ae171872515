#pragma once

#include <cstdint>

#include "streams/OStreamBase.h"
#include "streams/SimpleByteArray.h"

// Output into a growable byte array that the stream owns.
//
// The stream keeps no separate length: its size is its position. A caller
// that moves the position back into written bytes moves it to the end again
// before it asks for the size. Growth is exact (no doubling): the creator's
// initial capacity is its estimate of the final size.
class TOMemStream : public TOStreamBase {
 public:
  // Allocates `initialCapacity` bytes up front. Throws std::bad_alloc.
  explicit TOMemStream(uint32_t initialCapacity);
  ~TOMemStream() override = default;

  uint32_t GetSize() const { return FPosition; }
  // Valid until the next write that grows the array, or destruction.
  uint8_t* GetBuffer() const { return FArray.GetData(); }
  // Bytes allocated, written or not.
  uint32_t GetCapacity() const { return FArray.GetSize(); }

  bool Failed() override { return false; }
  int32_t GetPosition() override { return static_cast<int32_t>(FPosition); }
  // Unchecked: callers only move to offsets they have already written.
  void SetPosition(int32_t position) override { FPosition = static_cast<uint32_t>(position); }
  int32_t Write(const void* bytes, int32_t count) override;
  // Throws std::bad_alloc, leaving array and position unchanged, when the
  // array cannot grow.
  void WriteBlock(const void* bytes, uint32_t count) override;
  void PutChar(const char& c) override;

 private:
  TSimpleByteArray FArray;
  uint32_t FPosition = 0;
};
