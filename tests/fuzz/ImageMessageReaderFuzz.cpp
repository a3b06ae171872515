// scrivlo-grab's message reader against any byte stream, cut into any pieces.
//
// Input: [limit choice][k][k piece sizes][stream...]. The stream is fed once
// whole and once in the pieces (sizes cycled); both must give the same
// images and the same end. Every image taken must be what its header
// announced and a well-formed PNG: signature, IHDR first, chunks whose CRCs
// hold, IEND last and nothing after it. And the images taken must be
// exactly the sound messages the stream starts with, as an independent walk
// of its frames finds them; one that is whole but unsound must fail it.

#include <zlib.h>

#include <cstring>
#include <vector>

#include "protocol/MessageFrame.h"
#include "tests/fuzz/FuzzInput.h"
#include "tools/ImageMessageReader.h"

namespace {

using Bytes = std::vector<uint8_t>;

uint32_t BigEndian32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

// Why `png` is not a well-formed PNG, or "" when it is.
std::string PngFault(const Bytes& png) {
  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (png.size() < 8 || std::memcmp(png.data(), kSignature, 8) != 0) return "no signature";
  size_t at = 8;
  bool first = true;
  while (true) {
    if (png.size() - at < 12) return "a chunk cut short at " + std::to_string(at);
    const uint32_t length = BigEndian32(&png[at]);
    if (length > 0x7FFFFFFFu || length > png.size() - at - 12) return "a chunk runs past the end";
    const std::string type(reinterpret_cast<const char*>(&png[at + 4]), 4);
    const uLong crc = crc32(crc32(0, nullptr, 0), &png[at + 4], length + 4);
    if (crc != BigEndian32(&png[at + 8 + length])) return "a bad CRC in chunk " + type;
    if (first && (type != "IHDR" || length != 13)) return "the first chunk is not IHDR";
    first = false;
    at += 12 + length;
    if (type == "IEND") return at == png.size() ? "" : "bytes after IEND";
  }
}

struct Outcome {
  std::vector<Bytes> images;
  bool failed = false;
  std::string error;
  bool inMessage = false;
};

// Feeds `pieces` in turn, as scrivlo-grab feeds what each receive returns.
Outcome Read(uint32_t limit, const std::vector<std::string_view>& pieces) {
  TImageMessageReader reader(limit);
  Outcome outcome;
  size_t fed = 0;
  for (const std::string_view piece : pieces) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(piece.data());
    size_t offset = 0;
    while (offset < piece.size() && !reader.Failed()) {
      const size_t taken = reader.Feed(bytes + offset, piece.size() - offset);
      FUZZ_CHECK(taken <= piece.size() - offset, "took %zu of %zu", taken, piece.size() - offset);
      // No progress would spin the client's read loop.
      FUZZ_CHECK(taken > 0 || reader.Failed(), "Feed took nothing and did not fail");
      offset += taken;
      fed += taken;
      FUZZ_CHECK(reader.ReceivedBytes() <= fed, "holds %zu bytes of %zu fed",
                 reader.ReceivedBytes(), fed);
      if (reader.ImageReady()) {
        FUZZ_CHECK(!reader.Failed(), "an image and a failure at once");
        const size_t announced = reader.ExpectedBytes() - kFrameHeaderSize;
        Bytes image = reader.TakeImage();
        FUZZ_CHECK(image.size() == announced, "an image of %zu bytes, %zu announced", image.size(),
                   announced);
        const std::string fault = PngFault(image);
        FUZZ_CHECK(fault.empty(), "an image taken that is not a PNG: %s", fault.c_str());
        FUZZ_CHECK(!reader.InMessage() && !reader.ImageReady(), "not reset after TakeImage");
        outcome.images.push_back(std::move(image));
      }
    }
    if (reader.Failed()) {
      FUZZ_CHECK(!reader.Error().empty() && !reader.InMessage(), "a failure without its text");
      FUZZ_CHECK(reader.Feed(bytes, piece.size()) == 0, "takes bytes after failing");
      break;
    }
  }
  outcome.failed = reader.Failed();
  outcome.error = reader.Error();
  outcome.inMessage = reader.InMessage();
  return outcome;
}

uint32_t LittleEndian32(const uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// The sound messages `stream` starts with, walked frame by frame; `refused`
// tells whether the walk stopped at a whole frame that must be refused
// (rather than at one cut short).
std::vector<Bytes> SoundMessages(uint32_t limit, std::string_view stream, bool* refused) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(stream.data());
  std::vector<Bytes> images;
  *refused = false;
  for (size_t at = 0; stream.size() - at >= kFrameHeaderSize;) {
    const uint32_t type = LittleEndian32(bytes + at);
    const uint32_t length = LittleEndian32(bytes + at + 4);
    if (type != 0 || length == 0 || length > limit || length > 0x7FFFFFFFu) {
      *refused = true;
      break;
    }
    if (stream.size() - at - kFrameHeaderSize < length) break;
    Bytes payload(bytes + at + kFrameHeaderSize, bytes + at + kFrameHeaderSize + length);
    if (!PngFault(payload).empty()) {
      *refused = true;
      break;
    }
    images.push_back(std::move(payload));
    at += kFrameHeaderSize + length;
  }
  return images;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TFuzzInput input(data, size);
  static const uint32_t kLimits[] = {TImageMessageReader::kDefaultMaxLength, 1, 100, 4096};
  const uint32_t limit = kLimits[input.Byte() % 4];
  std::vector<size_t> sizes;
  for (int k = input.Byte() % 8; k > 0; --k)
    sizes.push_back(size_t{input.Byte()} + 1);
  const std::string_view stream = input.Rest();

  std::vector<std::string_view> pieces;
  for (size_t at = 0, i = 0; at < stream.size(); ++i) {
    const size_t n =
        sizes.empty() ? stream.size() : std::min(sizes[i % sizes.size()], stream.size() - at);
    pieces.push_back(stream.substr(at, n));
    at += n;
  }
  const Outcome whole = Read(limit, {stream});
  const Outcome cut = Read(limit, pieces);
  FUZZ_CHECK(whole.images == cut.images, "%zu images whole, %zu in pieces", whole.images.size(),
             cut.images.size());
  FUZZ_CHECK(
      whole.failed == cut.failed && whole.error == cut.error && whole.inMessage == cut.inMessage,
      "whole: \"%s\", in pieces: \"%s\"", whole.error.c_str(), cut.error.c_str());
  bool refused = false;
  const std::vector<Bytes> sound = SoundMessages(limit, stream, &refused);
  FUZZ_CHECK(whole.images == sound, "%zu images taken of %zu sound messages", whole.images.size(),
             sound.size());
  FUZZ_CHECK(!refused || whole.failed, "a whole unsound message taken without a failure");
  return 0;
}
