#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

// Cuts one connection's byte stream into image messages (8-byte header:
// type, then payload length, both little-endian 32-bit).
class TMessageSplitter {
 public:
  // Takes bytes as they came; `whole` gets each complete message, header
  // included. False once a header is not an image message's (the stream is
  // then unusable).
  bool Feed(const char* bytes, size_t count, const std::function<void(std::string_view)>& whole);
  // Partway through a message.
  bool InMessage() const { return !FBuffer.empty(); }
  void Clear() { FBuffer.clear(); }

 private:
  std::string FBuffer;
};

// FNV-1a, 64 bits.
uint64_t HashBytes(const uint8_t* bytes, size_t count);

// Hash of the top `rows` rows of an RGB picture given as rows of 8-bit
// R, G, B triples (alpha dropped by the caller).
uint64_t HashRgbRows(const std::vector<uint8_t>& rgb);

// Every distinct message that any client got whole, each checked once: a
// decodable PNG (libpng checks every chunk's CRC and the zlib stream) of the
// screen's size, ending with the IEND chunk, every pixel opaque, whose top
// band shows one of the scenes the soak painted there.
class TFrameLedger {
 public:
  TFrameLedger(int width, int height, int bandRows);

  // A scene painted in the band, as read back from the X server.
  void AddScene(uint64_t bandHash) { FScenes.insert(bandHash); }
  // One client's whole message.
  void Record(std::string_view message);

  struct TFrame {
    size_t bytes = 0;
    int receivers = 0;    // how many times a client got it whole
    std::string problem;  // empty when it passed every check
  };
  const std::map<uint64_t, TFrame>& Frames() const { return FFrames; }
  long long Messages() const { return FMessages; }
  long long Bytes() const { return FBytes; }
  int Scenes() const { return static_cast<int>(FScenes.size()); }

 private:
  std::string Check(std::string_view message) const;

  int FWidth, FHeight, FBandRows;
  std::set<uint64_t> FScenes;
  std::map<uint64_t, TFrame> FFrames;
  long long FMessages = 0;
  long long FBytes = 0;
};
