#pragma once

// Icons and image lists: pictures with transparency that the platform draws
// into drawing contexts. Like device contexts, the handles point to plain
// structs, so the visual-styles library can draw them too.

#include <QImage>
#include <cstdint>
#include <vector>

#include "platform/WindowsTypes.h"
#include "platform/gdi/Gdi.h"

struct HICON__ {
  static constexpr uint32_t kSignature = 0x49636f6e;
  uint32_t signature = kSignature;
  QImage image;  // premultiplied ARGB
};
using HICON = HICON__*;

struct HIMAGELIST__ {
  static constexpr uint32_t kSignature = 0x496d4c73;
  uint32_t signature = kSignature;
  int width = 0;
  int height = 0;
  std::vector<QImage> images;  // premultiplied ARGB, each width x height
};
using HIMAGELIST = HIMAGELIST__*;

// An icon of the image (its alpha channel is its mask); null for no image.
HICON CreateIconFromImage(const QImage& image);
HICON CopyIcon(HICON icon);
BOOL DestroyIcon(HICON icon);
// The icon's picture; null for a handle that is not an icon.
const QImage* IconImage(HICON icon);

constexpr UINT DI_MASK = 0x0001;
constexpr UINT DI_IMAGE = 0x0002;
constexpr UINT DI_NORMAL = 0x0003;
constexpr UINT DI_DEFAULTSIZE = 0x0008;
constexpr int kDefaultIconSize = 32;

// Draws the icon at (x, y), scaled to width x height; a size of 0 takes the
// icon's own (DI_DEFAULTSIZE: the default icon size). `step` and `flickerFree`
// are accepted and not needed here.
BOOL DrawIconEx(HDC dc, int x, int y, HICON icon, int width, int height, UINT step,
                void* flickerFree, UINT flags);

constexpr COLORREF CLR_NONE = 0xFFFFFFFF;
constexpr COLORREF CLR_DEFAULT = 0xFF000000;
constexpr UINT ILD_NORMAL = 0x0000;

HIMAGELIST ImageList_Create(int width, int height, UINT flags, int initial, int grow);
BOOL ImageList_Destroy(HIMAGELIST list);
int ImageList_GetImageCount(HIMAGELIST list);
// Adds a picture of the list's size; pixels of `maskColor` become
// transparent (CLR_DEFAULT: the colour of the bottom-left pixel; CLR_NONE:
// none). Returns its index, or -1.
int ImageList_AddImage(HIMAGELIST list, const QImage& image, COLORREF maskColor);
BOOL ImageList_Draw(HIMAGELIST list, int index, HDC dc, int x, int y, UINT style);
// The list's picture at `index`; null when there is none.
const QImage* ImageList_Image(HIMAGELIST list, int index);
