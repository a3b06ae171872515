#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Takes the bytes of a TCP stream as they come and cuts image messages out
// of them, checking each frame: type 0, a length from 1 to a limit, and a
// payload that is a whole PNG (the signature, then chunks from IHDR to IEND
// that fill it exactly, each passing its CRC check). Memory grows with the
// bytes that really arrive, never with what a length claims.
class TImageMessageReader {
 public:
  // The longest payload taken (512 MiB): more than the PNG of a 16384 x 8192
  // screen of noise, and a bound on what a hostile length makes us hold.
  static constexpr uint32_t kDefaultMaxLength = 1u << 29;

  explicit TImageMessageReader(uint32_t maxLength = kDefaultMaxLength);

  // Consumes bytes up to the end of the current message at most; returns
  // how many it took. Then either ImageReady() or Failed() may hold; with
  // neither, every byte was taken and more are needed.
  size_t Feed(const uint8_t* bytes, size_t count);

  bool ImageReady() const { return FImageReady; }
  // The finished PNG; the reader then starts on the next message.
  std::vector<uint8_t> TakeImage();

  bool Failed() const { return !FError.empty(); }
  const std::string& Error() const { return FError; }

  // Partway through a message: the stream must not end here.
  bool InMessage() const { return FHeaderCount > 0 && !Failed(); }
  // What a message cut short had and promised, for the error text.
  size_t ReceivedBytes() const;
  size_t ExpectedBytes() const;

 private:
  void CheckHeader();
  void CheckPayloadStart();
  void CheckPayloadEnd();

  uint32_t FMaxLength;
  uint8_t FHeader[8] = {};
  size_t FHeaderCount = 0;
  size_t FLength = 0;  // the checked payload length, once the header is whole
  std::vector<uint8_t> FPayload;
  bool FImageReady = false;
  std::string FError;
};
