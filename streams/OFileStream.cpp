#include "streams/OFileStream.h"

#include <ios>

TOFileStream::TOFileStream(const TSimpleString& fileName)
    : std::ofstream(fileName.CStr(), std::ios::out | std::ios::binary | std::ios::trunc) {}

bool TOFileStream::Failed() {
  return fail();
}  // fail() covers both failbit and badbit

int32_t TOFileStream::GetPosition() {
  if (Failed()) return kFailedPosition;
  return static_cast<int32_t>(tellp());
}

void TOFileStream::SetPosition(int32_t position) {
  if (Failed()) return;
  seekp(position, std::ios::beg);  // a refused seek sets failbit
}

int32_t TOFileStream::Write(const void* bytes, int32_t count) {
  if (count < 0) return 0;
  WriteBlock(bytes, static_cast<uint32_t>(count));
  return count;
}

void TOFileStream::WriteBlock(const void* bytes, uint32_t count) {
  write(static_cast<const char*>(bytes), static_cast<std::streamsize>(count));
}

void TOFileStream::PutChar(const char& c) {
  put(c);
}
