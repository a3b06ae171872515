#pragma once

#include <cstdint>
#include <vector>

// Renders a photo-like landscape (sky with clouds, two mountain ridges, a
// meadow, sensor noise) as width x height screen pixels (blue, green, red,
// 0). Deterministic for a given size, so that benchmark runs compare.
std::vector<uint32_t> RenderPhotoWallpaper(int width, int height);
