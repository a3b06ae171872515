#include "bench/BaselinePngWriter.h"

#include <png.h>

namespace {

void AppendToVector(png_structp png, png_bytep bytes, png_size_t count) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), bytes, bytes + count);
}

void Flush(png_structp) {}

}  // namespace

std::vector<uint8_t> WriteBaselinePng(const std::vector<uint8_t>& rgba, int width, int height) {
  std::vector<uint8_t> out;
  out.reserve(rgba.size() / 4);
  std::vector<png_bytep> rows(height);
  for (int y = 0; y < height; ++y) {
    rows[y] = const_cast<png_bytep>(rgba.data()) + static_cast<size_t>(y) * width * 4;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &out, &AppendToVector, &Flush);
  png_set_compression_level(png, 9);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}
