#include "platform/gdi/Icons.h"

#include "platform/gdi/Drawing.h"

namespace {

QImage Premultiplied(const QImage& image) {
  return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

}  // namespace

HICON CreateIconFromImage(const QImage& image) {
  if (image.isNull()) return nullptr;
  auto* icon = new HICON__;
  icon->image = Premultiplied(image);
  return icon;
}

const QImage* IconImage(HICON icon) {
  if (icon == nullptr || icon->signature != HICON__::kSignature) return nullptr;
  return &icon->image;
}

HICON CopyIcon(HICON icon) {
  const QImage* image = IconImage(icon);
  return image == nullptr ? nullptr : CreateIconFromImage(*image);
}

BOOL DestroyIcon(HICON icon) {
  if (IconImage(icon) == nullptr) return 0;
  icon->signature = 0;
  delete icon;
  return 1;
}

BOOL DrawIconEx(HDC dc, int x, int y, HICON icon, int width, int height, UINT, void*, UINT flags) {
  const QImage* image = IconImage(icon);
  if (image == nullptr) return 0;
  TDCPainter painter(dc);
  if (!painter.Active()) return 0;
  if (width == 0) width = (flags & DI_DEFAULTSIZE) != 0 ? kDefaultIconSize : image->width();
  if (height == 0) height = (flags & DI_DEFAULTSIZE) != 0 ? kDefaultIconSize : image->height();
  const QRect target(x, y, width, height);
  if ((flags & DI_NORMAL) == DI_MASK) {
    // The mask alone: black where the icon shows, white where it is clear.
    QImage mask = image->createAlphaMask().convertToFormat(QImage::Format_RGB32);
    mask.invertPixels();
    painter->drawImage(target, mask);
  } else if ((flags & DI_NORMAL) == DI_IMAGE) {
    painter->drawImage(target, image->convertToFormat(QImage::Format_RGB32));
  } else {
    painter->setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter->drawImage(target, *image);
  }
  return 1;
}

HIMAGELIST ImageList_Create(int width, int height, UINT, int, int) {
  if (width <= 0 || height <= 0) return nullptr;
  auto* list = new HIMAGELIST__;
  list->width = width;
  list->height = height;
  return list;
}

namespace {

HIMAGELIST LiveList(HIMAGELIST list) {
  return list != nullptr && list->signature == HIMAGELIST__::kSignature ? list : nullptr;
}

}  // namespace

BOOL ImageList_Destroy(HIMAGELIST list) {
  if (LiveList(list) == nullptr) return 0;
  list->signature = 0;
  delete list;
  return 1;
}

int ImageList_GetImageCount(HIMAGELIST list) {
  return LiveList(list) == nullptr ? 0 : static_cast<int>(list->images.size());
}

int ImageList_AddImage(HIMAGELIST list, const QImage& image, COLORREF maskColor) {
  if (LiveList(list) == nullptr || image.isNull()) return -1;
  QImage picture =
      image.convertToFormat(QImage::Format_ARGB32).copy(0, 0, list->width, list->height);
  if (maskColor != CLR_NONE) {
    const QRgb clear = maskColor == CLR_DEFAULT ? picture.pixel(0, picture.height() - 1) & 0xFFFFFF
                                                : ColorFromRef(maskColor).rgb() & 0xFFFFFF;
    for (int row = 0; row < picture.height(); ++row) {
      auto* line = reinterpret_cast<QRgb*>(picture.scanLine(row));
      for (int column = 0; column < picture.width(); ++column) {
        if ((line[column] & 0xFFFFFF) == clear) line[column] = 0;
      }
    }
  }
  list->images.push_back(Premultiplied(picture));
  return static_cast<int>(list->images.size()) - 1;
}

const QImage* ImageList_Image(HIMAGELIST list, int index) {
  if (LiveList(list) == nullptr || index < 0 || index >= static_cast<int>(list->images.size())) {
    return nullptr;
  }
  return &list->images[static_cast<size_t>(index)];
}

BOOL ImageList_Draw(HIMAGELIST list, int index, HDC dc, int x, int y, UINT) {
  const QImage* image = ImageList_Image(list, index);
  if (image == nullptr) return 0;
  TDCPainter painter(dc);
  if (!painter.Active()) return 0;
  painter->drawImage(QPoint(x, y), *image);
  return 1;
}
