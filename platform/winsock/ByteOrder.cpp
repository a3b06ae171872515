// Kept apart from the C library's network headers, whose byte-order
// functions may be macros of the same names.

#include <bit>

#include "platform/winsock/Winsock.h"

namespace winsock {

u_short htons(u_short value) {
  if constexpr (std::endian::native == std::endian::big) return value;
  return static_cast<u_short>(__builtin_bswap16(value));
}
u_short ntohs(u_short value) {
  return htons(value);
}

u_long htonl(u_long value) {
  if constexpr (std::endian::native == std::endian::big) return value & 0xFFFFFFFFu;
  return __builtin_bswap32(static_cast<uint32_t>(value));
}
u_long ntohl(u_long value) {
  return htonl(value);
}

}  // namespace winsock
