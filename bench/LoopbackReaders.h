#pragma once

#include <sys/types.h>

#include <cstdint>

// A child process that connects `count` sockets to 127.0.0.1:`port` and
// reads from all of them as fast as it can until each has received
// `bytesEach`, then reports on a pipe and exits. The benchmark's clients live
// in a process of their own so that the server's thread does nothing else.
struct LoopbackReaders {
  pid_t pid = -1;
  int doneFd = -1;  // readable once every socket has its bytes
};

LoopbackReaders StartLoopbackReaders(uint16_t port, int count, int64_t bytesEach);
// True once the readers said they are done; waits at most `milliseconds`.
bool ReadersDone(const LoopbackReaders& readers, int milliseconds);
void StopLoopbackReaders(LoopbackReaders* readers);
