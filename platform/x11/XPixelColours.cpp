#include "platform/x11/XPixelColours.h"

#include <algorithm>

#include "platform/x11/XConnection.h"

namespace {

// No screen has a colormap (or a channel ramp) longer than this; refusing
// longer ones bounds the query.
constexpr int kMaxEntries = 1 << 16;

uint8_t Level(unsigned short intensity) {
  return static_cast<uint8_t>(intensity >> 8);
}

// Asks the colormap for the colours of `colours` (their pixel fields set).
bool QueryColours(Display* display, Colormap colormap, std::vector<XColor>* colours) {
  XErrorTrap trap(display);
  XQueryColors(display, colormap, colours->data(), static_cast<int>(colours->size()));
  return !trap.Failed();
}

}  // namespace

bool XPixelColours::Load(Display* display) {
  const int screen = DefaultScreen(display);
  const Visual* visual = DefaultVisual(display, screen);
  const Colormap colormap = DefaultColormap(display, screen);
  const int entries = visual->map_entries;
  if (entries <= 0 || entries > kMaxEntries) return false;
  switch (visual->c_class) {
    case StaticGray:
    case GrayScale:
    case StaticColor:
    case PseudoColor:
      return LoadIndexed(display, colormap, entries);
    case TrueColor:
    case DirectColor:
      return LoadDecomposed(display, colormap, visual);
    default:
      return false;
  }
}

bool XPixelColours::LoadIndexed(Display* display, Colormap colormap, int entries) {
  decomposed_ = false;
  std::vector<XColor> colours(static_cast<size_t>(entries));
  for (int i = 0; i < entries; ++i)
    colours[i].pixel = static_cast<unsigned long>(i);
  if (!QueryColours(display, colormap, &colours)) return false;
  colours_.resize(colours.size());
  for (size_t i = 0; i < colours.size(); ++i) {
    colours_[i] = static_cast<uint32_t>(Level(colours[i].red)) << 16 |
                  static_cast<uint32_t>(Level(colours[i].green)) << 8 | Level(colours[i].blue);
  }
  return true;
}

bool XPixelColours::LoadDecomposed(Display* display, Colormap colormap, const Visual* visual) {
  decomposed_ = true;
  const unsigned long masks[3] = {visual->red_mask, visual->green_mask, visual->blue_mask};
  int valueCount = 0;  // entries of the longest channel ramp
  for (int c = 0; c < 3; ++c) {
    Channel& channel = channels_[c];
    channel.mask = masks[c];
    if (channel.mask == 0) return false;
    channel.shift = 0;
    while (((channel.mask >> channel.shift) & 1) == 0)
      ++channel.shift;
    const unsigned long values = (channel.mask >> channel.shift) + 1;
    if (values > static_cast<unsigned long>(kMaxEntries)) return false;
    channel.levels.assign(values, 0);
    valueCount = std::max(valueCount, static_cast<int>(values));
  }

  // Entry i of each ramp at once: a pixel whose every channel holds i (or
  // the channel's last value, for the shorter ramps).
  std::vector<XColor> colours(static_cast<size_t>(valueCount));
  for (int i = 0; i < valueCount; ++i) {
    unsigned long pixel = 0;
    for (const Channel& channel : channels_) {
      const unsigned long value =
          std::min<unsigned long>(static_cast<unsigned long>(i), channel.levels.size() - 1);
      pixel |= (value << channel.shift) & channel.mask;
    }
    colours[i].pixel = pixel;
  }
  if (!QueryColours(display, colormap, &colours)) return false;
  for (int i = 0; i < valueCount; ++i) {
    const unsigned short intensities[3] = {colours[i].red, colours[i].green, colours[i].blue};
    for (int c = 0; c < 3; ++c) {
      if (static_cast<size_t>(i) < channels_[c].levels.size()) {
        channels_[c].levels[i] = Level(intensities[c]);
      }
    }
  }
  return true;
}

uint32_t XPixelColours::ColourOf(unsigned long pixel) const {
  if (!decomposed_) return pixel < colours_.size() ? colours_[pixel] : 0;
  uint32_t colour = 0;
  for (const Channel& channel : channels_) {
    // Every value under the mask has its level: the ramp covers the mask.
    colour = colour << 8 | channel.levels[(pixel & channel.mask) >> channel.shift];
  }
  return colour;
}
