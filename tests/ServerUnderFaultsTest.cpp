// The real scrivlo-server under faults made from outside: its descriptors
// run out while clients connect, its X server is killed, the disk under its
// settings fills up or turns read-only before it saves them, and it is
// killed mid-broadcast. Each test runs in a network namespace of its own
// (ctest runs it through scripts/isolated-net) on a private X server.

#include <arpa/inet.h>
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <thread>

#include "tests/support/PngDecode.h"
#include "tests/support/PrivateXServer.h"
#include "tests/support/ScratchHive.h"
#include "tests/support/ServerProcess.h"
#include "tests/support/TestWindows.h"

#include <X11/Xutil.h>

using ::testing::HasSubstr;
using namespace std::chrono_literals;

namespace {

constexpr int kWidth = 320, kHeight = 240;

int32_t LittleEndian32(const std::string& bytes, size_t at) {
  int32_t value = 0;
  std::memcpy(&value, bytes.data() + at, 4);  // little-endian, as this machine
  return value;
}

// The first message in `bytes` when it is whole, else empty.
std::string FirstMessage(const std::string& bytes) {
  if (bytes.size() < 8) return {};
  const int32_t length = LittleEndian32(bytes, 4);
  if (length < 0 || bytes.size() < 8 + static_cast<size_t>(length)) return {};
  return bytes.substr(0, 8 + static_cast<size_t>(length));
}

TDecodedPng Decode(const std::string& message) {
  if (message.size() < 8) return {};
  return DecodePng(reinterpret_cast<const uint8_t*>(message.data()) + 8, message.size() - 8);
}

int Descriptors(pid_t pid) {
  int count = 0;
  for (const auto& entry :
       std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd")) {
    (void)entry;
    ++count;
  }
  return count;
}

// User and system time the process has used.
double CpuSeconds(pid_t pid) {
  const std::string stat = ReadWholeFile("/proc/" + std::to_string(pid) + "/stat");
  unsigned long long user = 0, system = 0;
  // The fields after the command's closing parenthesis: utime and stime are
  // the 12th and 13th of them.
  std::sscanf(stat.c_str() + stat.rfind(')') + 2,
              "%*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %llu %llu", &user, &system);
  return static_cast<double>(user + system) / sysconf(_SC_CLK_TCK);
}

// A window over the whole screen showing noise, which no encoder can make
// small: the screen's PNG is about as large as its pixels.
void CoverWithNoise(TestWindows& windows, int width, int height) {
  Display* display = windows.display();
  const Window window = windows.Show(0, 0, width, height, 0);
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
  std::mt19937 random(13);
  for (uint32_t& pixel : pixels)
    pixel = random() & 0xFFFFFF;
  const Pixmap picture = XCreatePixmap(display, window, width, height, 24);
  XImage* image =
      XCreateImage(display, DefaultVisual(display, DefaultScreen(display)), 24, ZPixmap, 0,
                   reinterpret_cast<char*>(pixels.data()), width, height, 32, width * 4);
  XPutImage(display, picture, DefaultGC(display, DefaultScreen(display)), image, 0, 0, 0, 0, width,
            height);
  image->data = nullptr;  // the vector's
  XDestroyImage(image);
  XSetWindowBackgroundPixmap(display, window, picture);
  XClearWindow(display, window);
  XFreePixmap(display, picture);
  windows.Sync();
}

void SendAll(int fd, const char* bytes, size_t count) {
  for (ssize_t n; count > 0 && (n = send(fd, bytes, count, MSG_NOSIGNAL)) > 0;) {
    bytes += n;
    count -= static_cast<size_t>(n);
  }
}

// A loopback peer on a non-blocking socket, and what it has read.
struct Peer {
  int fd = -1;
  std::string bytes;
  bool ended = false;
  explicit Peer(int port) : fd(socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0)) {
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_port = htons(static_cast<uint16_t>(port));
    server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connect(fd, reinterpret_cast<sockaddr*>(&server), sizeof server);
  }
  ~Peer() { Close(); }
  void Close() {
    if (fd >= 0) close(fd);
    fd = -1;
  }
  bool Served() const { return !FirstMessage(bytes).empty(); }
  void Read() {
    char buffer[65536];
    for (ssize_t n; fd >= 0 && !ended && (n = recv(fd, buffer, sizeof buffer, 0)) != 0;) {
      if (n < 0) {
        ended = errno != EAGAIN && errno != EWOULDBLOCK;
        return;
      }
      bytes.append(buffer, static_cast<size_t>(n));
    }
    ended = true;
  }
};

class ServerUnderFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("SCRIVLO_ISOLATED_NET") == nullptr) {
      GTEST_SKIP() << "the server broadcasts: run inside scripts/isolated-net";
    }
    setenv("XDG_RUNTIME_DIR", config_.Folder().c_str(), 1);
  }

  void StartX(bool windowManager, int width = kWidth, int height = kHeight) {
    ASSERT_TRUE(x_.Start({width, height, 24, -1, windowManager})) << x_.Error();
  }
  // scrivlo-server on the X server already started, until its window shows.
  void StartServer() {
    server_ = std::make_unique<ProgramProcess>(std::vector<std::string>{SCRIVLO_SERVER_PATH});
    const std::string shown =
        Xdo({"search", "--sync", "--onlyvisible", "--name", "^Scrivlo Image Server$"});
    ASSERT_FALSE(shown.empty()) << server_->Err();
    window_ = shown;
  }
  // What a user does to move the server from port 40000 to 40001: a click in
  // the port field, its last digit replaced.
  void TypeNewPort() {
    Xdo({"mousemove", "--window", window_, "154", "82", "click", "1"});
    Xdo({"key", "End", "BackSpace"});
    Xdo({"type", "1"});
  }
  void Seed(const std::string& values) {
    const std::string file = "Windows Registry Editor Version 5.00\n\n[" +
                             std::string(kFormKey).replace(0, 4, "HKEY_CURRENT_USER") + "]\n" +
                             values;
    ASSERT_EQ(RunProgram({SCRIVLO_REG_PATH, "import", "-"}, file).status, 0);
  }
  ProgramRun Stored() { return RunProgram({SCRIVLO_REG_PATH, "export", kFormKey, "-"}); }

  ScratchConfigHome config_;
  PrivateXServer x_;
  std::unique_ptr<ProgramProcess> server_;
  std::string window_;
};

TEST_F(ServerUnderFaults, OutOfDescriptorsItKeepsServingAndAcceptsTheRestOnceSomeAreFree) {
  ASSERT_NO_FATAL_FAILURE(StartX(false));
  ASSERT_NO_FATAL_FAILURE(StartServer());
  ASSERT_TRUE(WaitSocketAt("tcp", 40000));
  {
    // The first capture opens what every capture uses afterwards.
    ImageClient first("127.0.0.1", 40000);
    ASSERT_TRUE(Decode(first.ReadMessage()).ok);
  }
  // As `ulimit -n` would have it: room for three more descriptors.
  const pid_t pid = server_->Pid();
  std::this_thread::sleep_for(500ms);  // the first client's close, seen
  rlimit tight{};
  ASSERT_EQ(prlimit(pid, RLIMIT_NOFILE, nullptr, &tight), 0);
  tight.rlim_cur = static_cast<rlim_t>(Descriptors(pid) + 3);
  ASSERT_EQ(prlimit(pid, RLIMIT_NOFILE, &tight, nullptr), 0);

  std::vector<std::unique_ptr<Peer>> peers;
  for (int i = 0; i < 10; ++i)
    peers.push_back(std::make_unique<Peer>(40000));
  const auto served = [&] {
    int count = 0;
    for (auto& peer : peers) {
      peer->Read();
      count += peer->Served() ? 1 : 0;
    }
    return count;
  };
  // Until those accepted have their images and nothing changes for 2 s.
  int before = -1, now = 0;
  ASSERT_TRUE(Eventually(
      [&] {
        before = now;
        std::this_thread::sleep_for(2s);
        now = served();
        return now > 0 && now == before;
      },
      60s));
  EXPECT_LT(now, 10) << "the limit did not bite";
  ASSERT_TRUE(server_->Running()) << server_->Err();
  // Connections wait that it cannot take: it waits too, without spinning.
  const double cpu = CpuSeconds(pid);
  std::this_thread::sleep_for(2s);
  EXPECT_LT(CpuSeconds(pid) - cpu, 0.5);

  // Those served leave; the others are taken in the room they free.
  const auto servedAndGone = [&] {
    const int count = served();
    for (auto& peer : peers) {
      if (peer->Served()) peer->Close();
    }
    return count;
  };
  ASSERT_TRUE(Eventually([&] { return servedAndGone() == 10; }, 60s)) << "served " << served();
  for (auto& peer : peers) {
    const TDecodedPng png = Decode(FirstMessage(peer->bytes));
    ASSERT_TRUE(png.ok) << png.error;
    EXPECT_EQ(png.width, static_cast<uint32_t>(kWidth));
    EXPECT_EQ(png.height, static_cast<uint32_t>(kHeight));
  }
  peers.clear();
  ImageClient last("127.0.0.1", 40000);
  EXPECT_TRUE(Decode(last.ReadMessage()).ok);
  EXPECT_EQ(server_->Stop(SIGTERM), 0) << server_->Err();
}

TEST_F(ServerUnderFaults, ItsXServerKilledItEndsWithAMessageAndItsSettingsSaved) {
  ASSERT_NO_FATAL_FAILURE(Seed("\"passwd\"=\"kept\"\n"));
  ASSERT_NO_FATAL_FAILURE(StartX(true));
  ASSERT_NO_FATAL_FAILURE(StartServer());
  ASSERT_TRUE(WaitSocketAt("tcp", 40000));
  TypeNewPort();
  ASSERT_TRUE(WaitSocketAt("tcp", 40001));
  ImageClient client("127.0.0.1", 40001);
  ASSERT_TRUE(Decode(client.ReadMessage()).ok);

  x_.Kill();
  // Whatever still comes is a whole message: an image, or the empty one a
  // failed capture gives; then the connection ends.
  for (int i = 0; i < 5 && client.Send("x"); ++i) {
    const std::string message = client.ReadMessage();
    if (message.empty()) break;
    EXPECT_TRUE(message.size() == 8 || Decode(message).ok);
  }
  const int status = server_->Stop(0);
  EXPECT_EQ(status, 1) << "-1: killed by a signal, or still running; " << server_->Err();
  EXPECT_THAT(server_->Err(),
              HasSubstr("scrivlo-server: ended before its window closed; settings saved\n"));
  const ProgramRun stored = Stored();
  EXPECT_EQ(stored.status, 0) << stored.err;
  EXPECT_THAT(stored.out, HasSubstr("\"port\"=dword:00009c41\n"));
  EXPECT_THAT(stored.out, HasSubstr("\"passwd\"=\"kept\"\n"));
}

TEST_F(ServerUnderFaults, KilledMidBroadcastItLeavesACutMessageThatTheClientRefuses) {
  ASSERT_NO_FATAL_FAILURE(StartX(false, 2560, 1600));
  TestWindows windows;
  CoverWithNoise(windows, 2560, 1600);
  ASSERT_NO_FATAL_FAILURE(StartServer());
  ASSERT_TRUE(WaitSocketAt("tcp", 40000));

  // scrivlo-grab reaches the server through a relay of the test's, which
  // passes on every byte the server sends, but slowly enough for the
  // server to die in the middle of the message.
  const int listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in relay{};
  relay.sin_family = AF_INET;
  relay.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof relay;
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&relay), sizeof relay), 0);
  ASSERT_EQ(listen(listener, 1), 0);
  getsockname(listener, reinterpret_cast<sockaddr*>(&relay), &size);
  const std::string folder = config_.Folder() + "/shots";
  std::filesystem::create_directory(folder);
  ProgramProcess grab({SCRIVLO_GRAB_PATH, "--host", "127.0.0.1", "--port",
                       std::to_string(ntohs(relay.sin_port)), "--out", folder, "--timeout", "60"});
  pollfd waiting{listener, POLLIN, 0};
  ASSERT_EQ(poll(&waiting, 1, 10000), 1) << grab.Err();
  const int toGrab = accept(listener, nullptr, nullptr);
  close(listener);

  const int fromServer = socket(AF_INET, SOCK_STREAM, 0);
  const int small = 4096;
  setsockopt(fromServer, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
  const timeval wait{30, 0};
  setsockopt(fromServer, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
  sockaddr_in server = relay;
  server.sin_port = htons(40000);
  ASSERT_EQ(connect(fromServer, reinterpret_cast<sockaddr*>(&server), sizeof server), 0);
  std::string got;
  char bytes[65536];
  while (got.size() < sizeof bytes) {
    const ssize_t n = recv(fromServer, bytes, sizeof bytes - got.size(), 0);
    ASSERT_GT(n, 0) << "the server sent " << got.size() << " bytes";
    got.append(bytes, static_cast<size_t>(n));
    SendAll(toGrab, bytes, static_cast<size_t>(n));
  }
  ASSERT_EQ(LittleEndian32(got, 0), 0);
  const int32_t length = LittleEndian32(got, 4);
  // Twice what the sockets between the server and the relay were seen to
  // hold (about 6 MiB): most of it is still the server's when it dies.
  ASSERT_GT(length, 12 << 20);

  EXPECT_EQ(server_->Stop(SIGKILL), -1);
  // What was under way arrives; then the connection ends.
  for (ssize_t n; (n = recv(fromServer, bytes, sizeof bytes, 0)) > 0;) {
    got.append(bytes, static_cast<size_t>(n));
    SendAll(toGrab, bytes, static_cast<size_t>(n));
  }
  close(fromServer);
  close(toGrab);
  EXPECT_LT(got.size(), 8 + static_cast<size_t>(length));
  EXPECT_EQ(grab.Stop(0), 1) << grab.Err();
  EXPECT_THAT(grab.Err(), HasSubstr("closed the connection in the middle of an image message (" +
                                    std::to_string(got.size())));
  EXPECT_TRUE(std::filesystem::is_empty(folder)) << "a cut image was saved";
  std::printf("killed mid-broadcast: %zu of %d bytes arrived\n", got.size(), 8 + length);
}

// The disk under the settings: a small file system of its own over the
// hive's folder, in a mount namespace of this test's process (the programs
// it starts inherit it), so that it can be filled or made read-only.
class ServerSettingsDiskFaults : public ServerUnderFaults {
 protected:
  void SetUp() override {
    ServerUnderFaults::SetUp();
    if (IsSkipped()) return;
    ASSERT_EQ(unshare(CLONE_NEWNS), 0) << "a mount namespace needs root: " << strerror(errno);
    ASSERT_EQ(mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr), 0) << strerror(errno);
    std::filesystem::create_directories(config_.HiveFolder());
    ASSERT_EQ(mount("scrivlo-hive", config_.HiveFolder().c_str(), "tmpfs", 0, "size=1m,mode=0700"),
              0)
        << strerror(errno);
    mounted_ = true;
  }
  void TearDown() override {
    if (mounted_) umount2(config_.HiveFolder().c_str(), MNT_DETACH);
  }

  // Stored settings, then the server started and its port changed by
  // typing, so that it has something new to save when it ends.
  void RunWithNewPort(const std::function<void()>& beforeTheStart = [] {}) {
    ASSERT_NO_FATAL_FAILURE(Seed("\"port\"=dword:00009c40\n\"passwd\"=\"old\"\n"));
    beforeTheStart();
    ASSERT_NO_FATAL_FAILURE(StartX(true));
    ASSERT_NO_FATAL_FAILURE(StartServer());
    ASSERT_TRUE(WaitSocketAt("tcp", 40000));
    TypeNewPort();
    ASSERT_TRUE(WaitSocketAt("tcp", 40001));
  }
  // The settings as stored before the run, readable still.
  void ExpectTheOldSettings() {
    const ProgramRun stored = Stored();
    EXPECT_EQ(stored.status, 0) << stored.err;
    EXPECT_THAT(stored.out, HasSubstr("\"port\"=dword:00009c40\n\"passwd\"=\"old\"\n"));
  }

  bool mounted_ = false;
};

TEST_F(ServerSettingsDiskFaults, ADiskFullAtTheSaveLeavesTheOldSettingsReadable) {
  ASSERT_NO_FATAL_FAILURE(RunWithNewPort());
  const std::string filler = config_.HiveFolder() + "/filler";
  const int fd = open(filler.c_str(), O_WRONLY | O_CREAT, 0600);
  const std::string block(4096, 'f');
  while (write(fd, block.data(), block.size()) > 0) {
  }
  EXPECT_EQ(errno, ENOSPC);
  close(fd);

  EXPECT_EQ(server_->Stop(SIGTERM), 0) << server_->Err();
  EXPECT_THAT(server_->Err(), HasSubstr("is full; settings are not saved"));
  ExpectTheOldSettings();
  // With room again, the hive takes changes as before.
  unlink(filler.c_str());
  EXPECT_EQ(RunProgram({SCRIVLO_REG_PATH, "add", kFormKey, "/v", "port", "/t", "REG_DWORD", "/d",
                        "40002", "/f"})
                .status,
            0);
  EXPECT_THAT(Stored().out, HasSubstr("\"port\"=dword:00009c42\n\"passwd\"=\"old\"\n"));
}

TEST_F(ServerSettingsDiskFaults, AHiveMadeReadOnlyLeavesTheOldSettingsReadableAndSaysSo) {
  // While the server runs it holds the hive open for writing, and a file
  // system with open writers cannot turn read-only: it turns read-only
  // before the start, and the server's save at the end meets it so.
  ASSERT_NO_FATAL_FAILURE(RunWithNewPort([&] {
    ASSERT_EQ(
        mount(nullptr, config_.HiveFolder().c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0)
        << strerror(errno);
  }));
  ExpectTheOldSettings();  // read by another program while the server runs

  EXPECT_EQ(server_->Stop(SIGTERM), 0) << server_->Err();
  EXPECT_THAT(server_->Err(), HasSubstr("is read-only; settings are not saved"));
  ExpectTheOldSettings();
}

}  // namespace
