#pragma once

// What every harness shares: reading its input as a stream of small fields,
// and checks that stop the run with a message when a property fails (the
// fuzzer then keeps the input as a crash; the replay fails its test).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#define FUZZ_CHECK(condition, ...)                                                       \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s: ", __FILE__, __LINE__, #condition); \
      std::fprintf(stderr, __VA_ARGS__);                                                 \
      std::fputc('\n', stderr);                                                          \
      std::abort();                                                                      \
    }                                                                                    \
  } while (false)

// The input as fields taken from its front; past the end every field is 0
// and every byte string empty, so that any input is a whole script.
class TFuzzInput {
 public:
  TFuzzInput(const uint8_t* data, size_t size) : FData(data), FSize(size) {}

  bool Empty() const { return FOffset >= FSize; }
  size_t Remaining() const { return FSize - FOffset; }

  uint8_t Byte() { return Empty() ? 0 : FData[FOffset++]; }
  uint16_t Word() { return static_cast<uint16_t>(Byte() | Byte() << 8); }
  uint32_t Dword() { return Word() | static_cast<uint32_t>(Word()) << 16; }
  // A value from 0 to `limit` inclusive.
  uint32_t Below(uint32_t limit) { return limit == 0 ? 0 : Dword() % (limit + 1); }

  // Up to `count` bytes.
  std::string_view Take(size_t count) {
    count = std::min(count, Remaining());
    const std::string_view bytes(reinterpret_cast<const char*>(FData + FOffset), count);
    FOffset += count;
    return bytes;
  }
  std::string_view Rest() { return Take(Remaining()); }

 private:
  const uint8_t* FData;
  size_t FSize;
  size_t FOffset = 0;
};

// `length` bytes that repeat `pattern` (zero bytes when it is empty), so that
// a few input bytes can stand for a large block.
inline std::string Repeated(std::string_view pattern, size_t length) {
  std::string bytes(length, '\0');
  if (!pattern.empty()) {
    for (size_t i = 0; i < length; ++i)
      bytes[i] = pattern[i % pattern.size()];
  }
  return bytes;
}
