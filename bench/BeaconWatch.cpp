#include "bench/BeaconWatch.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>

#include "protocol/Beacon.h"

TBeaconWatch::TBeaconWatch(int port) : FSocket(::socket(AF_INET, SOCK_DGRAM, 0)) {
  const int on = 1;
  ::setsockopt(FSocket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  ::setsockopt(FSocket, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  if (::bind(FSocket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(FSocket);
    FSocket = -1;
  }
}

TBeaconWatch::~TBeaconWatch() {
  if (FSocket >= 0) ::close(FSocket);
}

double TBeaconWatch::Now() {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

void TBeaconWatch::Drain() {
  if (FSocket < 0) return;
  for (;;) {
    uint8_t bytes[64];
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(timespec))];
    iovec part{bytes, sizeof bytes};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t n = ::recvmsg(FSocket, &message, MSG_DONTWAIT);
    if (n < 0) return;
    double at = Now();
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
      if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS) {
        timespec stamp{};
        std::copy_n(CMSG_DATA(c), sizeof stamp, reinterpret_cast<unsigned char*>(&stamp));
        at = static_cast<double>(stamp.tv_sec) + static_cast<double>(stamp.tv_nsec) * 1e-9;
      }
    }
    if (IsBeacon(bytes, static_cast<size_t>(n))) {
      FArrivals.push_back(at);
    } else {
      ++FOthers;
    }
  }
}

TBeaconWatch::TRegularity TBeaconWatch::Between(double from, double to) const {
  TRegularity r;
  std::vector<double> within;
  for (double at : FArrivals)
    if (at >= from && at <= to) within.push_back(at);
  r.beacons = static_cast<int>(within.size());
  r.longestSilenceMs = (to - from) * 1000;
  if (within.empty()) return r;
  r.longestSilenceMs = std::max(within.front() - from, to - within.back()) * 1000;
  if (within.size() < 2) return r;
  std::vector<double> intervals;
  for (size_t i = 1; i < within.size(); ++i)
    intervals.push_back((within[i] - within[i - 1]) * 1000);
  double sum = 0;
  for (double i : intervals)
    sum += i;
  r.meanMs = sum / static_cast<double>(intervals.size());
  r.minMs = *std::min_element(intervals.begin(), intervals.end());
  r.maxMs = *std::max_element(intervals.begin(), intervals.end());
  r.longestSilenceMs = std::max(r.longestSilenceMs, r.maxMs);
  double squares = 0;
  for (double i : intervals)
    squares += (i - r.meanMs) * (i - r.meanMs);
  r.jitterMs = std::sqrt(squares / static_cast<double>(intervals.size()));
  return r;
}
