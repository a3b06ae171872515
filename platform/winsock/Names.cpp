// Host names and dotted addresses of the Winsock layer.

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/winsock/PosixSockets.h"
#include "platform/winsock/SocketTable.h"
#include "platform/winsock/Winsock.h"

namespace winsock {

namespace {

// gethostbyname's answer lives here until the next call, as Winsock's does.
struct HostEntryStorage {
  std::string name;
  std::vector<uint32_t> addresses;
  std::vector<char*> addressList;
  char* aliases[1] = {nullptr};
  hostent entry{};
};
HostEntryStorage gHostEntry;

char gDottedText[16];

// One decimal part of a dotted address: 1 to 3 digits, at most 255.
bool ReadPart(const char*& text, unsigned* part) {
  unsigned value = 0;
  int digits = 0;
  while (*text >= '0' && *text <= '9') {
    value = value * 10 + static_cast<unsigned>(*text - '0');
    ++text;
    if (++digits > 3) return false;
  }
  *part = value;
  return digits > 0 && value <= 255;
}

}  // namespace

int gethostname(char* name, int length) {
  if (!detail::Started()) return detail::Fail(WSANOTINITIALISED);
  if (name == nullptr || length <= 0) return detail::Fail(WSAEFAULT);
  char buffer[256] = {};
  if (posix_socket::HostName(buffer, sizeof buffer - 1) != 0) return detail::Fail(WSAEFAULT);
  if (std::strlen(buffer) + 1 > static_cast<size_t>(length)) return detail::Fail(WSAEFAULT);
  std::strcpy(name, buffer);
  return 0;
}

hostent* gethostbyname(const char* name) {
  if (!detail::Started()) return detail::Fail(WSANOTINITIALISED), nullptr;
  // No name, or an empty one, asks for the local host under its own name.
  char localName[256] = {};
  const bool local = name == nullptr || *name == '\0';
  if (local) {
    if (posix_socket::HostName(localName, sizeof localName - 1) != 0) {
      return detail::Fail(WSANO_RECOVERY), nullptr;
    }
    name = localName;
  }
  std::vector<uint32_t> found;
  posix_socket::Lookup lookup = posix_socket::ResolveIPv4(name, &found);
  if (local && lookup != posix_socket::Lookup::Found) {
    // The local host always has an entry, even where no name service knows
    // its name (or none answers): its loopback address then.
    found.assign(1, htonl(INADDR_LOOPBACK));
    lookup = posix_socket::Lookup::Found;
  }
  switch (lookup) {
    case posix_socket::Lookup::Found:
      break;
    case posix_socket::Lookup::TryAgain:
      return detail::Fail(WSATRY_AGAIN), nullptr;
    case posix_socket::Lookup::NoRecovery:
      return detail::Fail(WSANO_RECOVERY), nullptr;
    case posix_socket::Lookup::NoData:
      return detail::Fail(WSANO_DATA), nullptr;
    case posix_socket::Lookup::NotFound:
      return detail::Fail(WSAHOST_NOT_FOUND), nullptr;
  }
  HostEntryStorage& storage = gHostEntry;
  storage.name = name;
  storage.addresses.assign(found.begin(), found.end());
  storage.addressList.clear();
  for (uint32_t& address : storage.addresses) {
    storage.addressList.push_back(reinterpret_cast<char*>(&address));
  }
  storage.addressList.push_back(nullptr);
  storage.entry.h_name = storage.name.data();
  storage.entry.h_aliases = storage.aliases;
  storage.entry.h_addrtype = AF_INET;
  storage.entry.h_length = 4;
  storage.entry.h_addr_list = storage.addressList.data();
  return &storage.entry;
}

u_long inet_addr(const char* text) {
  // Only the dotted decimal form a.b.c.d, each part 0 to 255.
  if (text == nullptr) return detail::Fail(WSAEFAULT), INADDR_NONE;
  unsigned parts[4];
  for (int i = 0; i < 4; ++i) {
    if (!ReadPart(text, &parts[i])) return INADDR_NONE;
    if (i < 3 && *text++ != '.') return INADDR_NONE;
  }
  if (*text != '\0') return INADDR_NONE;
  return htonl(parts[0] << 24 | parts[1] << 16 | parts[2] << 8 | parts[3]);
}

char* inet_ntoa(in_addr address) {
  const uint32_t value = static_cast<uint32_t>(ntohl(address.s_addr));
  std::snprintf(gDottedText, sizeof gDottedText, "%u.%u.%u.%u", (value >> 24) & 0xFF,
                (value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
  return gDottedText;
}

}  // namespace winsock
