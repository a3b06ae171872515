#include "tests/support/FailingAccept.h"

#include <dlfcn.h>
#include <sys/socket.h>

#include <cerrno>

namespace {
bool gFailing = false;
}

void SetAcceptRunsOutOfBuffers(bool failing) {
  gFailing = failing;
}

// Defined in the program, this comes before the C library's.
extern "C" int accept4(int fd, sockaddr* address, socklen_t* length, int flags) {
  if (gFailing) {
    errno = ENOBUFS;
    return -1;
  }
  using Accept4 = int (*)(int, sockaddr*, socklen_t*, int);
  static const auto real = reinterpret_cast<Accept4>(dlsym(RTLD_NEXT, "accept4"));
  return real(fd, address, length, flags);
}
