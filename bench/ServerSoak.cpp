// server-soak: the real scrivlo-server on a private Xvfb (with openbox), under
// a bounded storm of loopback clients, then checked.
//
// The clients (200 unless told) connect, send a few bytes at random
// intervals, read everything, read slowly or never read, then close or
// reset (SO_LINGER 0) and reconnect after a pause. The soak repaints a band
// at the top of the screen now and then, and now and then moves the server
// to another port by typing into its own port field with xdotool (the
// server's own port-change path: the field's change event).
//
// At the end it checks, and prints with its figures: every message any
// client got whole is a decodable PNG of the screen's size showing a scene
// that was painted; no stream carried a bad header; once the clients are
// gone the server's descriptors are back where they started, its RSS within
// the tolerance, its sockets' kernel queues empty; it does not spin while
// idle; the beacon went out throughout; a fresh client is still answered;
// SIGTERM still ends it with status 0. Exit status 0 when every check
// passes, 1 when one fails, 2 for bad usage.
//
// Run it inside scripts/isolated-net (bench/run-server-soak does): the
// server broadcasts its beacon.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/SoakFrames.h"
#include "bench/SoakProcesses.h"
#include "bench/SoakScene.h"
#include "protocol/Beacon.h"

namespace {

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

struct TSoakOptions {
  double seconds = 300;
  int clients = 200;
  int width = 800;
  int height = 600;
  unsigned seed = 1;
  double sendMean = 10;   // seconds between a client's sends, on average
  double sceneEvery = 4;  // seconds between repaints, on average
  double portEvery = 30;  // seconds between port changes, on average
  long rssToleranceKiB = 16 * 1024;
  std::string server = SCRIVLO_SERVER_PATH;
};

const char kUsage[] =
    "usage: server-soak [--seconds N] [--clients N] [--size WxH] [--seed N]\n"
    "                   [--send-mean S] [--scene-every S] [--port-every S] [--server PATH]\n"
    "Runs scrivlo-server on a private Xvfb under N loopback clients (200) for N seconds\n"
    "(300), then checks it. Run inside scripts/isolated-net.\n";

bool ParseOptions(int argc, char** argv, TSoakOptions* options) {
  for (int i = 1; i < argc; ++i) {
    const std::string name = argv[i];
    if (i + 1 >= argc) return false;
    const char* value = argv[++i];
    if (name == "--seconds") {
      options->seconds = std::atof(value);
    } else if (name == "--clients") {
      options->clients = std::atoi(value);
    } else if (name == "--size") {
      if (std::sscanf(value, "%dx%d", &options->width, &options->height) != 2) return false;
    } else if (name == "--seed") {
      options->seed = static_cast<unsigned>(std::atol(value));
    } else if (name == "--send-mean") {
      options->sendMean = std::atof(value);
    } else if (name == "--scene-every") {
      options->sceneEvery = std::atof(value);
    } else if (name == "--port-every") {
      options->portEvery = std::atof(value);
    } else if (name == "--server") {
      options->server = value;
    } else {
      return false;
    }
  }
  return options->seconds > 0 && options->clients > 0 && options->width >= 320 &&
         options->height >= 240 && options->sendMean > 0 && options->sceneEvery > 0 &&
         options->portEvery > 0;
}

enum class TKind { Reader, SlowReader, Silent };

struct TClient {
  int fd = -1;
  bool connecting = false;
  TKind kind = TKind::Reader;
  Clock::time_point wakeAt;   // when closed: the next connect
  Clock::time_point lifeEnd;  // when open: the close or reset
  Clock::time_point nextSend, nextRead;
  TMessageSplitter splitter;
};

struct TTally {
  long connects = 0, refused = 0, closes = 0, resets = 0, sends = 0;
  long long bytesSent = 0;
  long cutByServer = 0;  // the server ended the connection partway through a message
  long abandoned = 0;    // the client ended it partway through one
  long badStreams = 0;   // a header that is no image message's
  long captures = 0;     // lines on the server's standard output
  long beacons = 0, strayDatagrams = 0;
  double longestBeaconGap = 0;
  int portChanges = 0, portChangesMissed = 0, scenes = 0;
  long peakRssKiB = 0;
  int peakDescriptors = 0, peakConnections = 0;
  long peakQueued = 0;
};

class TSoak {
 public:
  explicit TSoak(const TSoakOptions& options)
      : FOptions(options),
        FRandom(options.seed),
        FLedger(options.width, options.height, kBandRows),
        FClients(static_cast<size_t>(options.clients)) {}
  ~TSoak();

  int Run();

 private:
  static constexpr int kBandRows = 100;

  bool StartDesktopAndServer();
  void OpenBeaconWatch();
  // Runs the loop of clients, scenes and port changes until `until`.
  void Storm(Clock::time_point until);
  // Keeps listening to beacons and the server's output for `seconds`.
  void Idle(double seconds);
  void PollOnce(int milliseconds, bool clients);
  void Connect(TClient& client, Clock::time_point now);
  void EndLife(TClient& client, Clock::time_point now, bool reset);
  void Lost(TClient& client, Clock::time_point now);
  void ReadFrom(TClient& client, Clock::time_point now, size_t most);
  void SendTo(TClient& client, Clock::time_point now);
  void PaintScene();
  void StartPortChange();
  void FollowPortChange(Clock::time_point now);
  void HearBeacons();
  void ReadServerOutput();
  void Sample();
  // A client of its own connects, takes one message, and leaves; the
  // message's check ("" when it passed), or why none came.
  std::string FreshClient();
  double Exponential(double mean) {
    return std::exponential_distribution<double>(1 / mean)(FRandom);
  }
  double Uniform(double low, double high) {
    return std::uniform_real_distribution<double>(low, high)(FRandom);
  }
  static Clock::time_point After(Clock::time_point from, double seconds) {
    return from + std::chrono::duration_cast<Clock::duration>(Seconds(seconds));
  }

  TSoakOptions FOptions;
  std::mt19937 FRandom;
  TFrameLedger FLedger;
  std::vector<TClient> FClients;
  TTally FTally;
  std::vector<std::string> FFailures;

  std::string FFolder, FDisplay;
  pid_t FXvfb = -1, FWindowManager = -1, FServer = -1, FTyping = -1;
  int FServerOut = -1;
  std::unique_ptr<TSceneBand> FBand;
  std::string FWindow;
  int FPort = 40000, FNextDigit = 1, FTargetPort = 0;
  Clock::time_point FTypedAt, FNextScene, FNextPortChange, FNextSample;
  std::vector<int> FBeaconSockets;
  Clock::time_point FLastBeacon;
  bool FBeaconHeard = false;
};

TSoak::~TSoak() {
  for (TClient& client : FClients) {
    if (client.fd >= 0) close(client.fd);
  }
  for (int fd : FBeaconSockets)
    close(fd);
  if (FServer > 0) StopProcess(FServer, SIGKILL, 5);
  if (FTyping > 0) StopProcess(FTyping, SIGKILL, 5);
  FBand.reset();
  if (FWindowManager > 0) StopProcess(FWindowManager, SIGTERM, 5);
  if (FXvfb > 0) StopProcess(FXvfb, SIGTERM, 5);
  if (FServerOut >= 0) close(FServerOut);
  if (!FFolder.empty()) std::system(("rm -rf '" + FFolder + "'").c_str());
}

// Runs a program to its end and returns the first line of its output.
std::string FirstLineOf(const std::vector<std::string>& argv,
                        const std::vector<std::string>& environment) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  const pid_t pid = Spawn(argv, environment, fds[1]);
  close(fds[1]);
  std::string out;
  char bytes[256];
  for (ssize_t n; (n = read(fds[0], bytes, sizeof bytes)) > 0;)
    out.append(bytes, static_cast<size_t>(n));
  close(fds[0]);
  StopProcess(pid, 0, 30);
  return out.substr(0, out.find('\n'));
}

bool TSoak::StartDesktopAndServer() {
  char pattern[] = "/tmp/scrivlo-soak-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return false;
  FFolder = pattern;
  mkdir((FFolder + "/run").c_str(), 0700);
  FXvfb = StartXvfb(FOptions.width, FOptions.height, &FDisplay);
  if (FXvfb < 0) {
    FFailures.push_back("Xvfb did not start");
    return false;
  }
  const std::vector<std::string> environment = {"DISPLAY=" + FDisplay};
  FWindowManager = Spawn({"openbox", "--sm-disable"}, environment);
  if (!WaitForWindowManager(FDisplay, 10)) {
    FFailures.push_back("openbox did not start");
    return false;
  }
  FBand = std::make_unique<TSceneBand>(FDisplay, FOptions.width, kBandRows);
  if (!FBand->Ok()) {
    FFailures.push_back("cannot draw on the soak's display");
    return false;
  }
  PaintScene();

  int fds[2];
  if (pipe(fds) != 0) return false;
  FServer = Spawn(
      {FOptions.server},
      {"DISPLAY=" + FDisplay, "XDG_CONFIG_HOME=" + FFolder, "XDG_RUNTIME_DIR=" + FFolder + "/run"},
      fds[1], FFolder + "/server-errors");
  close(fds[1]);
  FServerOut = fds[0];
  fcntl(FServerOut, F_SETFL, O_NONBLOCK);
  // A search dies of an X error when a window goes while it looks (openbox
  // starting); one that ends early, without its 20 s, looks again.
  for (int attempt = 0; attempt < 5 && FWindow.empty(); ++attempt) {
    const auto began = Clock::now();
    FWindow = FirstLineOf({"timeout", "20", "xdotool", "search", "--sync", "--onlyvisible",
                           "--name", "^Scrivlo Image Server$"},
                          environment);
    if (Clock::now() - began > Seconds(19)) break;
  }
  if (FWindow.empty()) {
    FFailures.push_back("the server's window did not show");
    return false;
  }
  for (int waited = 0; !ListeningOn(FPort); waited += 50) {
    if (waited > 20000) {
      FFailures.push_back("the server does not listen on port 40000");
      return false;
    }
    usleep(50000);
  }
  return true;
}

void TSoak::OpenBeaconWatch() {
  // Every port the soak moves the server to: 40000 to 40009, and 4000,
  // where the field stands for a moment between two of them.
  std::vector<int> ports = {4000};
  for (int port = 40000; port <= 40009; ++port)
    ports.push_back(port);
  for (int port : ports) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK, 0);
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<uint16_t>(port));
    if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
      FFailures.push_back("cannot listen for beacons on UDP port " + std::to_string(port));
    }
    FBeaconSockets.push_back(fd);
  }
}

void TSoak::PaintScene() {
  FLedger.AddScene(FBand->Paint(FRandom));
  ++FTally.scenes;
}

void TSoak::StartPortChange() {
  FTargetPort = 40000 + FNextDigit;
  // A click in the port field, then what a user types to change its last
  // digit: each keystroke that leaves a valid number moves the server.
  FTyping = Spawn({"xdotool", "mousemove", "--window", FWindow, "154", "82", "click", "1", "key",
                   "End", "BackSpace", "type", std::to_string(FNextDigit)},
                  {"DISPLAY=" + FDisplay});
  FTypedAt = Clock::now();
}

void TSoak::FollowPortChange(Clock::time_point now) {
  if (FTyping > 0) {
    int status = 0;
    if (Ended(FTyping, &status)) FTyping = -1;
    return;
  }
  if (ListeningOn(FTargetPort) && !ListeningOn(FPort)) {
    FPort = FTargetPort;
    FTargetPort = 0;
    FNextDigit = (FNextDigit + 1) % 10;
    ++FTally.portChanges;
    FNextPortChange = After(now, FOptions.portEvery * Uniform(0.5, 1.5));
  } else if (now - FTypedAt > Seconds(15)) {
    // The keystrokes missed the field (a loaded machine): try again later,
    // from wherever the server listens now.
    ++FTally.portChangesMissed;
    for (int port = 40000; port <= 40009; ++port) {
      if (ListeningOn(port)) FPort = port;
    }
    FTargetPort = 0;
    FNextPortChange = After(now, FOptions.portEvery * Uniform(0.5, 1.5));
  }
}

void TSoak::Connect(TClient& client, Clock::time_point now) {
  client.fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
  const double pick = Uniform(0, 1);
  client.kind = pick < 0.5 ? TKind::Reader : pick < 0.75 ? TKind::SlowReader : TKind::Silent;
  if (client.kind != TKind::Reader && Uniform(0, 1) < 0.5) {
    // A small window makes the server queue for this peer itself.
    const int small = 4096;
    setsockopt(client.fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
  }
  sockaddr_in server{};
  server.sin_family = AF_INET;
  server.sin_port = htons(static_cast<uint16_t>(FPort));
  server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  client.splitter.Clear();
  ++FTally.connects;
  if (connect(client.fd, reinterpret_cast<sockaddr*>(&server), sizeof server) != 0 &&
      errno != EINPROGRESS) {
    ++FTally.refused;
    close(client.fd);
    client.fd = -1;
    client.wakeAt = After(now, Uniform(0.1, 1));
    return;
  }
  client.connecting = true;
  client.lifeEnd = After(now, Uniform(1, 20));
  client.nextSend = After(now, Exponential(FOptions.sendMean));
  client.nextRead = After(now, Uniform(0.1, 0.4));
}

void TSoak::EndLife(TClient& client, Clock::time_point now, bool reset) {
  if (reset) {
    const linger abort{1, 0};
    setsockopt(client.fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    ++FTally.resets;
  } else {
    ++FTally.closes;
  }
  if (client.splitter.InMessage()) ++FTally.abandoned;
  close(client.fd);
  client.fd = -1;
  client.connecting = false;
  client.wakeAt = After(now, Uniform(0, 2));
}

void TSoak::Lost(TClient& client, Clock::time_point now) {
  if (client.connecting) {
    ++FTally.refused;
  } else if (client.splitter.InMessage()) {
    ++FTally.cutByServer;
  }
  close(client.fd);
  client.fd = -1;
  client.connecting = false;
  client.wakeAt = After(now, Uniform(0.1, 1));
}

void TSoak::ReadFrom(TClient& client, Clock::time_point now, size_t most) {
  static std::vector<char> buffer(256 * 1024);
  size_t taken = 0;
  while (taken < most) {
    const ssize_t n =
        recv(client.fd, buffer.data(), std::min(buffer.size(), most - taken), MSG_DONTWAIT);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)) {
      Lost(client, now);
      return;
    }
    if (n < 0) return;
    taken += static_cast<size_t>(n);
    const bool sound = client.splitter.Feed(buffer.data(), static_cast<size_t>(n),
                                            [this](std::string_view m) { FLedger.Record(m); });
    if (!sound) {
      ++FTally.badStreams;
      EndLife(client, now, true);
      return;
    }
  }
}

void TSoak::SendTo(TClient& client, Clock::time_point now) {
  std::uniform_int_distribution<int> byte(0, 255);
  const size_t count = Uniform(0, 1) < 0.05 ? 4096 : 1 + static_cast<size_t>(Uniform(0, 64));
  std::string bytes(count, '\0');
  for (char& b : bytes)
    b = static_cast<char>(byte(FRandom));
  const ssize_t n = send(client.fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
  if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
    Lost(client, now);
    return;
  }
  if (n > 0) {
    ++FTally.sends;
    FTally.bytesSent += n;
  }
  client.nextSend = After(now, Exponential(FOptions.sendMean));
}

void TSoak::HearBeacons() {
  for (int fd : FBeaconSockets) {
    uint8_t bytes[2048];
    for (ssize_t n; (n = recv(fd, bytes, sizeof bytes, MSG_DONTWAIT)) >= 0;) {
      if (!IsBeacon(bytes, static_cast<size_t>(n))) {
        ++FTally.strayDatagrams;
        continue;
      }
      const auto now = Clock::now();
      if (FBeaconHeard) {
        FTally.longestBeaconGap =
            std::max(FTally.longestBeaconGap, Seconds(now - FLastBeacon).count());
      }
      FBeaconHeard = true;
      FLastBeacon = now;
      ++FTally.beacons;
    }
  }
}

void TSoak::ReadServerOutput() {
  char bytes[4096];
  for (ssize_t n; (n = read(FServerOut, bytes, sizeof bytes)) > 0;)
    FTally.captures += std::count(bytes, bytes + n, '\n');
}

void TSoak::Sample() {
  const TProcessFigures now = ReadProcessFigures(FServer);
  FTally.peakRssKiB = std::max(FTally.peakRssKiB, now.rssKiB);
  FTally.peakDescriptors = std::max(FTally.peakDescriptors, now.descriptors);
  FTally.peakConnections = std::max(FTally.peakConnections, now.connections);
  FTally.peakQueued = std::max(FTally.peakQueued, now.queuedBytes);
}

void TSoak::PollOnce(int milliseconds, bool clients) {
  std::vector<pollfd> ready;
  std::vector<TClient*> owners;
  for (int fd : FBeaconSockets) {
    ready.push_back({fd, POLLIN, 0});
    owners.push_back(nullptr);
  }
  ready.push_back({FServerOut, POLLIN, 0});
  owners.push_back(nullptr);
  if (clients) {
    for (TClient& client : FClients) {
      if (client.fd < 0) continue;
      const short events = client.connecting ? POLLOUT : client.kind == TKind::Reader ? POLLIN : 0;
      if (events == 0) continue;
      ready.push_back({client.fd, events, 0});
      owners.push_back(&client);
    }
  }
  if (poll(ready.data(), ready.size(), milliseconds) <= 0) return;
  const auto now = Clock::now();
  HearBeacons();
  ReadServerOutput();
  for (size_t i = 0; i < ready.size(); ++i) {
    TClient* client = owners[i];
    if (client == nullptr || ready[i].revents == 0 || client->fd != ready[i].fd) continue;
    if (client->connecting) {
      int error = 0;
      socklen_t size = sizeof error;
      getsockopt(client->fd, SOL_SOCKET, SO_ERROR, &error, &size);
      if (error != 0) {
        Lost(*client, now);
      } else {
        client->connecting = false;
      }
    } else {
      ReadFrom(*client, now, 1 << 20);
    }
  }
}

void TSoak::Storm(Clock::time_point until) {
  auto now = Clock::now();
  FNextScene = After(now, Exponential(FOptions.sceneEvery));
  FNextPortChange = After(now, FOptions.portEvery * Uniform(0.5, 1.5));
  FNextSample = now;
  for (TClient& client : FClients)
    client.wakeAt = After(now, Uniform(0, 2));
  while ((now = Clock::now()) < until) {
    if (now >= FNextScene) {
      PaintScene();
      FNextScene = After(now, Exponential(FOptions.sceneEvery));
    }
    if (FTargetPort != 0) {
      FollowPortChange(now);
    } else if (now >= FNextPortChange) {
      StartPortChange();
    }
    if (now >= FNextSample) {
      Sample();
      FNextSample = After(now, 1);
    }
    for (TClient& client : FClients) {
      if (client.fd < 0) {
        if (now >= client.wakeAt) Connect(client, now);
        continue;
      }
      if (client.connecting) continue;
      if (now >= client.lifeEnd) {
        EndLife(client, now, Uniform(0, 1) < 0.5);
        continue;
      }
      if (now >= client.nextSend) SendTo(client, now);
      if (client.fd >= 0 && client.kind == TKind::SlowReader && now >= client.nextRead) {
        ReadFrom(client, now, 16 * 1024);
        client.nextRead = After(now, Uniform(0.1, 0.4));
      }
    }
    PollOnce(20, true);
  }
  // A port change still under way ends before the clients are counted out.
  while (FTargetPort != 0) {
    FollowPortChange(Clock::now());
    PollOnce(50, false);
  }
  for (TClient& client : FClients) {
    if (client.fd >= 0) EndLife(client, Clock::now(), Uniform(0, 1) < 0.5);
  }
}

void TSoak::Idle(double seconds) {
  const auto until = After(Clock::now(), seconds);
  while (Clock::now() < until)
    PollOnce(50, false);
}

std::string TSoak::FreshClient() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  const timeval wait{30, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
  sockaddr_in server{};
  server.sin_family = AF_INET;
  server.sin_port = htons(static_cast<uint16_t>(FPort));
  server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr*>(&server), sizeof server) != 0) {
    close(fd);
    return "cannot connect to port " + std::to_string(FPort);
  }
  TMessageSplitter splitter;
  std::string got;
  bool sound = true;
  char bytes[65536];
  while (got.empty() && sound) {
    const ssize_t n = recv(fd, bytes, sizeof bytes, 0);
    if (n <= 0) break;
    sound =
        splitter.Feed(bytes, static_cast<size_t>(n), [&](std::string_view m) { got.assign(m); });
  }
  close(fd);
  if (!sound) return "a message with a bad header";
  if (got.empty()) return "no whole message within 30 s";
  FLedger.Record(got);
  return FLedger.Frames().at(std::hash<std::string_view>{}(got)).problem;
}

int TSoak::Run() {
  if (!StartDesktopAndServer()) {
    for (const std::string& failure : FFailures)
      std::printf("FAILED: %s\n", failure.c_str());
    std::fflush(stdout);
    std::system(("cat " + FFolder + "/server-errors 2>/dev/null").c_str());
    return 1;
  }
  OpenBeaconWatch();
  // The first capture opens the capture layer's display connection and
  // segment, and fills the frame cache: the starting level is taken after it.
  const std::string warmUp = FreshClient();
  if (!warmUp.empty()) FFailures.push_back("the first client: " + warmUp);
  Idle(2);
  const TProcessFigures start = ReadProcessFigures(FServer);
  const std::string startDescriptors = DescribeDescriptors(FServer);
  FTally.peakRssKiB = start.rssKiB;
  const auto began = Clock::now();
  std::printf("soak: %d clients for %.0f s on a %dx%d screen, seed %u, server pid %d\n",
              FOptions.clients, FOptions.seconds, FOptions.width, FOptions.height, FOptions.seed,
              FServer);
  std::fflush(stdout);

  Storm(After(began, FOptions.seconds));
  const double stormSeconds = Seconds(Clock::now() - began).count();

  // The clients are gone: wait for the server to see them go.
  TProcessFigures end = ReadProcessFigures(FServer);
  for (int waited = 0; end.connections > 0 && waited < 200; ++waited) {
    PollOnce(100, false);
    end = ReadProcessFigures(FServer);
  }
  Idle(3);
  end = ReadProcessFigures(FServer);
  const double cpuBefore = end.cpuSeconds;
  Idle(4);
  const TProcessFigures idle = ReadProcessFigures(FServer);
  const std::string endDescriptors = DescribeDescriptors(FServer);
  const double idleCpu = idle.cpuSeconds - cpuBefore;
  const double sinceLastBeacon = FBeaconHeard ? Seconds(Clock::now() - FLastBeacon).count() : 1e9;
  const std::string fresh = FreshClient();
  ReadServerOutput();
  const int exitStatus = StopProcess(FServer, SIGTERM, 30);
  FServer = -1;

  int wholeFrames = 0, singleReceiver = 0, badFrames = 0;
  for (const auto& [hash, frame] : FLedger.Frames()) {
    ++wholeFrames;
    if (frame.receivers == 1) ++singleReceiver;
    if (!frame.problem.empty()) {
      ++badFrames;
      if (badFrames <= 5)
        FFailures.push_back("a frame of " + std::to_string(frame.bytes) +
                            " bytes: " + frame.problem);
    }
  }
  if (FTally.badStreams > 0)
    FFailures.push_back(std::to_string(FTally.badStreams) + " stream(s) with a bad header");
  if (FTally.strayDatagrams > 0)
    FFailures.push_back(std::to_string(FTally.strayDatagrams) + " datagram(s) that are no beacon");
  // Fewer is no leak: Qt's pooled threads end after 30 s idle, and each takes
  // its event descriptor along. Sockets are the server's own and must match.
  if (end.descriptors > start.descriptors || end.sockets != start.sockets) {
    FFailures.push_back("descriptors: " + std::to_string(start.descriptors) + " (" +
                        std::to_string(start.sockets) + " sockets) at the start, " +
                        std::to_string(end.descriptors) + " (" + std::to_string(end.sockets) +
                        " sockets) at the end; at the start:\n" + startDescriptors +
                        "at the end:\n" + endDescriptors);
  }
  if (end.connections != 0 || end.queuedBytes != 0) {
    FFailures.push_back("connections still open at the end: " + std::to_string(end.connections) +
                        ", queued " + std::to_string(end.queuedBytes) + " bytes");
  }
  if (end.rssKiB > start.rssKiB + FOptions.rssToleranceKiB) {
    FFailures.push_back("RSS: " + std::to_string(start.rssKiB) + " KiB at the start, " +
                        std::to_string(end.rssKiB) + " KiB at the end");
  }
  if (idleCpu > 0.2) FFailures.push_back("idle CPU: " + std::to_string(idleCpu) + " s in 4 s");
  if (FTally.longestBeaconGap > 3 || sinceLastBeacon > 3) {
    FFailures.push_back("the beacon paused: the longest gap " +
                        std::to_string(FTally.longestBeaconGap) + " s, the last " +
                        std::to_string(sinceLastBeacon) + " s before the end");
  }
  if (!fresh.empty()) FFailures.push_back("a fresh client at the end: " + fresh);
  if (exitStatus != 0)
    FFailures.push_back("SIGTERM ended the server with status " + std::to_string(exitStatus));
  if (FTally.portChanges == 0 && FOptions.seconds > 2 * FOptions.portEvery)
    FFailures.push_back("no port change went through");

  const TTally& t = FTally;
  std::printf(
      "storm: %.1f s; connects %ld (refused or failed %ld), closes %ld, resets %ld\n"
      "sent: %ld sends, %lld bytes; server captures: %ld\n"
      "received: %lld whole messages, %.1f MiB; %d distinct frames (%d got by one client only, "
      "%d bad)\n"
      "cut by the server mid-message: %ld; left mid-message by the client: %ld; bad headers: %ld\n"
      "screen scenes painted: %d; port changes: %d (missed keystrokes: %d), last port %d\n"
      "beacons heard: %ld, longest gap %.2f s, last %.2f s before the end\n"
      "server at the start: %d descriptors (%d sockets), RSS %ld KiB\n"
      "server at the peak: %d descriptors, %d connections, RSS %ld KiB, %ld bytes in kernel "
      "queues\n"
      "server at the end:   %d descriptors (%d sockets), %d connections, RSS %ld KiB (tolerance "
      "+%ld KiB), "
      "%ld bytes queued\n"
      "idle CPU: %.3f s in 4 s; fresh client: %s; SIGTERM: exit status %d\n",
      stormSeconds, t.connects, t.refused, t.closes, t.resets, t.sends, t.bytesSent, t.captures,
      FLedger.Messages(), FLedger.Bytes() / 1048576.0, wholeFrames, singleReceiver, badFrames,
      t.cutByServer, t.abandoned, t.badStreams, t.scenes, t.portChanges, t.portChangesMissed, FPort,
      t.beacons, t.longestBeaconGap, sinceLastBeacon, start.descriptors, start.sockets,
      start.rssKiB, t.peakDescriptors, t.peakConnections, t.peakRssKiB, t.peakQueued,
      end.descriptors, end.sockets, end.connections, end.rssKiB, FOptions.rssToleranceKiB,
      end.queuedBytes, idleCpu, fresh.empty() ? "answered" : fresh.c_str(), exitStatus);
  for (const std::string& failure : FFailures)
    std::printf("FAILED: %s\n", failure.c_str());
  if (!FFailures.empty()) {
    std::printf("server's standard error:\n");
    std::fflush(stdout);
    std::system(("cat " + FFolder + "/server-errors").c_str());
  }
  std::printf("%s\n", FFailures.empty() ? "soak passed" : "soak FAILED");
  return FFailures.empty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  TSoakOptions options;
  if (!ParseOptions(argc, argv, &options)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  if (std::getenv("SCRIVLO_ISOLATED_NET") == nullptr) {
    std::fprintf(stderr, "server-soak: the server broadcasts: run inside scripts/isolated-net\n");
    return 2;
  }
  signal(SIGPIPE, SIG_IGN);
  TSoak soak(options);
  return soak.Run();
}
