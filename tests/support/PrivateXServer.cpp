#include "tests/support/PrivateXServer.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

pid_t Spawn(const char* const* argv, int keepFd) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  const int devNull = open("/dev/null", O_RDWR);
  dup2(devNull, STDIN_FILENO);
  dup2(devNull, STDOUT_FILENO);
  dup2(devNull, STDERR_FILENO);
  for (int fd = 3; fd < 256; ++fd) {
    if (fd != keepFd) close(fd);
  }
  execvp(argv[0], const_cast<char* const*>(argv));
  _exit(127);
}

void EndProcess(pid_t* pid, int signal) {
  if (*pid <= 0) return;
  kill(*pid, signal);
  waitpid(*pid, nullptr, 0);
  *pid = -1;
}

}  // namespace

// Starts Xvfb and returns the display number it chose, or "" when it did not
// come up. Xvfb servers started at the same moment by tests running in
// parallel can race for one display's lock file, and the loser exits.
std::string PrivateXServer::LaunchXvfb(const Options& options) {
  int fds[2];
  if (pipe(fds) != 0) return "";
  const std::string screen = std::to_string(options.width) + "x" + std::to_string(options.height) +
                             "x" + std::to_string(options.depth);
  const std::string fd = std::to_string(fds[1]);
  const std::string visualClass = std::to_string(options.visualClass);
  // Only the abstract socket, which is private to the network namespace the
  // test runs in: the file socket in /tmp/.X11-unix is shared by every
  // namespace, and a client whose own server is gone would reach another
  // test's server through it.
  std::vector<const char*> argv{"Xvfb",      "-displayfd",   fd.c_str(),  "-screen",
                                "0",         screen.c_str(), "-nolisten", "tcp",
                                "-nolisten", "unix",         "-noreset",  "-br"};
  if (options.visualClass >= 0) {
    argv.push_back("-cc");
    argv.push_back(visualClass.c_str());
  }
  argv.push_back(nullptr);
  server_ = Spawn(argv.data(), fds[1]);
  close(fds[1]);

  // Xvfb writes its display number and a line end once it accepts clients.
  std::string number;
  pollfd readable{fds[0], POLLIN, 0};
  while (poll(&readable, 1, 10000) > 0) {
    char c = 0;
    if (read(fds[0], &c, 1) != 1 || c == '\n') break;
    number += c;
  }
  close(fds[0]);
  if (number.empty()) EndProcess(&server_, SIGKILL);
  return number;
}

bool PrivateXServer::Start(const Options& options) {
  std::string number;
  for (int attempt = 0; attempt < 4 && number.empty(); ++attempt) {
    if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(100 * attempt));
    number = LaunchXvfb(options);
  }
  if (number.empty()) {
    error_ = "Xvfb did not start (is the xvfb package installed?)";
    return false;
  }
  name_ = ":" + number;
  setenv("DISPLAY", name_.c_str(), 1);

  if (options.windowManager) {
    const char* wm[] = {"openbox", "--sm-disable", nullptr};
    windowManager_ = Spawn(wm, -1);
    if (!WaitForWindowManager()) {
      error_ = "openbox did not start";
      Stop();
      return false;
    }
  }
  return true;
}

namespace {

// True once a window mapped now comes up framed by the window manager within
// `wait`. Openbox announces itself before it handles map requests, and a
// window mapped in between stays unmapped: probe until one is framed.
bool ProbeFramedMap(Display* display, std::chrono::milliseconds wait) {
  const Window root = DefaultRootWindow(display);
  const Window probe = XCreateSimpleWindow(display, root, 0, 0, 10, 10, 0, 0, 0);
  XMapWindow(display, probe);
  XSync(display, False);
  bool framed = false;
  const auto deadline = std::chrono::steady_clock::now() + wait;
  while (!framed && std::chrono::steady_clock::now() < deadline) {
    XWindowAttributes attributes;
    Window rootReturn = None, parent = None;
    Window* children = nullptr;
    unsigned int count = 0;
    XGetWindowAttributes(display, probe, &attributes);
    XQueryTree(display, probe, &rootReturn, &parent, &children, &count);
    if (children != nullptr) XFree(children);
    framed = attributes.map_state == IsViewable && parent != root;
    if (!framed) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  XDestroyWindow(display, probe);
  XSync(display, False);
  return framed;
}

}  // namespace

bool PrivateXServer::WaitForWindowManager() {
  // The probing connection stays open while the server runs: closed, its
  // window ids would be handed to the next client, whose first window could
  // then meet the window manager's memory of a probe window.
  probe_ = XOpenDisplay(name_.c_str());
  if (probe_ == nullptr) return false;
  bool ready = false;
  for (int attempt = 0; attempt < 20 && !ready; ++attempt) {
    ready = ProbeFramedMap(static_cast<Display*>(probe_), std::chrono::milliseconds(500));
  }
  return ready;
}

void PrivateXServer::Stop() {
  if (probe_ != nullptr) XCloseDisplay(static_cast<Display*>(probe_));
  probe_ = nullptr;
  EndProcess(&windowManager_, SIGTERM);
  EndProcess(&server_, SIGTERM);
  if (heldDisplay_ >= 0) close(heldDisplay_);
  heldDisplay_ = -1;
}

void PrivateXServer::Kill() {
  // Closed while its server still runs: once the server is gone, closing
  // it would only fail, and leaving it open leaks it.
  if (probe_ != nullptr) XCloseDisplay(static_cast<Display*>(probe_));
  probe_ = nullptr;
  const bool wasRunning = server_ > 0;
  EndProcess(&windowManager_, SIGKILL);
  EndProcess(&server_, SIGKILL);
  if (wasRunning) HoldDisplayNumber();
}

// Xvfb started with -displayfd takes the first number whose socket it can
// bind, and a killed server's number is free at once: another test's Xvfb
// could then answer at the display this one lost. Binding its abstract
// socket name (without listening) keeps the number taken, and connecting to
// it is refused, as to a server that is gone.
void PrivateXServer::HoldDisplayNumber() {
  if (name_.size() < 2) return;
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string path = "/tmp/.X11-unix/X" + name_.substr(1);
  path.copy(address.sun_path + 1, sizeof address.sun_path - 2);  // sun_path[0] = 0: abstract
  const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + path.size());
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), length) == 0) {
    heldDisplay_ = fd;
  } else {
    close(fd);
  }
}
