#pragma once

#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <ctime>

#include "streams/OStreamBase.h"

// Everything about one PNG image being written: its size and options, the
// libpng handles, the current row and the recovery point for libpng errors.
// The caller fills and owns the record; the writer only borrows its fields.
struct TPngWriterInfo {
  double gamma = 0.0;  // a gAMA chunk is written only when > 0.0
  int32_t width = 0;
  int32_t height = 0;
  time_t modTime = 0;  // for the tIME chunk
  TOStreamBase* stream = nullptr;
  png_structp pngPtr = nullptr;
  png_infop infoPtr = nullptr;
  uint8_t* rowBuffer = nullptr;  // width * 4 bytes: R, G, B, A per pixel
  const char* title = nullptr;
  const char* author = nullptr;
  const char* description = nullptr;
  const char* copyright = nullptr;
  const char* email = nullptr;
  const char* url = nullptr;
  int32_t sampleDepth = 8;
  int32_t interlaced = 0;
  int32_t haveBackground = 0;
  int32_t haveTime = 0;
  int32_t haveText = 0;  // bit set of kText* below
  std::jmp_buf jumpBuffer;
  uint8_t bgRed = 0;
  uint8_t bgGreen = 0;
  uint8_t bgBlue = 0;
};

// Which text entries Init writes, in this order.
enum : int32_t {
  kTextTitle = 0x01,
  kTextAuthor = 0x02,
  kTextDescription = 0x04,
  kTextCopyright = 0x08,
  kTextEmail = 0x10,
  kTextUrl = 0x20,
};

// Results of the steps.
enum : int32_t {
  kPngOk = 0,
  kPngLibraryError = 2,  // libpng raised an error; the structures are destroyed
  kPngOutOfMemory = 4,   // a libpng structure could not be created
};

// A thin step-by-step driver of libpng. It holds no state: everything lives
// in the record. Call Init; when it returned 0, EncodeRow once per row from
// the top down, stopping at the first non-zero result; then Finish and Cleanup.
// Each step sets its own recovery point, so a libpng error unwinds (by
// longjmp) no further than the step that called libpng. The writer never
// flushes or closes the stream.
class TPngWriter {
 public:
  static int32_t Init(TPngWriterInfo* info);
  static int32_t EncodeRow(TPngWriterInfo* info);
  static int32_t Finish(TPngWriterInfo* info);
  static void Cleanup(TPngWriterInfo* info);

  // libpng's callbacks. The error handler never returns to libpng.
  [[noreturn]] static void PngErrorHandler(png_structp png, png_const_charp message);
  static void PngWriteData(png_structp png, png_bytep bytes, png_size_t count);
  static void PngFlushData(png_structp png);
};
