#pragma once

// While one of these lives, zlib refuses to start a compressor, as it does
// when memory runs out: libpng then fails partway through an image, after the
// PNG signature and header are written, with the output stream still sound.
//
// It works by defining zlib's deflateInit2_ in the test program, which
// takes the place of zlib's own for every library in the process; outside a
// fault each call goes on to zlib.
class CompressorFault {
 public:
  CompressorFault();
  ~CompressorFault();
  CompressorFault(const CompressorFault&) = delete;
  CompressorFault& operator=(const CompressorFault&) = delete;

  // Compressors refused while this fault lived.
  int Refused() const;
};
