#include "bench/SchedStat.h"

#include <fstream>
#include <string>

TSchedStat ReadSchedStat(pid_t pid) {
  std::ifstream file(pid == 0 ? std::string("/proc/self/schedstat")
                              : "/proc/" + std::to_string(pid) + "/schedstat");
  unsigned long long run = 0, wait = 0;
  TSchedStat stat;
  if (file >> run >> wait) {
    stat.runMs = static_cast<double>(run) / 1e6;
    stat.waitMs = static_cast<double>(wait) / 1e6;
  }
  return stat;
}
