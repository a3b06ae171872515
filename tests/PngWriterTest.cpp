#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <random>
#include <vector>

#include "imaging/PixelsToPng.h"
#include "imaging/PngWriter.h"
#include "streams/OMemStream.h"
#include "tests/support/PngDecode.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

// A desktop-like image: flat areas, edges and some noise.
std::vector<uint32_t> SampleScreen(int width, int height, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint32_t value = (x < width / 2) ? 0x203040u + static_cast<uint32_t>(y) : 0xF0F0F0u;
      if ((x + y) % 7 == 0) value = random() & 0xFFFFFF;
      value |= (random() & 0xFFu) << 24;  // the fourth byte carries no meaning
      pixels[static_cast<size_t>(y) * width + x] = value;
    }
  }
  return pixels;
}

TDecodedPng Decode(const TOMemStream& stream) {
  return DecodePng(stream.GetBuffer(), stream.GetSize());
}

// Takes only `limit` bytes in all, then reports short writes.
class LimitedStream : public TOStreamBase {
 public:
  explicit LimitedStream(int32_t limit) : limit_(limit) {}
  bool Failed() override { return false; }
  int32_t GetPosition() override { return written_; }
  void SetPosition(int32_t) override {}
  int32_t Write(const void*, int32_t count) override {
    const int32_t taken = std::min(count, limit_ - written_);
    written_ += taken;
    return taken;
  }
  void WriteBlock(const void* bytes, uint32_t count) override {
    Write(bytes, static_cast<int32_t>(count));
  }
  void PutChar(const char& c) override { Write(&c, 1); }
  int32_t written_ = 0;

 private:
  int32_t limit_;
};

// A memory stream that runs out of memory after `limit` bytes.
class ExhaustedStream : public TOMemStream {
 public:
  explicit ExhaustedStream(uint32_t limit) : TOMemStream(0), limit_(limit) {}
  void WriteBlock(const void* bytes, uint32_t count) override {
    if (GetSize() + count > limit_) throw std::bad_alloc();
    TOMemStream::WriteBlock(bytes, count);
  }

 private:
  uint32_t limit_;
};

// Plain libpng writing through stdio, every setting at its default but the
// zlib level. No object with a destructor lives in this frame (setjmp).
bool EncodeThroughStdio(std::FILE* file, const uint8_t* rgba, int width, int height, int level) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (png == nullptr || info == nullptr || setjmp(png_jmpbuf(png)) != 0) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file);
  png_set_compression_level(png, level);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y) {
    png_write_row(png, rgba + static_cast<size_t>(y) * width * 4);
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

// The PNG plain libpng makes of `rgba` at zlib `level`.
bool EncodeWithPlainLibpng(const std::vector<uint8_t>& rgba, int width, int height, int level,
                           std::vector<uint8_t>* png) {
  char* bytes = nullptr;
  size_t size = 0;
  std::FILE* file = open_memstream(&bytes, &size);
  if (file == nullptr) return false;
  const bool ok = EncodeThroughStdio(file, rgba.data(), width, height, level);
  std::fclose(file);
  png->assign(bytes, bytes + size);
  std::free(bytes);
  return ok;
}

TEST(RowConversion, ScreenPixelBecomesOpaqueRgba) {
  for (uint8_t fourth : {0x00, 0x7F, 0xFF}) {
    const uint8_t bgrx[4] = {0x10, 0x20, 0x30, fourth};
    uint32_t value;
    std::memcpy(&value, bgrx, 4);
    uint8_t rgba[4] = {};
    ConvertBgrxRowToRgba(&value, rgba, 1);
    EXPECT_THAT(rgba, ElementsAre(0x30, 0x20, 0x10, 0xFF));
  }
}

TEST(WritePngFromPixels, RoundTripsExactlyWithTheAgreedFormat) {
  for (auto [width, height] : {std::pair{1, 1}, std::pair{3, 2}, std::pair{257, 131}}) {
    const auto pixels = SampleScreen(width, height, 42);
    TOMemStream stream(0);
    WritePngFromPixels(&stream, pixels.data(), width, height);

    const TDecodedPng png = Decode(stream);
    ASSERT_TRUE(png.ok) << png.error;
    EXPECT_EQ(png.width, static_cast<uint32_t>(width));
    EXPECT_EQ(png.height, static_cast<uint32_t>(height));
    EXPECT_EQ(png.colorType, 6);
    EXPECT_EQ(png.bitDepth, 8);
    EXPECT_EQ(png.interlace, 0);
    EXPECT_EQ(CompareWithScreenPixels(png, pixels.data()), "");
    // Only the image itself: no gamma, background, time or text.
    EXPECT_EQ(png.chunks.front(), "IHDR");
    EXPECT_EQ(png.chunks.back(), "IEND");
    for (const std::string& chunk : png.chunks) {
      EXPECT_THAT(chunk, ::testing::AnyOf("IHDR", "IDAT", "IEND"));
    }
  }
}

TEST(WritePngFromPixels, IsByteForByteLibpngAtZlibLevelNine) {
  const int width = 400, height = 300;
  const auto pixels = SampleScreen(width, height, 7);
  std::vector<uint8_t> rgba(pixels.size() * 4);
  for (int y = 0; y < height; ++y) {
    ConvertBgrxRowToRgba(pixels.data() + y * width, rgba.data() + y * width * 4, width);
  }
  std::vector<uint8_t> levels[10];
  for (int level = 0; level <= 9; ++level) {
    ASSERT_TRUE(EncodeWithPlainLibpng(rgba, width, height, level, &levels[level]));
  }
  // The content tells every level from 9, so only level 9 can match.
  for (int level = 0; level < 9; ++level) {
    ASSERT_NE(levels[level], levels[9]) << "level " << level << " encodes this image as 9 does";
  }

  TOMemStream ours(0);
  WritePngFromPixels(&ours, pixels.data(), width, height);
  const std::vector<uint8_t> written(ours.GetBuffer(), ours.GetBuffer() + ours.GetSize());
  EXPECT_TRUE(written == levels[9]) << "our " << written.size() << " bytes differ from libpng's "
                                    << levels[9].size() << " at level 9";
}

TEST(WritePngFromPixels, TwoImagesInARowAreIndependent) {
  const auto a = SampleScreen(50, 40, 1);
  const auto b = SampleScreen(30, 60, 2);
  TOMemStream aAlone(0), bAlone(0), both(0);
  WritePngFromPixels(&aAlone, a.data(), 50, 40);
  WritePngFromPixels(&bAlone, b.data(), 30, 60);
  WritePngFromPixels(&both, a.data(), 50, 40);
  WritePngFromPixels(&both, b.data(), 30, 60);
  ASSERT_EQ(both.GetSize(), aAlone.GetSize() + bAlone.GetSize());
  EXPECT_EQ(0, std::memcmp(both.GetBuffer(), aAlone.GetBuffer(), aAlone.GetSize()));
  EXPECT_EQ(0,
            std::memcmp(both.GetBuffer() + aAlone.GetSize(), bAlone.GetBuffer(), bAlone.GetSize()));
}

TEST(WritePngFromPixels, ZeroSizeIsRefusedByLibpngAndWritesNothing) {
  const uint32_t pixel = 0;
  for (auto [width, height] : {std::pair{0, 5}, std::pair{5, 0}, std::pair{-3, 4}}) {
    TOMemStream stream(0);
    ::testing::internal::CaptureStderr();
    WritePngFromPixels(&stream, &pixel, width, height);
    const std::string errors = ::testing::internal::GetCapturedStderr();
    // libpng's own warnings may come first; then our one error line.
    EXPECT_THAT(errors, ::testing::EndsWith("writepng libpng error: Invalid IHDR data\n"));
    EXPECT_EQ(stream.GetSize(), 0u);
  }
}

TEST(WritePngFromPixels, MissingPixelsWriteNothing) {
  TOMemStream stream(0);
  WritePngFromPixels(&stream, nullptr, 10, 10);
  EXPECT_EQ(stream.GetSize(), 0u);
}

TEST(PngWriter, InitReportsAHeaderLibpngRefuses) {
  TOMemStream stream(0);
  uint8_t row[4];
  TPngWriterInfo info;
  info.width = 0;
  info.height = 1;
  info.stream = &stream;
  info.rowBuffer = row;
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(TPngWriter::Init(&info), kPngLibraryError);
  EXPECT_THAT(::testing::internal::GetCapturedStderr(),
              ::testing::EndsWith("\nwritepng libpng error: Invalid IHDR data\n"));
  EXPECT_EQ(info.pngPtr, nullptr);
  EXPECT_EQ(stream.GetSize(), 0u);
}

TEST(PngWriter, AShortWriteFailsTheStepWithReadError) {
  const auto pixels = SampleScreen(64, 64, 3);
  // Nothing taken: the signature written by Init already fails.
  {
    LimitedStream stream(0);
    ::testing::internal::CaptureStderr();
    WritePngFromPixels(&stream, pixels.data(), 64, 64);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "writepng libpng error: Read Error\n");
  }
  // The header goes through, the image data does not: a truncated PNG stays.
  {
    LimitedStream stream(100);
    TPngWriterInfo info;
    std::vector<uint8_t> row(64 * 4, 0x55);
    info.width = 64;
    info.height = 64;
    info.stream = &stream;
    info.rowBuffer = row.data();
    ASSERT_EQ(TPngWriter::Init(&info), kPngOk);
    ::testing::internal::CaptureStderr();
    int32_t result = kPngOk;
    for (int y = 0; y < 64 && result == kPngOk; ++y)
      result = TPngWriter::EncodeRow(&info);
    if (result == kPngOk) result = TPngWriter::Finish(&info);
    EXPECT_EQ(result, kPngLibraryError);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "writepng libpng error: Read Error\n");
    EXPECT_EQ(info.pngPtr, nullptr);
    EXPECT_EQ(info.infoPtr, nullptr);
    EXPECT_EQ(TPngWriter::Finish(&info), kPngOk);  // nothing left to finish
    TPngWriter::Cleanup(&info);
    EXPECT_EQ(stream.written_, 100);
  }
}

TEST(PngWriter, AStreamOutOfMemoryCountsAsAShortWrite) {
  const auto pixels = SampleScreen(128, 128, 4);
  ExhaustedStream stream(500);
  ::testing::internal::CaptureStderr();
  WritePngFromPixels(&stream, pixels.data(), 128, 128);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "writepng libpng error: Read Error\n");
  EXPECT_LE(stream.GetSize(), 500u);
  EXPECT_GT(stream.GetSize(), 8u);  // signature and header made it
}

TEST(PngWriter, WritesTheOptionalChunksWhenAsked) {
  TOMemStream stream(0);
  uint8_t row[2 * 4] = {1, 2, 3, 255, 4, 5, 6, 255};
  TPngWriterInfo info;
  info.width = 2;
  info.height = 1;
  info.stream = &stream;
  info.rowBuffer = row;
  info.gamma = 0.45455;
  info.haveBackground = 1;
  info.bgRed = 10;
  info.haveTime = 1;
  info.modTime = 1709647439;  // 2024-03-05 14:03:59 UTC
  info.haveText = kTextTitle | kTextUrl | kTextAuthor;
  info.title = "T";
  info.author = "A";
  info.url = "U";
  ASSERT_EQ(TPngWriter::Init(&info), kPngOk);
  ASSERT_EQ(TPngWriter::EncodeRow(&info), kPngOk);
  ASSERT_EQ(TPngWriter::Finish(&info), kPngOk);
  TPngWriter::Cleanup(&info);

  const TDecodedPng png = Decode(stream);
  ASSERT_TRUE(png.ok) << png.error;
  EXPECT_THAT(png.chunks, ::testing::IsSupersetOf({"gAMA", "bKGD", "tIME", "tEXt"}));
  EXPECT_EQ(std::count(png.chunks.begin(), png.chunks.end(), "tEXt"), 3);
  // The entries keep the table's order: Title, Author, URL.
  const std::string bytes(reinterpret_cast<char*>(stream.GetBuffer()), stream.GetSize());
  const size_t title = bytes.find(std::string("Title\0T", 7));
  const size_t author = bytes.find(std::string("Author\0A", 8));
  const size_t url = bytes.find(std::string("URL\0U", 5));
  ASSERT_NE(title, std::string::npos);
  ASSERT_NE(author, std::string::npos);
  ASSERT_NE(url, std::string::npos);
  EXPECT_LT(title, author);
  EXPECT_LT(author, url);
  EXPECT_THAT(png.rgba, ElementsAre(1, 2, 3, 255, 4, 5, 6, 255));
}

TEST(PngWriter, AnInterlacedImageSaysSoInItsHeader) {
  TOMemStream stream(0);
  TPngWriterInfo info;
  info.width = 2;
  info.height = 2;
  info.stream = &stream;
  info.interlaced = 1;
  ASSERT_EQ(TPngWriter::Init(&info), kPngOk);
  TPngWriter::Cleanup(&info);
  // Signature (8), chunk length and type (8), then width, height, depth,
  // colour type, compression, filter, interlace.
  ASSERT_GE(stream.GetSize(), 29u);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(stream.GetBuffer()) + 12, 4), "IHDR");
  EXPECT_EQ(stream.GetBuffer()[24], 8);
  EXPECT_EQ(stream.GetBuffer()[25], 6);
  EXPECT_EQ(stream.GetBuffer()[28], 1);
}

TEST(PngWriterDeathTest, AnErrorWithoutARecordEndsTheProcessWith99) {
  EXPECT_EXIT(
      {
        png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        TPngWriter::PngErrorHandler(png, "boom");
      },
      ::testing::ExitedWithCode(99),
      "writepng libpng error: boom\nwritepng severe error:  jmpbuf not recoverable; "
      "terminating.\n");
}

#if !defined(__SANITIZE_ADDRESS__)
// In the child process of a death test: allocations past 256 MiB fail.
void CapAddressSpaceAt256MiB() {
  rlimit limit{};
  getrlimit(RLIMIT_AS, &limit);
  limit.rlim_cur = 256u << 20;
  setrlimit(RLIMIT_AS, &limit);
}

TEST(WritePngFromPixelsDeathTest, ARowBufferThatCannotBeAllocatedWritesNothing) {
  // In a child process whose address space is capped, a 400 MB row cannot be had.
  EXPECT_EXIT(
      {
        CapAddressSpaceAt256MiB();
        TOMemStream stream(0);
        const uint32_t pixel = 0;
        WritePngFromPixels(&stream, &pixel, 100'000'000, 1);
        std::fprintf(stderr, "written %u\n", stream.GetSize());
        std::exit(stream.GetSize() == 0 ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "^written 0\n$");
}

TEST(WritePngFromPixelsDeathTest, TheWidestRowOverNoRowsIsRefusedWithoutItsMemory) {
  // 8 GiB for a row of an image that has none: refused as a bad header, in
  // a process that could not have had the memory.
  EXPECT_EXIT(
      {
        CapAddressSpaceAt256MiB();
        TOMemStream stream(0);
        const uint32_t pixel = 0;
        const int32_t result = TryWritePngFromPixels(&stream, &pixel, INT32_MAX, 0);
        std::fprintf(stderr, "result %d\n", result);
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "result 2\n$");
}
#endif

}  // namespace
