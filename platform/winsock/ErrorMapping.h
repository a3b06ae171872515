#pragma once

namespace winsock::detail {

// The Winsock error code for a POSIX errno value.
int WinsockErrorFromErrno(int posixErrno);

}  // namespace winsock::detail
