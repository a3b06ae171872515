#pragma once

#include <cstdint>

// An owned copy of a NUL-terminated 8-bit text, used for file names.
// Texts longer than `kMaxLength` characters are not kept: the string then holds
// the empty text, as it does for an empty or missing one.
class TSimpleString {
 public:
  static constexpr int32_t kMaxLength = 10000;

  explicit TSimpleString(const char* text);
  ~TSimpleString();

  TSimpleString(const TSimpleString&) = delete;
  TSimpleString& operator=(const TSimpleString&) = delete;

  const char* CStr() const { return FBuffer; }
  // Bytes in the buffer including the terminating zero (1 for the empty text).
  int32_t GetLength() const { return FLength; }

 private:
  char* FBuffer;
  int32_t FLength;
};
