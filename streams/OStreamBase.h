#pragma once

#include <cstdint>

// Root of the stream classes: a virtual destructor and nothing else.
class TSimpleStreamBase {
 public:
  virtual ~TSimpleStreamBase() = default;
};

// An output stream. The PNG writer sends every byte through this interface
// without knowing where the bytes go. The order of the operations is the
// order of the virtual table and is kept on purpose.
class TOStreamBase : public TSimpleStreamBase {
 public:
  // The position a failed file stream reports: all bits set.
  static constexpr int32_t kFailedPosition = -1;

  virtual bool Failed() = 0;
  virtual int32_t GetPosition() = 0;
  virtual void SetPosition(int32_t position) = 0;
  // Writes `count` bytes and returns `count`, whether or not they arrived;
  // failure shows in Failed(). A negative count writes nothing and returns 0.
  virtual int32_t Write(const void* bytes, int32_t count) = 0;
  virtual void WriteBlock(const void* bytes, uint32_t count) = 0;
  virtual void PutChar(const char& c) = 0;
};
