#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <vector>

// The colours that pixel values of the screen's visual stand for, learnt
// from its colormap as it is at the moment of a read.
//
// On an indexed screen (PseudoColor, StaticColor, GrayScale, StaticGray) a
// pixel value is a colormap index and carries no colour of its own; on a
// decomposed one (TrueColor, DirectColor) each channel's bits index a ramp
// of the colormap. Asking the colormap gives the colours the screen shows in
// both cases, with one request per read.
class XPixelColours {
 public:
  // Learns the colours of the default visual of `display`. False when the
  // visual is of no known class or X refuses the colormap query.
  bool Load(Display* display);

  // The colour of `pixel` as 0x00RRGGBB.
  uint32_t ColourOf(unsigned long pixel) const;

 private:
  struct Channel {
    unsigned long mask = 0;
    int shift = 0;
    std::vector<uint8_t> levels;  // channel value -> 8-bit level
  };
  bool LoadIndexed(Display* display, Colormap colormap, int entries);
  bool LoadDecomposed(Display* display, Colormap colormap, const Visual* visual);

  bool decomposed_ = false;
  std::vector<uint32_t> colours_;  // indexed: pixel value -> 0x00RRGGBB
  Channel channels_[3];            // decomposed: red, green, blue
};
