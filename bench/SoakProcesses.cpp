#include "bench/SoakProcesses.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

extern char** environ;

pid_t StartXvfb(int width, int height, std::string* display) {
  int fds[2];
  if (pipe(fds) != 0) return -1;
  const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
  const pid_t pid = fork();
  if (pid == 0) {
    const int devNull = open("/dev/null", O_RDWR);
    dup2(devNull, STDOUT_FILENO);
    dup2(devNull, STDERR_FILENO);
    close(fds[0]);
    const std::string fd = std::to_string(fds[1]);
    // The abstract socket only: it stays inside this network namespace.
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten",
           "tcp", "-nolisten", "unix", "-noreset", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  std::string number;
  pollfd ready{fds[0], POLLIN, 0};
  while (poll(&ready, 1, 10000) == 1) {
    char c = 0;
    if (read(fds[0], &c, 1) != 1 || c == '\n') break;
    number += c;
  }
  close(fds[0]);
  if (number.empty()) {
    StopProcess(pid, SIGKILL, 5);
    return -1;
  }
  *display = ":" + number;
  return pid;
}

pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnvironment,
            int outFd, const std::string& errPath) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  const int devNull = open("/dev/null", O_RDWR);
  dup2(devNull, STDIN_FILENO);
  dup2(outFd >= 0 ? outFd : devNull, STDOUT_FILENO);
  const int err =
      errPath.empty() ? devNull : open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  dup2(err, STDERR_FILENO);
  // The soak's sockets and display connection are not the child's.
  for (int fd = 3; fd < 4096; ++fd)
    close(fd);
  for (const std::string& variable : extraEnvironment)
    putenv(const_cast<char*>(variable.c_str()));
  std::vector<char*> args;
  for (const std::string& arg : argv)
    args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  execvp(args[0], args.data());
  _exit(127);
}

bool Ended(pid_t pid, int* status) {
  int raw = 0;
  if (waitpid(pid, &raw, WNOHANG) != pid) return false;
  *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return true;
}

int StopProcess(pid_t pid, int signal, double seconds) {
  if (pid <= 0) return -1;
  kill(pid, signal);
  int status = -1;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (std::chrono::steady_clock::now() < deadline) {
    if (Ended(pid, &status)) return status;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  return -1;
}

namespace {

struct TTcpRow {
  unsigned long inode = 0;
  int state = 0;
  long queued = 0;
  int localPort = 0;
};

std::vector<TTcpRow> TcpTable() {
  std::vector<TTcpRow> rows;
  std::ifstream table("/proc/net/tcp");
  std::string line;
  std::getline(table, line);  // the column names
  while (std::getline(table, line)) {
    unsigned int localPort = 0, state = 0;
    unsigned long tx = 0, rx = 0, inode = 0;
    if (std::sscanf(line.c_str(), " %*u: %*x:%x %*x:%*x %x %lx:%lx %*x:%*x %*x %*u %*u %lu",
                    &localPort, &state, &tx, &rx, &inode) != 5) {
      continue;
    }
    rows.push_back(
        {inode, static_cast<int>(state), static_cast<long>(tx + rx), static_cast<int>(localPort)});
  }
  return rows;
}

}  // namespace

TProcessFigures ReadProcessFigures(pid_t pid) {
  TProcessFigures figures;
  const std::string base = "/proc/" + std::to_string(pid);
  std::set<unsigned long> sockets;
  if (DIR* folder = opendir((base + "/fd").c_str())) {
    while (dirent* entry = readdir(folder)) {
      if (entry->d_name[0] == '.') continue;
      ++figures.descriptors;
      char target[64] = {};
      const std::string link = base + "/fd/" + entry->d_name;
      if (readlink(link.c_str(), target, sizeof target - 1) > 0) {
        unsigned long inode = 0;
        if (std::sscanf(target, "socket:[%lu]", &inode) == 1) {
          sockets.insert(inode);
          ++figures.sockets;
        }
      }
    }
    closedir(folder);
  }
  for (const TTcpRow& row : TcpTable()) {
    if (sockets.count(row.inode) == 0) continue;
    ++figures.tcpSockets;
    if (row.state != 0x0A) ++figures.connections;
    figures.queuedBytes += row.queued;
  }
  std::ifstream status(base + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) figures.rssKiB = std::atol(line.c_str() + 6);
  }
  std::ifstream stat(base + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  // Fields after the command's closing parenthesis: state is the 3rd field,
  // utime and stime the 14th and 15th.
  const size_t close = text.rfind(')');
  if (close != std::string::npos) {
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
      if (i == 14) utime = std::stoull(field);
      if (i == 15) stime = std::stoull(field);
    }
    figures.cpuSeconds = static_cast<double>(utime + stime) / sysconf(_SC_CLK_TCK);
  }
  return figures;
}

std::string DescribeDescriptors(pid_t pid) {
  std::string lines;
  const std::string folder = "/proc/" + std::to_string(pid) + "/fd";
  if (DIR* listing = opendir(folder.c_str())) {
    while (dirent* entry = readdir(listing)) {
      if (entry->d_name[0] == '.') continue;
      char target[256] = {};
      readlink((folder + "/" + entry->d_name).c_str(), target, sizeof target - 1);
      lines += std::string("  ") + entry->d_name + " -> " + target + "\n";
    }
    closedir(listing);
  }
  return lines;
}

bool ListeningOn(int port) {
  for (const TTcpRow& row : TcpTable()) {
    if (row.state == 0x0A && row.localPort == port) return true;
  }
  return false;
}
