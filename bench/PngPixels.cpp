#include "bench/PngPixels.h"

#include <png.h>

#include "protocol/MessageFrame.h"

TPngPixels DecodeImageMessage(const std::string& message) {
  TPngPixels pixels;
  if (message.size() <= kFrameHeaderSize) {
    pixels.error = "an image message without a PNG";
    return pixels;
  }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, message.data() + kFrameHeaderSize,
                                        message.size() - kFrameHeaderSize)) {
    pixels.error = image.message;
    return pixels;
  }
  image.format = PNG_FORMAT_RGBA;
  pixels.rgba.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, pixels.rgba.data(), 0, nullptr)) {
    pixels.error = image.message;
    png_image_free(&image);
    return pixels;
  }
  pixels.width = static_cast<int>(image.width);
  pixels.height = static_cast<int>(image.height);
  pixels.ok = true;
  return pixels;
}
