#pragma once

#include <string>
#include <vector>

// Listens beside the server on its UDP port and keeps the time each 12-byte
// beacon arrived, as the kernel stamped it: the times are right however late
// the benchmark gets round to reading them.
class TBeaconWatch {
 public:
  explicit TBeaconWatch(int port);
  ~TBeaconWatch();
  TBeaconWatch(const TBeaconWatch&) = delete;
  TBeaconWatch& operator=(const TBeaconWatch&) = delete;

  bool Listening() const { return FSocket >= 0; }
  // Seconds on the clock the arrival stamps use (CLOCK_REALTIME).
  static double Now();
  // Takes every beacon that has arrived so far; other datagrams are counted
  // apart.
  void Drain();

  // The beacons between two times, and how regular they were.
  struct TRegularity {
    int beacons = 0;
    double meanMs = 0, minMs = 0, maxMs = 0, jitterMs = 0;  // of the intervals
    double longestSilenceMs = 0;                            // edges of the window included
  };
  TRegularity Between(double from, double to) const;
  int Others() const { return FOthers; }

 private:
  int FSocket = -1;
  std::vector<double> FArrivals;
  int FOthers = 0;
};
