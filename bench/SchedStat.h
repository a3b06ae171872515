#pragma once

#include <sys/types.h>

// How long a thread has run on a CPU, and how long it has waited for one,
// as the kernel counts them (/proc/PID/schedstat, which for a process is its
// main thread: the thread the server captures, encodes and sends on). On a
// shared machine, time on the CPU says what the work costs; the wait says
// what the other users of the machine added to the wall time.
struct TSchedStat {
  double runMs = 0;
  double waitMs = 0;
};

// 0 is this process. Zeros when the kernel does not say.
TSchedStat ReadSchedStat(pid_t pid = 0);

inline TSchedStat operator-(const TSchedStat& a, const TSchedStat& b) {
  return {a.runMs - b.runMs, a.waitMs - b.waitMs};
}
