#include "platform/user/Resources.h"

#include <QImage>
#include <map>
#include <vector>

namespace {

// The platform's largest icon.
constexpr int kMaxIconSize = 256;

// Filled by static initialisers of the program's generated sources, so it
// must exist before any of them runs.
std::map<WORD, std::vector<TResourceImage>>& IconTable() {
  static std::map<WORD, std::vector<TResourceImage>> table;
  return table;
}

// The picture to scale from: the exact size, else the smallest one larger,
// else the largest. Unreadable pictures are passed over.
QImage PickPicture(const std::vector<TResourceImage>& images, int width, int height) {
  QImage best;
  for (const TResourceImage& entry : images) {
    QImage picture;
    if (!picture.loadFromData(entry.png, static_cast<int>(entry.size), "PNG")) continue;
    const bool covers = picture.width() >= width && picture.height() >= height;
    const bool bestCovers = !best.isNull() && best.width() >= width && best.height() >= height;
    if (picture.width() == width && picture.height() == height) return picture;
    if (best.isNull() || (covers && (!bestCovers || picture.width() < best.width())) ||
        (!covers && !bestCovers && picture.width() > best.width())) {
      best = picture;
    }
  }
  return best;
}

}  // namespace

void RegisterIconResource(WORD id, const TResourceImage* images, size_t count) {
  IconTable()[id].assign(images, images + count);
}

HANDLE LoadImageA(HINSTANCE instance, LPCSTR name, UINT type, int cx, int cy, UINT) {
  if (instance == nullptr || instance != GetModuleHandleA(nullptr) || type != IMAGE_ICON ||
      !IS_INTRESOURCE(name) || cx < 0 || cy < 0 || cx > kMaxIconSize || cy > kMaxIconSize) {
    return nullptr;
  }
  const auto found = IconTable().find(static_cast<WORD>(reinterpret_cast<uintptr_t>(name)));
  if (found == IconTable().end()) return nullptr;
  const int width = cx == 0 ? kDefaultIconSize : cx;
  const int height = cy == 0 ? kDefaultIconSize : cy;
  QImage picture = PickPicture(found->second, width, height);
  if (picture.isNull()) return nullptr;
  if (picture.width() != width || picture.height() != height) {
    picture = picture.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  }
  return CreateIconFromImage(picture);
}
