#pragma once

#include <cstdint>
#include <fstream>

#include "streams/OStreamBase.h"
#include "streams/SimpleString.h"

// Output into a file, through the standard narrow output file stream.
//
// The file is opened for binary writing, created or truncated. Every failure
// (a file that cannot be opened, a short write, a failed seek) shows only in
// Failed(); once failed, further output is ignored.
class TOFileStream : public TOStreamBase, public std::ofstream {
 public:
  explicit TOFileStream(const TSimpleString& fileName);
  // Flushes and closes the file (std::ofstream's destructor).
  ~TOFileStream() override = default;

  bool Failed() override;
  int32_t GetPosition() override;
  void SetPosition(int32_t position) override;
  int32_t Write(const void* bytes, int32_t count) override;
  void WriteBlock(const void* bytes, uint32_t count) override;
  void PutChar(const char& c) override;
};
