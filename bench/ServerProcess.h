#pragma once

#include <sys/types.h>

#include <string>

// The real scrivlo-server, started for the benchmark with its settings in a
// scratch folder (so it listens on 40000 and broadcasts its beacon there)
// and its output in files beside them.
class TServerProcess {
 public:
  TServerProcess() = default;
  ~TServerProcess();  // kills it if it still runs, and removes the folder
  TServerProcess(const TServerProcess&) = delete;
  TServerProcess& operator=(const TServerProcess&) = delete;

  // Starts `program` and waits up to 20 s until it listens on `port`
  // (as /proc/net/tcp says: asking by connecting would make it capture).
  bool Start(const std::string& program, int port);
  // SIGTERM, as a user's shutdown; the exit status, or -1 when it had to be
  // killed.
  int Stop();
  // The lines it printed, one per capture.
  int CaptureLines() const;
  std::string Errors() const;
  pid_t Pid() const { return FPid; }

 private:
  pid_t FPid = -1;
  std::string FFolder;
};
