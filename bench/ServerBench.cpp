// The real scrivlo-server on the demo desktop ($DISPLAY, set up by
// bench/run-server-bench), seen from 1, 10 and 100 loopback clients in this
// process:
// - a changed screen: one byte from a client to the last byte of the image
//   message at every client, against a plain libpng level-9 encode of the
//   same pixels timed in the same run, in rotating order; wall time, and
//   time on the CPU and waiting for one;
// - an unchanged screen, answered from the server's unchanged-frame cache;
// - the beacon's intervals with no clients, and while clients trigger.
// The screen changes only when the benchmark moves the hand of its own
// clock, laid over the demo's ticking one (bench/ClockFace.h).
//
//   server-bench [--server PATH] [--smoke]
//
// --smoke: one round of each kind with 1 and 3 clients; checks what every
// client got, times nothing, exit status 1 on any fault.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "bench/BaselinePngWriter.h"
#include "bench/BeaconWatch.h"
#include "bench/ClockFace.h"
#include "bench/ImageClients.h"
#include "bench/PngPixels.h"
#include "bench/SchedStat.h"
#include "bench/ServerProcess.h"
#include "imaging/PixelsToPng.h"
#include "imaging/ScreenCapture.h"
#include "platform/HeapTuning.h"
#include "protocol/ImageMessage.h"

using Clock = std::chrono::steady_clock;

namespace {

constexpr int kPort = 40000;  // the server's default, with no stored settings

bool gSmoke = false;
int gFaults = 0;

void Fault(const std::string& what) {
  std::fprintf(stderr, "server-bench: %s\n", what.c_str());
  ++gFaults;
}

std::string LoadAverage() {
  std::ifstream file("/proc/loadavg");
  std::string one, five, fifteen;
  file >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double MillisecondsOf(const std::function<void()>& work) {
  const auto start = Clock::now();
  work();
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// What is on the screen now, read the way the server reads it: the pixels
// the next capture will find, as BGRX for the server's encoder and as RGBA
// rows for the baseline.
struct TScreen {
  int width = 0, height = 0;
  std::vector<uint32_t> bgrx;
  std::vector<uint8_t> rgba;
};

bool ReadScreen(TScreen* screen) {
  const TCaptureRect rect = SelectCaptureRect(false);
  TPixelBuffer pixels = GrabScreenPixels(rect.x, rect.y, rect.width, rect.height);
  if (!pixels) return false;
  const size_t count = static_cast<size_t>(rect.width) * static_cast<size_t>(rect.height);
  screen->width = rect.width;
  screen->height = rect.height;
  screen->bgrx.assign(pixels.get(), pixels.get() + count);
  screen->rgba.resize(count * 4);
  for (int y = 0; y < rect.height; ++y) {
    ConvertBgrxRowToRgba(screen->bgrx.data() + static_cast<size_t>(y) * rect.width,
                         screen->rgba.data() + static_cast<size_t>(y) * rect.width * 4, rect.width);
  }
  return true;
}

// A round's message is a PNG of exactly these pixels.
bool ShowsScreen(const TImageClients::TRound& round, const TScreen& screen) {
  const TPngPixels png = DecodeImageMessage(round.message);
  if (!png.ok) {
    Fault("a message that is no readable PNG: " + png.error);
    return false;
  }
  if (png.width != screen.width || png.height != screen.height || png.rgba != screen.rgba) {
    Fault("a message whose pixels are not the screen's (" + std::to_string(png.width) + "x" +
          std::to_string(png.height) + ")");
    return false;
  }
  return true;
}

bool RoundOk(const TImageClients::TRound& round, const char* what) {
  if (!round.ok) {
    Fault(std::string(what) + ": " + round.error);
    return false;
  }
  if (!round.identical) {
    Fault(std::string(what) + ": the clients got different messages");
    return false;
  }
  return true;
}

struct TWindow {
  std::string name;
  double from = 0, to = 0;
};

class TServerBench {
 public:
  TServerBench(TClockFace* clock, TBeaconWatch* beacons, pid_t server)
      : FServerPid(server),
        FClock(clock),
        FBeacons(beacons),
        FClients(kPort, std::chrono::seconds(120)) {}

  // Connects clients until there are `count`, each answered by a broadcast.
  bool ConnectUpTo(int count) {
    const int before = FClients.Count();
    const auto start = Clock::now();
    while (FClients.Count() < count) {
      TImageClients::TRound round = FClients.Connect();
      ++FCaptures;
      if (!RoundOk(round, "a client's connection")) return false;
      FLast = std::move(round.message);
    }
    FConnects +=
        Format("%s%d more in %.1f s", FConnects.empty() ? "" : ", ", FClients.Count() - before,
               std::chrono::duration<double>(Clock::now() - start).count());
    return true;
  }

  // The screen changes, a client triggers, and the baseline encodes the same
  // pixels; the order of the timed parts rotates from round to round. With
  // `inProcess`, the server's own encoder also builds the message here.
  void Changed(int rounds, bool inProcess) {
    // Wall times, and times on the CPU (run) and waiting for one, in ms.
    std::vector<double> server, baseline, ratios, firstByte, here;
    std::vector<double> serverRun, serverWait, baselineRun, baselineWait, runRatios, hereRun;
    size_t serverBytes = 0, baselineBytes = 0;
    TWindow window{Clients() + ", changed screen, back to back", TBeaconWatch::Now()};
    for (int r = 0; r < rounds; ++r) {
      FClock->Tick();
      TScreen screen;
      if (!ReadScreen(&screen)) {
        Fault("the screen could not be read");
        return;
      }
      TImageClients::TRound round;
      TSchedStat s, b, m;
      double bMs = 0, mMs = 0;
      const auto trigger = [&] {
        const TSchedStat before = ReadSchedStat(FServerPid);
        round = FClients.Trigger();
        s = ReadSchedStat(FServerPid) - before;
        ++FCaptures;
      };
      const auto base = [&] {
        const TSchedStat before = ReadSchedStat();
        bMs = MillisecondsOf([&] {
          baselineBytes = WriteBaselinePng(screen.rgba, screen.width, screen.height).size();
        });
        b = ReadSchedStat() - before;
      };
      const auto own = [&] {
        const TSchedStat before = ReadSchedStat();
        mMs = MillisecondsOf(
            [&] { BuildImageMessage(screen.bgrx.data(), screen.width, screen.height); });
        m = ReadSchedStat() - before;
      };
      std::vector<std::function<void()>> steps{trigger, base};
      if (inProcess) steps.push_back(own);
      std::rotate(steps.begin(), steps.begin() + r % steps.size(), steps.end());
      for (auto& step : steps)
        step();

      if (!RoundOk(round, "a changed screen")) return;
      if (round.message == FLast) Fault("the screen changed but the message did not");
      if (!ShowsScreen(round, screen)) return;
      serverBytes = round.message.size() - 8;
      FLast = std::move(round.message);
      server.push_back(round.lastWholeMs);
      firstByte.push_back(round.firstByteMs);
      baseline.push_back(bMs);
      ratios.push_back(round.lastWholeMs / bMs);
      serverRun.push_back(s.runMs);
      serverWait.push_back(s.waitMs);
      baselineRun.push_back(b.runMs);
      baselineWait.push_back(b.waitMs);
      runRatios.push_back(s.runMs / b.runMs);
      here.push_back(mMs);
      hereRun.push_back(m.runMs);
    }
    window.to = TBeaconWatch::Now();
    FWindows.push_back(window);
    if (gSmoke) return;
    std::sort(ratios.begin(), ratios.end());
    std::sort(runRatios.begin(), runRatios.end());
    const char* target = FClients.Count() == 1 ? "  target <= 1.03" : "";
    FChangedRows.push_back(Format("  %7d %6d | %9.1f %9.1f | %9.1f | %6.3f (%5.3f..%5.3f)%s\n",
                                  FClients.Count(), rounds, Median(firstByte), Median(server),
                                  Median(baseline), Median(ratios), ratios.front(), ratios.back(),
                                  target));
    FCpuRows.push_back(Format("  %7d %6d | %9.1f %9.1f | %9.1f %9.1f | %6.3f (%5.3f..%5.3f)%s\n",
                              FClients.Count(), rounds, Median(serverRun), Median(serverWait),
                              Median(baselineRun), Median(baselineWait), Median(runRatios),
                              runRatios.front(), runRatios.back(), target));
    if (inProcess) {
      FInProcess = Format(
          "  1 client, where the time goes (medians): the server's own encoder, run here on the\n"
          "  same pixels, %.1f ms (%.1f on the CPU) = %.3f of the baseline (%.3f on the CPU);\n"
          "  the server's round = %.3f of it (%.3f on the CPU). PNG bytes: server %zu, "
          "baseline %zu\n",
          Median(here), Median(hereRun), Median(here) / Median(baseline),
          Median(hereRun) / Median(baselineRun), Median(server) / Median(here),
          Median(serverRun) / Median(hereRun), serverBytes, baselineBytes);
    }
  }

  // Triggers with nothing changed: answered from the unchanged-frame cache.
  void Unchanged(int rounds, Clock::duration pace, const std::string& windowName) {
    // Wall times; the server's thread and the clients' (this one) on the CPU.
    std::vector<double> times, run, clientsRun;
    int encoded = 0;
    TWindow window{Clients() + ", " + windowName, TBeaconWatch::Now()};
    for (int r = 0; r < rounds; ++r) {
      const auto next = Clock::now() + pace;
      const TSchedStat before = ReadSchedStat(FServerPid), clientsBefore = ReadSchedStat();
      TImageClients::TRound round = FClients.Trigger();
      const TSchedStat used = ReadSchedStat(FServerPid) - before;
      const TSchedStat clientsUsed = ReadSchedStat() - clientsBefore;
      ++FCaptures;
      if (!RoundOk(round, "an unchanged screen")) return;
      if (round.message != FLast) {
        // Something else on the screen moved: this one was encoded.
        ++encoded;
        FLast = std::move(round.message);
      } else {
        times.push_back(round.lastWholeMs);
        run.push_back(used.runMs);
        clientsRun.push_back(clientsUsed.runMs);
      }
      std::this_thread::sleep_until(next);
    }
    window.to = TBeaconWatch::Now();
    FWindows.push_back(window);
    if (gSmoke) {
      if (encoded > 0) Fault("an unchanged screen was encoded again");
      return;
    }
    if (pace.count() > 0 || times.empty()) return;
    std::sort(times.begin(), times.end());
    FUnchangedRows.push_back(Format(
        "  %7d %6zu | %9.2f %9.2f %9.2f %9.2f | %9.2f %9.2f%s%s\n", FClients.Count(), times.size(),
        Median(times), times.front(), times[times.size() * 9 / 10], times.back(), Median(run),
        Median(clientsRun), FClients.Count() == 1 ? "  target <= 10 ms" : "",
        encoded ? "  (rounds that found a changed screen are left out)" : ""));
  }

  void Idle(double seconds, const char* name) {
    TWindow window{name, TBeaconWatch::Now()};
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    window.to = TBeaconWatch::Now();
    FWindows.push_back(window);
  }

  void PrintResults() {
    std::printf(
        "Changed screen: one byte from a client -> the image message's last byte at every\n"
        "client, against a plain libpng level-9 encode of the same pixels, in rotating\n"
        "order (ms, medians; ratio: per round, median and range)\n");
    std::printf("  %7s %6s | %9s %9s | %9s | %s\n", "clients", "rounds", "1st byte", "last byte",
                "baseline", "ratio");
    for (const std::string& row : FChangedRows)
      std::fputs(row.c_str(), stdout);
    std::printf(
        "The same rounds on the CPU: the server's thread from the trigger to the last byte,\n"
        "against the baseline's; and how long each waited for a CPU (ms, medians)\n");
    std::printf("  %7s %6s | %9s %9s | %9s %9s | %s\n", "clients", "rounds", "server", "waited",
                "baseline", "waited", "ratio");
    for (const std::string& row : FCpuRows)
      std::fputs(row.c_str(), stdout);
    std::fputs(FInProcess.c_str(), stdout);
    std::printf(
        "Unchanged screen: one byte -> the last byte at every client (ms; answered from the\n"
        "server's unchanged-frame cache), and the medians of the server's thread and the\n"
        "clients' on the CPU\n");
    std::printf("  %7s %6s | %9s %9s %9s %9s | %9s %9s\n", "clients", "rounds", "median", "min",
                "90%", "max", "server", "clients");
    for (const std::string& row : FUnchangedRows)
      std::fputs(row.c_str(), stdout);
    PrintBeacons();
    std::printf("Clients connected (each connection answered with a message to every client): %s\n",
                FConnects.c_str());
  }

  int Captures() const { return FCaptures; }
  const std::vector<TWindow>& Windows() const { return FWindows; }

 private:
  std::string Clients() const {
    return std::to_string(FClients.Count()) + (FClients.Count() == 1 ? " client" : " clients");
  }

  template <typename... Args>
  static std::string Format(const char* format, Args... args) {
    char line[1024];
    std::snprintf(line, sizeof line, format, args...);
    return line;
  }

  void PrintBeacons() {
    FBeacons->Drain();
    std::printf("Beacon (12-byte UDP datagrams on port %d), kernel arrival times:\n", kPort);
    std::printf("  %-46s %7s | %8s %8s %8s %8s | %s\n", "while", "beacons", "mean ms", "min", "max",
                "jitter", "longest silence ms");
    for (const TWindow& w : FWindows) {
      const TBeaconWatch::TRegularity r = FBeacons->Between(w.from, w.to);
      std::printf("  %-46s %7d | %8.1f %8.1f %8.1f %8.1f | %8.0f of %.0f\n", w.name.c_str(),
                  r.beacons, r.meanMs, r.minMs, r.maxMs, r.jitterMs, r.longestSilenceMs,
                  (w.to - w.from) * 1000);
    }
    if (FBeacons->Others() > 0) std::printf("  (%d other datagrams)\n", FBeacons->Others());
  }

  std::vector<std::string> FChangedRows, FCpuRows, FUnchangedRows;
  std::string FInProcess, FConnects;
  pid_t FServerPid;
  TClockFace* FClock;
  TBeaconWatch* FBeacons;
  TImageClients FClients;
  std::string FLast;  // the last message every client got
  int FCaptures = 0;
  std::vector<TWindow> FWindows;
};

}  // namespace

int main(int argc, char** argv) {
  std::string serverPath = SCRIVLO_SERVER_PATH;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--smoke") == 0) {
      gSmoke = true;
    } else if (std::strcmp(argv[i], "--server") == 0 && i + 1 < argc) {
      serverPath = argv[++i];
    } else {
      std::fprintf(stderr, "usage: server-bench [--server PATH] [--smoke]\n");
      return 2;
    }
  }
  if (std::getenv("SCRIVLO_ISOLATED_NET") == nullptr) {
    std::fprintf(stderr, "server-bench: the server broadcasts: run inside scripts/isolated-net\n");
    return 2;
  }
  KeepFrameBuffersOnTheHeap();  // as the server does

  // Listening before the server starts, as every client that shares the port.
  TBeaconWatch beacons(kPort);
  if (!beacons.Listening()) Fault("cannot listen for beacons on UDP port 40000");
  TClockFace clock;
  if (!clock.Show()) {
    std::fprintf(stderr, "server-bench: %s (run bench/run-server-bench)\n", clock.Error().c_str());
    return 1;
  }
  TServerProcess server;
  if (!server.Start(serverPath, kPort)) {
    std::fprintf(stderr, "server-bench: %s did not start listening on %d\n%s", serverPath.c_str(),
                 kPort, server.Errors().c_str());
    return 1;
  }
  TScreen screen;
  ReadScreen(&screen);
  const std::string loadBefore = LoadAverage();

  TServerBench bench(&clock, &beacons, server.Pid());
  if (gSmoke) {
    bench.Idle(2.5, "no clients");
    if (bench.ConnectUpTo(1)) bench.Changed(1, false);
    if (bench.ConnectUpTo(3)) {
      bench.Changed(1, false);
      bench.Unchanged(2, {}, "unchanged screen");
    }
    beacons.Drain();
    const TWindow& idle = bench.Windows().front();
    if (beacons.Between(idle.from, idle.to).beacons == 0) Fault("no beacon in 2.5 s");
  } else {
    std::printf("scrivlo-server on the demo desktop, %dx%d, loopback clients in one process\n",
                screen.width, screen.height);
    bench.Idle(5.5, "no clients");
    const int counts[] = {1, 10, 100};
    const int changedRounds[] = {6, 3, 3};
    const int unchangedRounds[] = {40, 20, 8};
    for (int i = 0; i < 3; ++i) {
      if (!bench.ConnectUpTo(counts[i])) break;
      bench.Changed(changedRounds[i], counts[i] == 1);
      bench.Unchanged(unchangedRounds[i], {}, "unchanged screen, back to back");
      if (counts[i] == 1) {
        bench.Unchanged(20, std::chrono::milliseconds(250), "unchanged, 1 trigger / 250 ms");
        bench.Unchanged(4, std::chrono::milliseconds(1500), "unchanged, 1 trigger / 1.5 s");
      }
    }
    bench.PrintResults();
    std::printf("Load average (1, 5, 15 min): %s before, %s after; 2 shared cores\n",
                loadBefore.c_str(), LoadAverage().c_str());
  }

  const int captures = bench.Captures();
  const int status = server.Stop();
  if (status != 0) Fault("the server ended with status " + std::to_string(status));
  if (gSmoke && server.CaptureLines() != captures) {
    Fault("the server printed " + std::to_string(server.CaptureLines()) + " capture lines for " +
          std::to_string(captures) + " captures");
  }
  if (gSmoke && gFaults == 0) std::printf("server-bench: smoke run passed\n");
  return gFaults == 0 ? 0 : 1;
}
