#include "tests/support/PngDecode.h"

#include <png.h>

#include <cstring>
#include <fstream>
#include <iterator>

namespace {

struct TReadSource {
  const uint8_t* bytes;
  size_t count;
  size_t offset;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
  auto* source = static_cast<TReadSource*>(png_get_io_ptr(png));
  if (count > source->count - source->offset) png_error(png, "truncated");
  std::memcpy(out, source->bytes + source->offset, count);
  source->offset += count;
}

void ListChunks(const uint8_t* bytes, size_t count, std::vector<std::string>* chunks) {
  size_t offset = 8;
  while (offset + 8 <= count) {
    const uint32_t length = uint32_t(bytes[offset]) << 24 | uint32_t(bytes[offset + 1]) << 16 |
                            uint32_t(bytes[offset + 2]) << 8 | bytes[offset + 3];
    chunks->emplace_back(reinterpret_cast<const char*>(bytes + offset + 4), 4);
    offset += 12 + static_cast<size_t>(length);
  }
}

// Everything libpng-side lives in this function, which holds no object with
// a destructor across the setjmp.
bool DecodeInto(TReadSource* source, TDecodedPng* out, std::vector<png_bytep>* rows) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, source, &ReadFromMemory);
  png_read_info(png, info);
  out->width = png_get_image_width(png, info);
  out->height = png_get_image_height(png, info);
  out->bitDepth = png_get_bit_depth(png, info);
  out->colorType = png_get_color_type(png, info);
  out->interlace = png_get_interlace_type(png, info);
  if (out->bitDepth != 8 || out->colorType != PNG_COLOR_TYPE_RGB_ALPHA) {
    png_destroy_read_struct(&png, &info, nullptr);
    return true;  // header read; pixels only for the format we write
  }
  out->rgba.resize(static_cast<size_t>(out->width) * out->height * 4);
  rows->resize(out->height);
  for (uint32_t y = 0; y < out->height; ++y) {
    (*rows)[y] = out->rgba.data() + static_cast<size_t>(y) * out->width * 4;
  }
  png_read_image(png, rows->data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

}  // namespace

TDecodedPng DecodePng(const uint8_t* bytes, size_t count) {
  TDecodedPng out;
  if (count < 8 || png_sig_cmp(bytes, 0, 8) != 0) {
    out.error = "no PNG signature";
    return out;
  }
  ListChunks(bytes, count, &out.chunks);
  TReadSource source{bytes, count, 0};
  std::vector<png_bytep> rows;
  out.ok = DecodeInto(&source, &out, &rows);
  if (!out.ok) out.error = "libpng could not decode it";
  return out;
}

TDecodedPng DecodePngFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                             std::istreambuf_iterator<char>());
  return DecodePng(bytes.data(), bytes.size());
}

std::string CompareWithScreenPixels(const TDecodedPng& png, const uint32_t* bgrx) {
  const size_t count = static_cast<size_t>(png.width) * png.height;
  if (png.rgba.size() != count * 4) return "no pixels decoded";
  for (size_t i = 0; i < count; ++i) {
    const uint32_t v = bgrx[i];
    const uint8_t* p = &png.rgba[i * 4];
    if (p[0] != ((v >> 16) & 0xFF) || p[1] != ((v >> 8) & 0xFF) || p[2] != (v & 0xFF) ||
        p[3] != 0xFF) {
      return "pixel " + std::to_string(i % png.width) + "," + std::to_string(i / png.width) +
             " differs";
    }
  }
  return "";
}
