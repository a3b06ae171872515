#include "bench/ServerProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

bool ListensOn(int port) {
  std::ifstream table("/proc/net/tcp");
  std::string line;
  std::getline(table, line);  // the column names
  char wanted[8];
  std::snprintf(wanted, sizeof wanted, ":%04X", port);
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string slot, local, remote, state;
    fields >> slot >> local >> remote >> state;
    if (state == "0A" && local.size() > 5 && local.substr(local.size() - 5) == wanted) return true;
  }
  return false;
}

std::string FileText(const std::string& path) {
  std::ifstream file(path);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace

TServerProcess::~TServerProcess() {
  if (FPid > 0) {
    ::kill(FPid, SIGKILL);
    ::waitpid(FPid, nullptr, 0);
  }
  if (!FFolder.empty()) std::filesystem::remove_all(FFolder);
}

bool TServerProcess::Start(const std::string& program, int port) {
  char folder[] = "/tmp/scrivlo-server-bench-XXXXXX";
  if (::mkdtemp(folder) == nullptr) return false;
  FFolder = folder;
  const std::string out = FFolder + "/out", err = FFolder + "/err";
  FPid = ::fork();
  if (FPid == 0) {
    ::setenv("XDG_CONFIG_HOME", folder, 1);
    const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(o, 1);
    ::dup2(e, 2);
    ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  for (auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
       std::chrono::steady_clock::now() < deadline;) {
    if (ListensOn(port)) return true;
    if (::waitpid(FPid, nullptr, WNOHANG) == FPid) {
      FPid = -1;
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

int TServerProcess::Stop() {
  if (FPid <= 0) return -1;
  ::kill(FPid, SIGTERM);
  int status = 0;
  for (int i = 0; i < 300; ++i) {
    if (::waitpid(FPid, &status, WNOHANG) == FPid) {
      FPid = -1;
      return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return -1;  // the destructor kills it
}

int TServerProcess::CaptureLines() const {
  const std::string text = FileText(FFolder + "/out");
  int lines = 0;
  for (char c : text)
    lines += c == '\n';
  return lines;
}

std::string TServerProcess::Errors() const {
  return FileText(FFolder + "/err");
}
