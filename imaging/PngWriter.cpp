#include "imaging/PngWriter.h"

#include <cstdio>
#include <cstdlib>

// A note on recovery points: libpng reports an error by calling our error
// handler, which longjmps back into the step that set the recovery point. No
// function on the path between the two (the steps, the callbacks) may hold an
// object with a destructor, since the jump would skip it.

namespace {

// Adds one text entry when its bit is set; entries keep the table's order.
void AddText(png_text* entries, int* count, int32_t haveText, int32_t bit, const char* key,
             const char* text) {
  if ((haveText & bit) == 0) return;
  png_text& entry = entries[(*count)++];
  entry.compression = PNG_TEXT_COMPRESSION_NONE;
  entry.key = const_cast<png_charp>(key);
  entry.text = const_cast<png_charp>(text != nullptr ? text : "");
}

}  // namespace

int32_t TPngWriter::Init(TPngWriterInfo* info) {
  png_structp png =
      png_create_write_struct(PNG_LIBPNG_VER_STRING, info, &TPngWriter::PngErrorHandler, nullptr);
  if (png == nullptr) return kPngOutOfMemory;

  png_infop pngInfo = png_create_info_struct(png);
  if (pngInfo == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return kPngOutOfMemory;
  }

  if (setjmp(info->jumpBuffer) != 0) {
    png_destroy_write_struct(&png, &pngInfo);
    return kPngLibraryError;
  }

  png_set_write_fn(png, info->stream, &TPngWriter::PngWriteData, &TPngWriter::PngFlushData);
  png_set_compression_level(png, 9);
  png_set_IHDR(png, pngInfo, static_cast<png_uint_32>(info->width),
               static_cast<png_uint_32>(info->height), info->sampleDepth, PNG_COLOR_TYPE_RGB_ALPHA,
               info->interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);

  if (info->gamma > 0.0) png_set_gAMA(png, pngInfo, info->gamma);

  if (info->haveBackground) {
    png_color_16 background{};
    background.red = info->bgRed;
    background.green = info->bgGreen;
    background.blue = info->bgBlue;
    png_set_bKGD(png, pngInfo, &background);
  }

  if (info->haveTime) {
    png_time modTime;
    png_convert_from_time_t(&modTime, info->modTime);
    png_set_tIME(png, pngInfo, &modTime);
  }

  if (info->haveText) {
    png_text entries[6];
    int count = 0;
    AddText(entries, &count, info->haveText, kTextTitle, "Title", info->title);
    AddText(entries, &count, info->haveText, kTextAuthor, "Author", info->author);
    AddText(entries, &count, info->haveText, kTextDescription, "Description", info->description);
    AddText(entries, &count, info->haveText, kTextCopyright, "Copyright", info->copyright);
    AddText(entries, &count, info->haveText, kTextEmail, "E-mail", info->email);
    AddText(entries, &count, info->haveText, kTextUrl, "URL", info->url);
    png_set_text(png, pngInfo, entries, count);
  }

  png_write_info(png, pngInfo);
  png_set_packing(png);

  info->pngPtr = png;
  info->infoPtr = pngInfo;
  return kPngOk;
}

int32_t TPngWriter::EncodeRow(TPngWriterInfo* info) {
  if (setjmp(info->jumpBuffer) != 0) {
    png_destroy_write_struct(&info->pngPtr, &info->infoPtr);
    info->pngPtr = nullptr;
    info->infoPtr = nullptr;
    return kPngLibraryError;
  }
  png_write_row(info->pngPtr, info->rowBuffer);
  return kPngOk;
}

int32_t TPngWriter::Finish(TPngWriterInfo* info) {
  // An earlier step failed and destroyed the structures: nothing to finish.
  if (info->pngPtr == nullptr) return kPngOk;
  if (setjmp(info->jumpBuffer) != 0) {
    png_destroy_write_struct(&info->pngPtr, &info->infoPtr);
    info->pngPtr = nullptr;
    info->infoPtr = nullptr;
    return kPngLibraryError;
  }
  png_write_end(info->pngPtr, nullptr);
  return kPngOk;
}

void TPngWriter::Cleanup(TPngWriterInfo* info) {
  if (info->pngPtr != nullptr && info->infoPtr != nullptr) {
    png_structp png = info->pngPtr;
    png_infop pngInfo = info->infoPtr;
    png_destroy_write_struct(&png, &pngInfo);
  }
}

void TPngWriter::PngErrorHandler(png_structp png, png_const_charp message) {
  std::fprintf(stderr, "writepng libpng error: %s\n", message);
  std::fflush(stderr);

  auto* info = static_cast<TPngWriterInfo*>(png_get_error_ptr(png));
  if (info == nullptr) {
    std::fprintf(stderr, "writepng severe error:  jmpbuf not recoverable; terminating.\n");
    std::fflush(stderr);
    std::exit(99);
  }
  std::longjmp(info->jumpBuffer, 1);
}

void TPngWriter::PngWriteData(png_structp png, png_bytep bytes, png_size_t count) {
  auto* stream = static_cast<TOStreamBase*>(png_get_io_ptr(png));
  int32_t written = -1;
  if (count <= static_cast<png_size_t>(INT32_MAX)) {
    // A stream that cannot take the bytes (a memory stream out of memory)
    // counts as a short write; no exception may cross libpng's C frames.
    try {
      written = stream->Write(bytes, static_cast<int32_t>(count));
    } catch (...) {
      written = -1;
    }
  }
  if (written < 0 || static_cast<png_size_t>(written) != count) png_error(png, "Read Error");
}

void TPngWriter::PngFlushData(png_structp) {}
