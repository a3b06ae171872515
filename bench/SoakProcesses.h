#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <vector>

// The programs the soak runs (the X server, the window manager, the image
// server, xdotool) and what /proc tells about the image server.

// A private Xvfb of the given size; its display name ("":N") is returned in
// `display`. Returns the process id, or -1.
pid_t StartXvfb(int width, int height, std::string* display);

// Starts `argv` with `extraEnvironment` ("NAME=value") added; its standard
// output goes to `outFd` when given (else it is thrown away), its standard
// error to `errPath` when given.
pid_t Spawn(const std::vector<std::string>& argv,
            const std::vector<std::string>& extraEnvironment = {}, int outFd = -1,
            const std::string& errPath = std::string());

// Ends `pid` with `signal` and waits up to `seconds` for it; SIGKILL after.
// Returns the exit status, or -1 when it did not exit by itself.
int StopProcess(pid_t pid, int signal, double seconds);

// Whether the child `pid` has ended; its exit status in `status` then.
bool Ended(pid_t pid, int* status);

struct TProcessFigures {
  int descriptors = 0;
  int sockets = 0;  // of the descriptors, those that are sockets
  long rssKiB = 0;
  double cpuSeconds = 0;  // user + system
  int tcpSockets = 0;     // of the process's descriptors, those in /proc/net/tcp
  int connections = 0;    // of those, not listening
  long queuedBytes = 0;   // the kernel's send and receive queues of those sockets
};

TProcessFigures ReadProcessFigures(pid_t pid);

// What the process's descriptors point at, one "fd -> target" line each.
std::string DescribeDescriptors(pid_t pid);

// Whether a TCP socket listens on `port` (any address) in this namespace.
bool ListeningOn(int port);
