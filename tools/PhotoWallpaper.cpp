#include "tools/PhotoWallpaper.h"

#include <algorithm>
#include <cmath>

namespace {

uint32_t Hash(int x, int y, uint32_t seed) {
  uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u +
               seed * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return h ^ (h >> 16);
}

double Lattice(int x, int y, uint32_t seed) {
  return (Hash(x, y, seed) & 0xFFFF) / 65535.0;
}

// Smoothly interpolated value noise in [0, 1].
double ValueNoise(double x, double y, uint32_t seed) {
  const int x0 = static_cast<int>(std::floor(x));
  const int y0 = static_cast<int>(std::floor(y));
  const double fx = x - x0, fy = y - y0;
  const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
  const double top =
      Lattice(x0, y0, seed) + (Lattice(x0 + 1, y0, seed) - Lattice(x0, y0, seed)) * sx;
  const double bottom =
      Lattice(x0, y0 + 1, seed) + (Lattice(x0 + 1, y0 + 1, seed) - Lattice(x0, y0 + 1, seed)) * sx;
  return top + (bottom - top) * sy;
}

// Fractal noise: octaves of value noise, each twice as fine and half as strong.
double Fractal(double x, double y, int octaves, uint32_t seed) {
  double sum = 0, amplitude = 0.5, norm = 0;
  for (int i = 0; i < octaves; ++i) {
    sum += amplitude * ValueNoise(x, y, seed + i);
    norm += amplitude;
    x *= 2.03;
    y *= 2.03;
    amplitude *= 0.5;
  }
  return sum / norm;
}

struct Colour {
  double r, g, b;
};

Colour Mix(Colour a, Colour b, double t) {
  t = std::clamp(t, 0.0, 1.0);
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

}  // namespace

std::vector<uint32_t> RenderPhotoWallpaper(int width, int height) {
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
  const double scale = 1.0 / height;
  std::vector<double> farRidge(width), nearRidge(width);
  for (int x = 0; x < width; ++x) {
    farRidge[x] = height * (0.42 + 0.18 * (Fractal(x * scale * 3, 0.5, 6, 11) - 0.5) * 2);
    nearRidge[x] = height * (0.60 + 0.10 * (Fractal(x * scale * 2, 7.5, 6, 23) - 0.5) * 2);
  }
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const double u = x * scale, v = y * scale;
      Colour c;
      if (y < farRidge[x]) {
        c = Mix({40, 90, 170}, {190, 215, 235}, v / 0.55);
        const double cloud = Fractal(u * 3, v * 8, 7, 3);
        c = Mix(c, {250, 250, 252}, (cloud - 0.55) * 3.5);
      } else if (y < nearRidge[x]) {
        const double rock = Fractal(u * 14, v * 14, 6, 5);
        c = Mix({95, 105, 125}, {150, 155, 170}, rock);
        c = Mix(c, {225, 230, 240}, (farRidge[x] + height * 0.04 - y) / (height * 0.04) * rock);
      } else {
        const double grass = Fractal(u * 40, v * 25, 5, 9);
        const double patches = Fractal(u * 4, v * 4, 4, 17);
        c = Mix({45, 95, 35}, {120, 150, 60}, grass * 0.8 + patches * 0.4);
        c = Mix(c, {30, 60, 25}, (v - 0.6) * 0.8);  // darker towards the viewer
      }
      // Sensor noise, as a camera leaves it.
      const double noise = (static_cast<int>(Hash(x, y, 99) % 7) - 3) * 1.0;
      const auto channel = [&](double value) {
        return static_cast<uint32_t>(std::clamp(value + noise, 0.0, 255.0));
      };
      pixels[static_cast<size_t>(y) * width + x] =
          channel(c.r) << 16 | channel(c.g) << 8 | channel(c.b);
    }
  }
  return pixels;
}
