// The server as its users meet it: the real program on a private X server,
// each test in a network namespace of its own (ctest runs it through
// scripts/isolated-net), seen from outside through its sockets, its
// settings, its window and its notification-area icon.

#include <arpa/inet.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>
#include <thread>

#include "protocol/Beacon.h"
#include "protocol/ImageMessage.h"
#include "tests/support/PngDecode.h"
#include "tests/support/PrivateXServer.h"
#include "tests/support/ScratchHive.h"
#include "tests/support/ServerProcess.h"
#include "tests/support/TestWindows.h"

using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using namespace std::chrono_literals;

namespace {

constexpr int kWidth = 320, kHeight = 240;

std::string Bytes(const TOMemStream& stream) {
  return std::string(reinterpret_cast<const char*>(stream.GetBuffer()), stream.GetSize());
}

TDecodedPng Decode(const std::string& message) {
  if (message.size() < 8) return {};
  return DecodePng(reinterpret_cast<const uint8_t*>(message.data()) + 8, message.size() - 8);
}

uint32_t RgbAt(const TDecodedPng& png, uint32_t x, uint32_t y) {
  const uint8_t* p = &png.rgba.at((y * png.width + x) * 4);
  return static_cast<uint32_t>(p[0]) << 16 | p[1] << 8 | p[2];
}

class ServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("SCRIVLO_ISOLATED_NET") == nullptr) {
      GTEST_SKIP() << "the server broadcasts: run inside scripts/isolated-net";
    }
    setenv("XDG_RUNTIME_DIR", config_.Folder().c_str(), 1);
  }

  // The X server (openbox and trayer on it as asked), then scrivlo-server,
  // until its window shows.
  void Start(bool windowManager, bool tray = false, std::vector<std::string> arguments = {}) {
    ASSERT_TRUE(x_.Start(
        {windowManager ? 640 : kWidth, windowManager ? 480 : kHeight, 24, -1, windowManager}))
        << x_.Error();
    windows_ = std::make_unique<TestWindows>();
    if (tray) {
      tray_ = std::make_unique<ProgramProcess>(
          std::vector<std::string>{"/usr/bin/trayer", "--edge", "top", "--align", "right",
                                   "--widthtype", "request", "--height", "24"});
      ASSERT_FALSE(Xdo({"search", "--sync", "--onlyvisible", "--class", "trayer"}).empty());
    }
    arguments.insert(arguments.begin(), SCRIVLO_SERVER_PATH);
    arguments.insert(arguments.begin(), launcher_.begin(), launcher_.end());
    server_ = std::make_unique<ProgramProcess>(arguments);
    const std::string shown =
        Xdo({"search", "--sync", "--onlyvisible", "--name", "^Scrivlo Image Server$"});
    ASSERT_FALSE(shown.empty()) << server_->Err();
    window_ = std::stoul(shown);
  }

  void Seed(const std::string& values) {
    const std::string file = "Windows Registry Editor Version 5.00\n\n[" +
                             std::string(kFormKey).replace(0, 4, "HKEY_CURRENT_USER") + "]\n" +
                             values;
    ASSERT_EQ(RunProgram({SCRIVLO_REG_PATH, "import", "-"}, file).status, 0);
  }
  std::string Stored() { return RunProgram({SCRIVLO_REG_PATH, "export", kFormKey, "-"}).out; }

  // Unmanaged windows that tile the whole screen above everything else;
  // returns the screen's pixels.
  std::vector<uint32_t> Cover(uint32_t rgb) {
    std::vector<uint32_t> screen(kWidth * kHeight);
    const int parts[][4] = {
        {0, 0, 200, 120}, {200, 0, 120, 120}, {0, 120, 320, 120}, {90, 70, 40, 9}};
    for (const auto& p : parts) {
      windows_->Show(p[0], p[1], p[2], p[3], rgb);
      for (int y = p[1]; y < p[1] + p[3]; ++y)
        std::fill_n(&screen[y * kWidth + p[0]], p[2], rgb);
      rgb = (rgb * 7 + 0x345678) & 0xFFFFFF;
    }
    return screen;
  }

  bool Viewable(Window window) {
    XWindowAttributes attributes{};
    return XGetWindowAttributes(windows_->display(), window, &attributes) &&
           attributes.map_state == IsViewable;
  }
  bool Iconic(Window window) {
    const Atom state = XInternAtom(windows_->display(), "WM_STATE", False);
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(windows_->display(), window, state, 0, 1, False, state, &type, &format,
                       &items, &after, &data);
    const bool iconic = items == 1 && *reinterpret_cast<long*>(data) == 3;  // IconicState
    if (data != nullptr) XFree(data);
    return iconic;
  }
  // The outer rectangle's size and the client area's place in it.
  std::array<int, 4> Frame(Window window) {
    int x = 0, y = 0;
    long extents[4] = {};
    XWindowAttributes attributes{};
    XGetWindowAttributes(windows_->display(), window, &attributes);
    EXPECT_TRUE(windows_->FrameGeometry(window, &x, &y, extents));
    return {static_cast<int>(attributes.width + extents[0] + extents[1]),
            static_cast<int>(attributes.height + extents[2] + extents[3]),
            static_cast<int>(extents[0]), static_cast<int>(extents[2])};
  }
  void Click(Window window, int x, int y, int button = 1) {
    Xdo({"mousemove", "--window", std::to_string(window), std::to_string(x), std::to_string(y),
         "click", std::to_string(button)});
  }
  // The program's visible windows besides its settings window: its icon in
  // the tray, its menu while open.
  std::vector<Window> OtherWindows() {
    const std::string out =
        RunProgram({"/usr/bin/xdotool", "search", "--onlyvisible", "--classname", "scrivlo"}).out;
    std::vector<Window> found;
    std::istringstream lines(out);
    for (Window w; lines >> w;)
      if (w != window_) found.push_back(w);
    return found;
  }

  // Runs the server through this command line first (empty: none).
  std::vector<std::string> launcher_;
  ScratchConfigHome config_;
  PrivateXServer x_;
  std::unique_ptr<TestWindows> windows_;
  std::unique_ptr<ProgramProcess> tray_, server_;
  Window window_ = None;
};

TEST_F(ServerTest, ByDefaultEveryClientGetsTheWholeScreenAndABeaconGoesOutEverySecond) {
  DatagramWatch beacons(40000);
  ASSERT_NO_FATAL_FAILURE(Start(false));
  EXPECT_TRUE(WaitSocketAt("tcp", 40000));
  EXPECT_TRUE(SocketAt("udp", 40000));
  const std::vector<TDatagram> heard = beacons.Collect(3, 10s);
  ASSERT_EQ(heard.size(), 3u);
  const TBeacon beacon = BuildBeacon();
  for (size_t i = 0; i < heard.size(); ++i) {
    EXPECT_EQ(heard[i].bytes, std::string(beacon.begin(), beacon.end()));
    EXPECT_EQ(heard[i].to, INADDR_BROADCAST);
    EXPECT_EQ(heard[i].fromPort, 40000);
    if (i > 0) {
      EXPECT_GT(heard[i].at - heard[i - 1].at, 600ms);
    }
  }

  const std::vector<uint32_t> screen = Cover(0x336699);
  ImageClient first("127.0.0.1", 40000);
  const std::string image = first.ReadMessage();
  const TDecodedPng png = Decode(image);
  ASSERT_TRUE(png.ok) << png.error;
  EXPECT_EQ(CompareWithScreenPixels(png, screen.data()), "");
  // Byte for byte what a fresh encode of the screen gives.
  EXPECT_EQ(image, Bytes(*BuildImageMessage(screen.data(), kWidth, kHeight)));
  // A client that connects and sends a byte: two images for every client.
  ImageClient second("127.0.0.1", 40000);
  EXPECT_EQ(first.ReadMessage(), image);
  EXPECT_EQ(second.ReadMessage(), image);
  ASSERT_TRUE(second.Send("x"));
  EXPECT_EQ(first.ReadMessage(), image);
  EXPECT_EQ(second.ReadMessage(), image);
  // Once the screen changed, the image is encoded afresh.
  const std::vector<uint32_t> changed = Cover(0x993366);
  ASSERT_TRUE(first.Send("y"));
  const std::string next = Bytes(*BuildImageMessage(changed.data(), kWidth, kHeight));
  EXPECT_EQ(first.ReadMessage(), next);
  EXPECT_EQ(second.ReadMessage(), next);

  EXPECT_EQ(server_->Stop(SIGTERM), 0) << server_->Err();
  const char name[] =
      "[A-Z][a-z][a-z]-[0-3][0-9]-[0-9][0-9]--[0-2][0-9]-[0-5][0-9]-[0-6][0-9]\\.png\n";
  EXPECT_THAT(server_->Out(), MatchesRegex(std::string("(") + name + "){4}"));
  EXPECT_THAT(Stored(), HasSubstr("\"port\"=dword:00009c40\n\"currentWindow\"=dword:00000000\n"
                                  "\"passwd\"=\"\"\n\"ipaddress\"=\"255.255.255.255\"\n"
                                  "\"fixedIp\"=dword:00000000\n"));
}

TEST_F(ServerTest, TheBeaconKeepsGoingOutWhileClientsAskMoreOftenThanOnceASecond) {
  ASSERT_NO_FATAL_FAILURE(Start(false));
  ImageClient client("127.0.0.1", 40000);
  ASSERT_FALSE(client.ReadMessage().empty());
  DatagramWatch beacons(40000);
  // Every byte is a capture, and every capture stops and restarts the
  // beacon's timer: asked every 300 ms, the timer alone would never fire.
  int asked = 0;
  for (auto until = std::chrono::steady_clock::now() + 6s; std::chrono::steady_clock::now() < until;
       ++asked) {
    ASSERT_TRUE(client.Send("x"));
    ASSERT_FALSE(client.ReadMessage().empty());
    std::this_thread::sleep_for(300ms);
  }
  const std::vector<TDatagram> heard = beacons.Collect(100, 500ms);
  EXPECT_GE(heard.size(), 3u) << "beacons in 6 s of " << asked << " requests";
  EXPECT_EQ(server_->Stop(SIGTERM), 0) << server_->Err();
}

TEST_F(ServerTest, AStoredPortBeyond65535IsCutForTheSocketsAndWrittenBackWhole) {
  const std::string password = "\"passwd\"=\"s\u00e9cret \\\"quoted\\\"\"\n";
  ASSERT_NO_FATAL_FAILURE(Seed("\"port\"=dword:00011170\n" + password +
                               "\"fixedIp\"=dword:00000001\n\"ipaddress\"=\"127.0.0.1\"\n"));
  DatagramWatch beacons(65535);  // the port field shows 70000 as its largest value
  ASSERT_NO_FATAL_FAILURE(Start(false));
  EXPECT_TRUE(WaitSocketAt("tcp", 70000 % 65536));
  EXPECT_TRUE(SocketAt("udp", 4464));
  const std::vector<TDatagram> heard = beacons.Collect(1, 10s);
  ASSERT_EQ(heard.size(), 1u);
  EXPECT_EQ(heard[0].to, inet_addr("127.0.0.1"));
  EXPECT_EQ(heard[0].fromPort, 4464);

  EXPECT_EQ(server_->Stop(SIGINT), 0) << server_->Err();
  const std::string stored = Stored();
  EXPECT_THAT(stored, HasSubstr("\"port\"=dword:00011170\n"));
  EXPECT_THAT(stored, HasSubstr(password));
  EXPECT_THAT(stored, HasSubstr("\"fixedIp\"=dword:00000001\n\"ipaddress\"=\"127.0.0.1\"\n"));
}

TEST_F(ServerTest, AFixedAddressThatIsNoAddressIsABroadcastOnThePortFieldsPort) {
  ASSERT_NO_FATAL_FAILURE(
      Seed("\"port\"=dword:00011170\n\"fixedIp\"=dword:00000001\n"
           "\"ipaddress\"=\"not-an-address\"\n"));
  DatagramWatch beacons(65535);
  ASSERT_NO_FATAL_FAILURE(Start(false));
  const std::vector<TDatagram> heard = beacons.Collect(1, 10s);
  ASSERT_EQ(heard.size(), 1u);
  EXPECT_EQ(heard[0].to, INADDR_BROADCAST);
  EXPECT_EQ(heard[0].fromPort, 4464);
  EXPECT_EQ(server_->Stop(SIGHUP), 0) << server_->Err();
  EXPECT_THAT(Stored(), HasSubstr("\"ipaddress\"=\"not-an-address\"\n"));
}

TEST_F(ServerTest, InCurrentWindowModeTheForegroundWindowIsSentFrameIncluded) {
  ASSERT_NO_FATAL_FAILURE(Seed("\"currentWindow\"=dword:00000001\n"));
  ASSERT_NO_FATAL_FAILURE(Start(true));
  // First its own window, painted to its last row.
  ASSERT_TRUE(windows_->Activate(window_));
  ImageClient client("127.0.0.1", 40000);
  TDecodedPng png = Decode(client.ReadMessage());
  ASSERT_TRUE(png.ok) << png.error;
  std::array<int, 4> frame = Frame(window_);
  EXPECT_EQ(png.width, static_cast<uint32_t>(frame[0]));
  ASSERT_EQ(png.height, static_cast<uint32_t>(frame[1]));
  EXPECT_EQ(RgbAt(png, frame[2] + 2, frame[3] + 2), RgbAt(png, frame[2] + 2, frame[3] + 177));

  const Window mine = windows_->Show(40, 60, 200, 150, 0x2E8B57, /*managed=*/true);
  ASSERT_TRUE(windows_->Activate(mine));
  ASSERT_TRUE(client.Send("x"));
  png = Decode(client.ReadMessage());
  ASSERT_TRUE(png.ok) << png.error;
  frame = Frame(mine);
  EXPECT_EQ(png.width, static_cast<uint32_t>(frame[0]));
  ASSERT_EQ(png.height, static_cast<uint32_t>(frame[1]));
  for (int y = 0; y < 150; ++y) {
    for (int x = 0; x < 200; ++x)
      ASSERT_EQ(RgbAt(png, frame[2] + x, frame[3] + y), 0x2E8B57u) << x << "," << y;
  }
}

TEST_F(ServerTest, LocalOnlyListensOnLoopbackAlone) {
  ASSERT_NO_FATAL_FAILURE(Start(false, false, {"--local-only"}));
  EXPECT_TRUE(WaitSocketAt("tcp", 40000, true, inet_addr("127.0.0.1")));
  EXPECT_FALSE(SocketAt("tcp", 40000));
  EXPECT_FALSE(ImageClient("10.213.0.1", 40000).Connected());
  ImageClient local("127.0.0.1", 40000);
  EXPECT_TRUE(Decode(local.ReadMessage()).ok);
}

TEST_F(ServerTest, TheClientFindsTheServerByItsBeaconAndSavesItsImages) {
  ASSERT_NO_FATAL_FAILURE(Start(false));
  const std::vector<uint32_t> screen = Cover(0x5588AA);
  const std::string folder = config_.Folder() + "/shots";
  std::filesystem::create_directory(folder);
  const ProgramRun grab =
      RunProgram({SCRIVLO_GRAB_PATH, "--count", "2", "--interval", "100", "--out", folder});
  ASSERT_EQ(grab.status, 0) << grab.err;
  int images = 0;
  for (const auto& file : std::filesystem::directory_iterator(folder)) {
    EXPECT_EQ(CompareWithScreenPixels(DecodePngFile(file.path()), screen.data()), "");
    ++images;
  }
  EXPECT_EQ(images, 2);
}

TEST_F(ServerTest, AStandardOutputNobodyReadsAnyMoreLeavesTheServerServing) {
  // Its standard output a pipe whose reader is gone, as after `| head -1`.
  launcher_ = {"/bin/bash", "-c", "exec \"$0\" \"$@\" > >(:)"};
  ASSERT_NO_FATAL_FAILURE(Start(false));
  std::this_thread::sleep_for(500ms);  // until the reader has gone
  {
    ImageClient client("127.0.0.1", 40000);
    EXPECT_TRUE(Decode(client.ReadMessage()).ok);
    ASSERT_TRUE(client.Send("x"));
    EXPECT_TRUE(Decode(client.ReadMessage()).ok);
  }
  ASSERT_TRUE(server_->Running()) << server_->Err();
  EXPECT_EQ(server_->Stop(SIGTERM), 0) << server_->Err();
  EXPECT_THAT(Stored(), HasSubstr("\"port\"=dword:00009c40\n"));
}

TEST_F(ServerTest, OptionsAndAMissingDisplay) {
  ProgramRun run = RunProgram({SCRIVLO_SERVER_PATH, "--help"});
  EXPECT_EQ(run.status, 0);
  EXPECT_THAT(run.out, HasSubstr("--local-only"));
  EXPECT_THAT(run.out, HasSubstr("there is no password"));
  EXPECT_EQ(RunProgram({SCRIVLO_SERVER_PATH, "--version"}).out, "scrivlo-server 1.0.0.0\n");
  run = RunProgram({SCRIVLO_SERVER_PATH, "--port", "1"});
  EXPECT_EQ(run.status, 2);
  EXPECT_THAT(run.err, HasSubstr("scrivlo-server: unknown argument '--port'"));
  unsetenv("DISPLAY");
  run = RunProgram({SCRIVLO_SERVER_PATH});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "scrivlo-server: cannot open the X display: DISPLAY is not set\n");
}

TEST_F(ServerTest, TheTrayIconsMenuShowsTheWindowAndShutsTheServerDown) {
  ASSERT_NO_FATAL_FAILURE(Start(true, true));
  std::vector<Window> icon;
  ASSERT_TRUE(Eventually([&] { return (icon = OtherWindows()).size() == 1; }));
  const auto clickIcon = [&](int button) {
    Xdo({"mousemove", "300", "300", "mousemove", "--window", std::to_string(icon[0]), "6", "6",
         "click", std::to_string(button)});
  };
  const auto menuOpen = [&] { return OtherWindows().size() == 2; };

  Click(window_, 104 + 37, 148 + 12);  // "&Hide"
  ASSERT_TRUE(Eventually([&] { return !Viewable(window_); }));
  EXPECT_FALSE(Iconic(window_)) << "hidden, not minimised";
  clickIcon(1);
  std::this_thread::sleep_for(500ms);
  EXPECT_FALSE(menuOpen() || Viewable(window_)) << "a left click does nothing";
  clickIcon(3);
  ASSERT_TRUE(Eventually(menuOpen));
  Xdo({"key", "p"});  // "&Properties"
  EXPECT_TRUE(Eventually([&] { return Viewable(window_) && !menuOpen(); }));

  // The window's own context menu is the same.
  Click(window_, 20, 130, 3);
  ASSERT_TRUE(Eventually(menuOpen));
  Xdo({"key", "Escape"});
  ASSERT_TRUE(Eventually([&] { return !menuOpen(); }));
  clickIcon(3);
  ASSERT_TRUE(Eventually(menuOpen));
  Xdo({"key", "s"});  // "&Shutdown"
  EXPECT_EQ(server_->Stop(0), 0) << server_->Err();
  EXPECT_THAT(Stored(), HasSubstr("\"port\"=dword:00009c40\n"));
}

TEST_F(ServerTest, WithoutATrayTheWindowTakesANewPortAndHideMinimisesIt) {
  ASSERT_NO_FATAL_FAILURE(Start(true));
  ASSERT_TRUE(WaitSocketAt("tcp", 40000));
  // Every keystroke that leaves a new port moves both sockets.
  Click(window_, 104 + 50, 70 + 12);
  Xdo({"key", "End", "BackSpace"});
  EXPECT_TRUE(WaitSocketAt("tcp", 4000));
  EXPECT_TRUE(WaitSocketAt("udp", 4000));
  EXPECT_TRUE(WaitSocketAt("udp", 40000, false));
  Xdo({"type", "1"});
  EXPECT_TRUE(WaitSocketAt("tcp", 40001));
  EXPECT_TRUE(WaitSocketAt("udp", 40001));
  EXPECT_FALSE(SocketAt("tcp", 4000));
  DatagramWatch beacons(40001);
  const std::vector<TDatagram> heard = beacons.Collect(1, 10s);
  ASSERT_EQ(heard.size(), 1u);
  EXPECT_EQ(heard[0].to, INADDR_BROADCAST);
  EXPECT_EQ(heard[0].fromPort, 40001);

  // No notification area: "&Hide" leaves the window within reach.
  Click(window_, 104 + 37, 148 + 12);
  EXPECT_TRUE(Eventually([&] { return Iconic(window_); }));
  EXPECT_TRUE(SocketAt("tcp", 40001));
  // Ended from outside while its menu runs a loop of its own, it still ends
  // as its Shutdown command ends it.
  Xdo({"windowmap", std::to_string(window_)});  // as a task bar brings it back
  // Until the window is back for the server too, a click may miss it.
  ASSERT_TRUE(Eventually([&] {
    if (!OtherWindows().empty()) return true;
    if (Viewable(window_)) Click(window_, 20, 130, 3);
    std::this_thread::sleep_for(300ms);
    return false;
  }));
  EXPECT_EQ(server_->Stop(SIGTERM), 0) << server_->Err();
  EXPECT_THAT(Stored(), HasSubstr("\"port\"=dword:00009c41\n"));
}

}  // namespace
