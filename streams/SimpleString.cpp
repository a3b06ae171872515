#include "streams/SimpleString.h"

#include <cstring>

TSimpleString::TSimpleString(const char* text) : FBuffer(nullptr), FLength(1) {
  // Count up to the terminating zero, but stop as soon as the text is known
  // to be too long, so that an unterminated block is never read far.
  int32_t count = 0;
  if (text != nullptr) {
    while (text[count] != '\0' && count <= kMaxLength)
      ++count;
  }
  if (count == 0 || count > kMaxLength) {
    FBuffer = new char[1]{'\0'};
    return;
  }
  FBuffer = new char[count + 1];
  std::memcpy(FBuffer, text, count);
  FBuffer[count] = '\0';
  FLength = count + 1;
}

TSimpleString::~TSimpleString() {
  delete[] FBuffer;
}
