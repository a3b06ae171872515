// The client program as a user runs it, against fake servers made of the
// socket components on 127.0.0.1 (and, inside the isolated network only, a
// broadcast beacon); its framing and file pieces in-process.

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "components/net/orb_TCPIP1.h"
#include "framework/Timer.h"
#include "protocol/Beacon.h"
#include "protocol/ImageMessage.h"
#include "protocol/MessageFrame.h"
#include "tests/support/EventPump.h"
#include "tests/support/PngDecode.h"
#include "tests/support/RawSockets.h"
#include "tools/ImageFiles.h"
#include "tools/ImageMessageReader.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

constexpr int kWidth = 40, kHeight = 30;

std::vector<uint32_t> Pixels(uint32_t bgrx) {
  std::vector<uint32_t> pixels(kWidth * kHeight, bgrx);
  pixels[7] = 0x00123456;  // not all one colour
  return pixels;
}

std::string ImageMessage(uint32_t bgrx) {
  const std::vector<uint32_t> pixels = Pixels(bgrx);
  const auto message = BuildImageMessage(pixels.data(), kWidth, kHeight);
  return std::string(reinterpret_cast<const char*>(message->GetBuffer()), message->GetSize());
}

std::string Frame(int32_t type, int32_t length, const std::string& payload) {
  uint8_t header[kFrameHeaderSize];
  PutLittleEndian32(header, type);
  PutLittleEndian32(header + 4, length);
  return std::string(reinterpret_cast<char*>(header), sizeof header) + payload;
}

std::string Slurp(const std::string& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// What a fake server does on a connection (request 0) and on each later
// chunk of bytes: send these bytes, then maybe close its side.
struct TAnswer {
  std::string bytes;
  bool close = false;
};

struct FakeServer {
  TOrbSimpleTCPServer server{nullptr};
  std::function<TAnswer(int request)> answer;
  int requests = 0;
  size_t bytesReceived = 0;
  std::vector<std::chrono::steady_clock::time_point> answeredAt, askedAt;

  explicit FakeServer(std::function<TAnswer(int)> answerer) : answer(std::move(answerer)) {
    server.OnError = [](TObject*, int, int, const std::string&) {};  // clients leave with a reset
    server.OnClientConnected = [this](TObject*, TOrbSimpleTCPClient* c) { Answer(c); };
    server.OnClientDataAvailable = [this](TObject*, TOrbSimpleTCPClient* c, int count) {
      std::string bytes(static_cast<size_t>(count), '\0');
      const int got = server.Receive(c, bytes.data(), count, false);
      if (got <= 0) return;
      bytesReceived += static_cast<size_t>(got);
      askedAt.push_back(std::chrono::steady_clock::now());
      Answer(c);
    };
    server.SetPort(raw::UnusedPort());
    server.SetListen(true);
  }
  void Answer(TOrbSimpleTCPClient* c) {
    const TAnswer a = answer(requests++);
    server.Send(c, a.bytes.data(), static_cast<int>(a.bytes.size()));
    answeredAt.push_back(std::chrono::steady_clock::now());
    if (a.close) winsock::shutdown(c->Socket(), winsock::SD_SEND);
  }
  std::string Port() const { return std::to_string(server.Port()); }
};

struct RunResult {
  int status = -1;
  std::string out, err;
};

class ScrivloGrabTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/scrivlo-grab-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    logs_ = pattern;
    work_ = logs_ + "/work";
    fs::create_directory(work_);
  }
  void TearDown() override { fs::remove_all(logs_); }

  // Runs scrivlo-grab in work_, the event loop turning meanwhile so that
  // the fake servers and beacons of the test can answer it.
  RunResult Grab(const std::vector<std::string>& arguments,
                 const std::function<void()>& meanwhile = {}) {
    const std::string outPath = logs_ + "/stdout.txt", errPath = logs_ + "/stderr.txt";
    const pid_t pid = fork();
    if (pid == 0) {
      if (chdir(work_.c_str()) != 0) _exit(126);
      dup2(open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDOUT_FILENO);
      dup2(open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDERR_FILENO);
      std::vector<char*> argv{const_cast<char*>(SCRIVLO_GRAB_PATH)};
      for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
      argv.push_back(nullptr);
      execv(SCRIVLO_GRAB_PATH, argv.data());
      _exit(127);
    }
    int status = 0;
    const bool ended = PumpUntil(
        [&] {
          if (meanwhile) meanwhile();
          return waitpid(pid, &status, WNOHANG) == pid;
        },
        60s);
    if (!ended) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      ADD_FAILURE() << "scrivlo-grab did not end";
    }
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(outPath), Slurp(errPath)};
  }

  std::string logs_, work_;
};

TEST(ImageMessageReader, CutsMessagesWhereverTheStreamSplitsThem) {
  const std::string first = ImageMessage(0xFF0000), second = ImageMessage(0x00FF00);
  const std::string stream = first + second;
  for (size_t chunk : {size_t{1}, size_t{7}, size_t{500}, stream.size()}) {
    TImageMessageReader reader;
    std::vector<std::string> images;
    for (size_t at = 0; at < stream.size();) {
      const size_t n = std::min(chunk, stream.size() - at);
      const size_t taken = reader.Feed(reinterpret_cast<const uint8_t*>(stream.data()) + at, n);
      ASSERT_FALSE(reader.Failed()) << reader.Error();
      at += taken;
      if (reader.ImageReady()) {
        const std::vector<uint8_t> png = reader.TakeImage();
        images.emplace_back(png.begin(), png.end());
      }
    }
    EXPECT_THAT(images, ElementsAre(first.substr(8), second.substr(8))) << "chunks of " << chunk;
    EXPECT_FALSE(reader.InMessage());
  }
}

// Payloads that begin and end as a PNG does but are not one whole PNG.
TEST(ImageMessageReader, RefusesAPayloadThatIsNoWholePng) {
  const std::string png = ImageMessage(0x224466).substr(kFrameHeaderSize);
  const std::string end = png.substr(png.size() - 12);  // the IEND chunk
  std::string flipped = png;
  flipped[png.size() / 2] ^= 0x10;  // inside the image data
  const std::pair<std::string, std::string> cases[] = {
      {flipped, "damaged (chunk IDAT fails its check)"},
      {png.substr(0, 8) + "garbage between the ends" + end, "incomplete"},
      {png.substr(0, 8) + end, "does not hold a PNG image"},  // no IHDR
      {png + end, "has bytes after its end chunk"},
  };
  for (const auto& [payload, says] : cases) {
    const std::string message = Frame(0, static_cast<int32_t>(payload.size()), payload);
    TImageMessageReader reader;
    reader.Feed(reinterpret_cast<const uint8_t*>(message.data()), message.size());
    EXPECT_FALSE(reader.ImageReady()) << says;
    EXPECT_THAT(reader.Error(), HasSubstr(says));
  }
}

TEST_F(ScrivloGrabTest, TimeNamesNeverReplaceAnImageAndFailuresLeaveNothing) {
  setenv("TZ", "UTC", 1);
  tzset();
  { std::ofstream(work_ + "/Mar-05-24--14-03-59.png") << "older"; }
  std::string error;
  const uint8_t png[] = {1, 2, 3};
  EXPECT_EQ(SaveUnderTimeName(work_, 1709647439, png, 3, &error),
            work_ + "/Mar-05-24--14-03-59-1.png");
  EXPECT_EQ(SaveUnderTimeName(work_ + "/", 1709647439, png, 3, &error),
            work_ + "/Mar-05-24--14-03-59-2.png");
  EXPECT_EQ(Slurp(work_ + "/Mar-05-24--14-03-59.png"), "older");
  EXPECT_EQ(Slurp(work_ + "/Mar-05-24--14-03-59-2.png"), "\1\2\3");
  EXPECT_EQ(WriteFileAtomically(work_ + "/no/such/x.png", png, 3, true, &error),
            TPlaceResult::kFailed);
  EXPECT_THAT(error, HasSubstr("no/such/x.png"));
  EXPECT_THAT(FilesIn(work_), ElementsAre("Mar-05-24--14-03-59-1.png", "Mar-05-24--14-03-59-2.png",
                                          "Mar-05-24--14-03-59.png"));
}

TEST_F(ScrivloGrabTest, SavesEachImageAskingForTheNextWithOneByte) {
  const uint32_t colours[] = {0x0000FF, 0x00FF00, 0xFF0000};
  FakeServer fake([&](int request) { return TAnswer{ImageMessage(colours[request % 3])}; });
  const RunResult run = Grab({"--host", "127.0.0.1", "--port", fake.Port(), "--count", "3",
                              "--interval", "300", "--out", "shots/today"});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string stamp =
      "shots/today/[A-Z][a-z][a-z]-[0-9][0-9]-[0-9][0-9]--[0-9][0-9]-[0-9][0-9]-[0-9][0-9]";
  EXPECT_THAT(run.out, MatchesRegex("(" + stamp + "(-[12])?\\.png\n){3}"));
  // The files in the order printed hold the images in the order sent.
  std::istringstream names(run.out);
  std::string name;
  for (const uint32_t colour : colours) {
    ASSERT_TRUE(std::getline(names, name));
    const TDecodedPng png = DecodePngFile(work_ + "/" + name);
    ASSERT_TRUE(png.ok) << png.error;
    EXPECT_EQ(CompareWithScreenPixels(png, Pixels(colour).data()), "") << name;
  }
  EXPECT_EQ(FilesIn(work_ + "/shots/today").size(), 3u);  // no temporary files left
  // One byte per further image, each sent after the interval.
  EXPECT_EQ(fake.bytesReceived, 2u);
  ASSERT_EQ(fake.askedAt.size(), 2u);
  for (int i = 0; i < 2; ++i)
    EXPECT_GE(fake.askedAt[i] - fake.answeredAt[i], 250ms);

  // -o replaces the file it names, whole.
  { std::ofstream(work_ + "/mine.png") << "stale"; }
  const RunResult one = Grab({"--host", "localhost", "--port", fake.Port(), "-o", "mine.png"});
  ASSERT_EQ(one.status, 0) << one.err;
  EXPECT_EQ(one.out, "mine.png\n");
  EXPECT_EQ(CompareWithScreenPixels(DecodePngFile(work_ + "/mine.png"), Pixels(colours[0]).data()),
            "");
}

TEST_F(ScrivloGrabTest, BadOrCutMessagesFailAndLeaveNoPartialFile) {
  const std::string good = ImageMessage(0x336699);
  const std::string png = good.substr(8);
  const auto length = static_cast<int32_t>(png.size());
  struct Case {
    std::vector<TAnswer> answers;
    std::string says;
    std::vector<std::string> extra = {};
  };
  const std::vector<Case> cases = {
      {{{good.substr(0, 100), true}},
       "closed the connection in the middle of an image message (100 of " +
           std::to_string(good.size()) + " bytes)"},
      {{{Frame(0, length + 50, png), true}}, "closed the connection in the middle"},
      {{{good.substr(0, 100)}}, "went silent for 0.5 seconds in the middle", {"--timeout", "0.5"}},
      {{{Frame(1, 4, std::string("wqt\0", 4))}}, "unexpected message type 1"},
      {{{Frame(0, -5, png)}}, "bad message length -5"},
      {{{Frame(0, 0x7FFFFFFF, png)}}, "message length 2147483647 is beyond the limit"},
      {{{Frame(0, length - 20, png)}}, "incomplete (it has no end chunk)"},
      {{{Frame(0, 300, std::string(300, 'x'))}}, "does not hold a PNG image"},
      {{{Frame(0, 0, "")}}, "empty image message"},
      {{{good}, {"", true}}, "closed the connection after 1 of 2 images", {"--count", "2"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.says);
    FakeServer fake([&](int request) { return c.answers.at(static_cast<size_t>(request)); });
    std::vector<std::string> arguments = {"--host",    "127.0.0.1",  "--port",
                                          fake.Port(), "--interval", "0"};
    arguments.insert(arguments.end(), c.extra.begin(), c.extra.end());
    const RunResult run = Grab(arguments);
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.err, HasSubstr(c.says));
    // Only the whole image of the last case is kept.
    EXPECT_EQ(FilesIn(work_).size(), c.answers.size() == 2 ? 1u : 0u);
    fs::remove_all(work_);
    fs::create_directory(work_);
  }

  // A reset in the middle of a message.
  const winsock::SOCKET listener = raw::Listen();
  raw::SetNonBlocking(listener);
  const std::string port = std::to_string(raw::PortOf(listener));
  winsock::SOCKET accepted = winsock::INVALID_SOCKET;
  const RunResult run = Grab({"--host", "127.0.0.1", "--port", port}, [&] {
    if (accepted != winsock::INVALID_SOCKET) return;
    accepted = raw::Accept(listener);
    if (accepted == winsock::INVALID_SOCKET) return;
    winsock::send(accepted, good.data(), 100, 0);
    raw::Reset(accepted);
  });
  winsock::closesocket(listener);
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(run.err, HasSubstr("127.0.0.1:" + port));
  EXPECT_THAT(run.err, HasSubstr("Connection reset by peer"));
  EXPECT_TRUE(FilesIn(work_).empty());
}

TEST_F(ScrivloGrabTest, NobodyThereIsAFailure) {
  RunResult run = Grab({"--host", "127.0.0.1", "--port", std::to_string(raw::UnusedPort())});
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(run.err, MatchesRegex("scrivlo-grab: cannot connect to 127.0.0.1:[0-9]+: "
                                    "Connection refused\n"));
  if (std::getenv("SCRIVLO_ISOLATED_NET") != nullptr) {  // the lookup may ask a name server
    setenv("RES_OPTIONS", "timeout:1 attempts:1", 1);    // no name server answers here
    run = Grab({"--host", "no-such-host.invalid"});
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.err, HasSubstr("cannot find the host 'no-such-host.invalid'"));
  }
  // Listening sends nothing, so this may run outside the isolated network.
  run = Grab({"--port", std::to_string(raw::UnusedPort()), "--discover-timeout", "0.3"});
  EXPECT_EQ(run.status, 1);
  EXPECT_THAT(run.err, MatchesRegex("scrivlo-grab: no server found: no beacon on UDP port "
                                    "[0-9]+ within 0.3 seconds\n"));
  EXPECT_EQ(run.out, "");
}

TEST_F(ScrivloGrabTest, BadUsageIsStatusTwo) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"-o", "a.png", "--count", "2"}, "-o writes one image"},
      {{"--out", "d", "-o", "a.png"}, "--out and -o cannot be used together"},
      {{"--port", "65536"}, "--port needs a port number from 1 to 65535, not '65536'"},
      {{"--count=0"}, "--count needs a number from 1"},
      {{"--discover-timeout", "1,5"}, "--discover-timeout needs seconds"},
      {{"--interval"}, "--interval needs a value"},
      {{"somewhere"}, "unknown option 'somewhere'"},
  };
  for (const auto& [arguments, says] : cases) {
    const RunResult run = Grab(arguments);
    EXPECT_EQ(run.status, 2) << says;
    EXPECT_THAT(run.err, HasSubstr("scrivlo-grab: " + says));
    EXPECT_THAT(run.err, HasSubstr("usage: scrivlo-grab"));
  }
  const RunResult help = Grab({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_THAT(help.out, HasSubstr("--discover-timeout SECONDS"));
}

TEST_F(ScrivloGrabTest, FindsTheServerByItsBeaconAndIgnoresLookalikes) {
  if (std::getenv("SCRIVLO_ISOLATED_NET") == nullptr) {
    GTEST_SKIP() << "broadcasts: run inside scripts/isolated-net";
  }
  // The real server beacons from its own port; a decoy on another port
  // sends datagrams that are almost beacons, and would answer with another
  // picture if the client took one of them.
  FakeServer real([](int) { return TAnswer{ImageMessage(0x00AA00)}; });
  FakeServer decoy([](int) { return TAnswer{ImageMessage(0xAA0000)}; });
  TCustomControl window(nullptr);
  auto* beaconer = new TOrbSimpleUDPClient(&window);
  auto* lookalikes = new TOrbSimpleUDPClient(&window);
  using Endpoint = std::pair<TOrbSimpleUDPClient*, int>;
  for (auto [udp, port] :
       {Endpoint{beaconer, real.server.Port()}, Endpoint{lookalikes, decoy.server.Port()}}) {
    udp->SetParent(&window);
    udp->SetPort(port);
    udp->OnError = [](TObject*, int, int, const std::string&) {};
    udp->Open();
  }
  TBeacon beacon = BuildBeacon();
  std::string wrongWord(reinterpret_cast<char*>(beacon.data()), 12);
  wrongWord[10] = 'x';
  const std::string beaconText(reinterpret_cast<char*>(beacon.data()), 12);
  const std::vector<std::string> fakes = {wrongWord, beaconText + "!", beaconText.substr(0, 11),
                                          beaconText + std::string(600, '\0')};
  TTimer timer(nullptr);
  timer.SetInterval(100);
  timer.SetOnTimer([&](TObject*) {
    TUDPEndPoint everyone{0xFFFFFFFF, real.server.Port()};
    for (const std::string& fake : fakes)
      lookalikes->Send(everyone, fake.data(), static_cast<int>(fake.size()));
    beaconer->Broadcast(beaconText.data(), 12);
  });

  const RunResult run = Grab({"--port", real.Port(), "-o", "found.png"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "found Scrivlo Image Server at 10.213.0.1:" + real.Port() + "\nfound.png\n");
  EXPECT_EQ(CompareWithScreenPixels(DecodePngFile(work_ + "/found.png"), Pixels(0x00AA00).data()),
            "");
  EXPECT_EQ(decoy.requests, 0);
}

}  // namespace
