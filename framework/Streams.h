#pragma once

#include <cstdint>

#include "framework/Object.h"

// Seek origins.
enum : int { soFromBeginning = 0, soFromCurrent = 1, soFromEnd = 2 };

// A readable, writable, seekable byte stream.
class TStream : public TObject {
 public:
  // Move up to `count` bytes; return how many moved.
  virtual int32_t Read(void* buffer, int32_t count) = 0;
  virtual int32_t Write(const void* buffer, int32_t count) = 0;
  // Returns the new position.
  virtual int64_t Seek(int64_t offset, int origin) = 0;

  int64_t Position() { return Seek(0, soFromCurrent); }
  void SetPosition(int64_t position) { Seek(position, soFromBeginning); }
  virtual int64_t Size();
  virtual void SetSize(int64_t size) = 0;

  // Whole-buffer forms: throw Exception when fewer bytes move.
  void ReadBuffer(void* buffer, int32_t count);
  void WriteBuffer(const void* buffer, int32_t count);
};

// A stream in one growable heap block.
class TMemoryStream : public TStream {
 public:
  ~TMemoryStream() override;

  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;
  int64_t Seek(int64_t offset, int origin) override;
  int64_t Size() override { return FSize; }
  void SetSize(int64_t size) override;
  void Clear();

  // The stream's bytes: valid until the next write that grows it.
  void* Memory() const { return FMemory; }

 private:
  void Grow(int64_t capacity);
  uint8_t* FMemory = nullptr;
  int64_t FSize = 0;
  int64_t FPosition = 0;
  int64_t FCapacity = 0;
};
