#include "tests/support/CompressorFault.h"

#include <dlfcn.h>
#include <zlib.h>

#include <cstdlib>

namespace {

bool gFaulting = false;
int gRefused = 0;

using DeflateInit2 = int (*)(z_streamp, int, int, int, int, int, const char*, int);

}  // namespace

extern "C" int deflateInit2_(z_streamp stream, int level, int method, int windowBits, int memLevel,
                             int strategy, const char* version, int streamSize) {
  if (gFaulting) {
    ++gRefused;
    return Z_MEM_ERROR;
  }
  static const auto zlib = reinterpret_cast<DeflateInit2>(dlsym(RTLD_NEXT, "deflateInit2_"));
  if (zlib == nullptr) std::abort();  // no zlib behind us: nothing could compress
  return zlib(stream, level, method, windowBits, memLevel, strategy, version, streamSize);
}

CompressorFault::CompressorFault() {
  gFaulting = true;
  gRefused = 0;
}

CompressorFault::~CompressorFault() {
  gFaulting = false;
}

int CompressorFault::Refused() const {
  return gRefused;
}
