#include "bench/SoakFrames.h"

#include <png.h>

#include <cstring>

namespace {

int32_t LittleEndian32(const char* bytes) {
  const auto* b = reinterpret_cast<const uint8_t*>(bytes);
  return static_cast<int32_t>(b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24);
}

constexpr uint8_t kEndChunk[] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};

}  // namespace

bool TMessageSplitter::Feed(const char* bytes, size_t count,
                            const std::function<void(std::string_view)>& whole) {
  FBuffer.append(bytes, count);
  while (FBuffer.size() >= 8) {
    const int32_t type = LittleEndian32(FBuffer.data());
    const int32_t length = LittleEndian32(FBuffer.data() + 4);
    if (type != 0 || length < 0) return false;
    const size_t size = 8 + static_cast<size_t>(length);
    if (FBuffer.size() < size) break;
    whole(std::string_view(FBuffer.data(), size));
    FBuffer.erase(0, size);
  }
  return true;
}

uint64_t HashBytes(const uint8_t* bytes, size_t count) {
  uint64_t hash = 14695981039346656037ull;
  for (size_t i = 0; i < count; ++i) {
    hash ^= bytes[i];
    hash *= 1099511628211ull;
  }
  return hash;
}

uint64_t HashRgbRows(const std::vector<uint8_t>& rgb) {
  return HashBytes(rgb.data(), rgb.size());
}

TFrameLedger::TFrameLedger(int width, int height, int bandRows)
    : FWidth(width), FHeight(height), FBandRows(bandRows) {}

void TFrameLedger::Record(std::string_view message) {
  ++FMessages;
  FBytes += static_cast<long long>(message.size());
  const uint64_t key = std::hash<std::string_view>{}(message);
  auto [at, fresh] = FFrames.try_emplace(key);
  TFrame& frame = at->second;
  if (fresh) {
    frame.bytes = message.size();
    frame.problem = Check(message);
  } else if (frame.bytes != message.size()) {
    frame.problem = "two different messages with one hash";
  }
  ++frame.receivers;
}

std::string TFrameLedger::Check(std::string_view message) const {
  if (message.size() == 8) return "an empty image message (the capture failed)";
  const auto* png = reinterpret_cast<const uint8_t*>(message.data()) + 8;
  const size_t size = message.size() - 8;
  if (size < sizeof kEndChunk ||
      std::memcmp(png + size - sizeof kEndChunk, kEndChunk, sizeof kEndChunk) != 0) {
    return "the PNG does not end with its IEND chunk";
  }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, png, size)) {
    return std::string("not a PNG: ") + image.message;
  }
  if (image.width != static_cast<uint32_t>(FWidth) ||
      image.height != static_cast<uint32_t>(FHeight)) {
    png_image_free(&image);
    return "a PNG of " + std::to_string(image.width) + "x" + std::to_string(image.height) +
           ", not of the screen's size";
  }
  image.format = PNG_FORMAT_RGBA;
  std::vector<uint8_t> rgba(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) {
    return std::string("the PNG does not decode: ") + image.message;
  }
  std::vector<uint8_t> band;
  band.reserve(static_cast<size_t>(FWidth) * FBandRows * 3);
  for (size_t i = 0; i < rgba.size(); i += 4) {
    if (rgba[i + 3] != 255) return "a pixel that is not opaque";
    if (i < static_cast<size_t>(FWidth) * FBandRows * 4)
      band.insert(band.end(), &rgba[i], &rgba[i + 3]);
  }
  if (FScenes.count(HashRgbRows(band)) == 0) return "its top band shows no scene the soak painted";
  return {};
}
