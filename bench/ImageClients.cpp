#include "bench/ImageClients.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include "protocol/MessageFrame.h"

namespace {

double MillisecondsSince(TImageClients::Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(TImageClients::Clock::now() - start).count();
}

}  // namespace

TImageClients::~TImageClients() {
  for (const TClient& c : FClients)
    ::close(c.fd);
}

TImageClients::TRound TImageClients::Connect() {
  const auto start = Clock::now();
  TClient client;
  client.fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(FPort));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(client.fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    TRound round;
    round.error = std::string("connect: ") + std::strerror(errno);
    ::close(client.fd);
    return round;
  }
  ::fcntl(client.fd, F_SETFL, ::fcntl(client.fd, F_GETFL) | O_NONBLOCK);
  FClients.push_back(std::move(client));
  return Collect(start);
}

TImageClients::TRound TImageClients::Trigger() {
  const auto start = Clock::now();
  if (FClients.empty() || ::send(FClients[0].fd, "t", 1, MSG_NOSIGNAL) != 1) {
    TRound round;
    round.error = "the trigger could not be sent";
    return round;
  }
  return Collect(start);
}

TImageClients::TRound TImageClients::Collect(Clock::time_point start) {
  TRound round;
  for (TClient& c : FClients) {
    c.message.clear();
    c.whole = false;
  }
  std::vector<pollfd> polled(FClients.size());
  size_t whole = 0;
  bool anyByte = false;
  const auto deadline = start + FRoundLimit;
  while (whole < FClients.size()) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) {
      round.error = "only " + std::to_string(whole) + " of " + std::to_string(FClients.size()) +
                    " clients had a whole message in time";
      return round;
    }
    for (size_t i = 0; i < FClients.size(); ++i)
      polled[i] = {FClients[i].whole ? -1 : FClients[i].fd, POLLIN, 0};
    if (::poll(polled.data(), polled.size(), static_cast<int>(left.count())) < 0) continue;
    for (size_t i = 0; i < FClients.size(); ++i) {
      TClient& c = FClients[i];
      if (polled[i].revents == 0 || c.whole) continue;
      const size_t before = c.message.size();
      if (!Read(&c, &round.error)) return round;
      if (!anyByte && c.message.size() > before) {
        anyByte = true;
        round.firstByteMs = MillisecondsSince(start);
      }
      if (!c.whole) continue;
      if (++whole == 1) round.firstWholeMs = MillisecondsSince(start);
      if (whole == FClients.size()) round.lastWholeMs = MillisecondsSince(start);
    }
  }
  for (const TClient& c : FClients)
    round.identical = round.identical && c.message == FClients[0].message;
  round.message = std::move(FClients[0].message);
  round.ok = true;
  return round;
}

bool TImageClients::Read(TClient* c, std::string* error) {
  // Never past the end of this message: the next one belongs to the next
  // round, and the server sends none unasked.
  size_t wanted = kFrameHeaderSize;
  TFrameHeader header;
  if (ReadFrameHeader(reinterpret_cast<const uint8_t*>(c->message.data()), c->message.size(),
                      &header)) {
    wanted = kFrameHeaderSize + static_cast<size_t>(header.length);
  }
  while (c->message.size() < wanted) {
    const size_t room = std::min(FBuffer.size(), wanted - c->message.size());
    const ssize_t n = ::recv(c->fd, FBuffer.data(), room, 0);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
    if (n <= 0) {
      *error = n == 0 ? "the server closed a connection" : std::strerror(errno);
      return false;
    }
    c->message.append(FBuffer.data(), static_cast<size_t>(n));
    if (wanted == kFrameHeaderSize && c->message.size() >= kFrameHeaderSize) {
      if (!ReadFrameHeader(reinterpret_cast<const uint8_t*>(c->message.data()), c->message.size(),
                           &header) ||
          header.type != kImageMessageType) {
        *error = "a message that is no image message (type " + std::to_string(header.type) +
                 ", length " + std::to_string(header.length) + ")";
        return false;
      }
      wanted = kFrameHeaderSize + static_cast<size_t>(header.length);
    }
  }
  c->whole = true;
  return true;
}
