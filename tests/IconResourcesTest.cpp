// Icons compiled into the program: the build embeds the server's icon as
// resource 1 of this test program, as it does for the server.

#include <gtest/gtest.h>

#include <QImage>
#include <QString>

#include "platform/gdi/Drawing.h"
#include "platform/user/Resources.h"
#include "tests/support/Pixels.h"

namespace {

constexpr WORD kServerIcon = 1;
constexpr uint32_t kScreenBlue = 0x2e86de;

QImage SourcePicture(int size) {
  const QImage image(
      QString(SCRIVLO_SOURCE_DIR "/resources/icons/scrivlo-server-%1.png").arg(size));
  return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

HICON Load(WORD id, int cx, int cy, UINT type = IMAGE_ICON) {
  return static_cast<HICON>(
      LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCE(id), type, cx, cy, LR_DEFAULTCOLOR));
}

int CountOf(const QImage& image, uint32_t rgb) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x)
      count += RgbAt(image, x, y) == rgb ? 1 : 0;
  }
  return count;
}

TEST(IconResourcesTest, EachSizeIsThePictureDrawnForItOthersAreScaled) {
  for (int size : {16, 32, 48}) {
    HICON icon = Load(kServerIcon, size, size);
    ASSERT_NE(icon, nullptr) << size;
    const QImage expected = SourcePicture(size);
    ASSERT_EQ(expected.size(), QSize(size, size));
    EXPECT_EQ(*IconImage(icon), expected) << size;
    // Colours and a one-bit mask, as the window's 24-bit picture holds them.
    for (int y = 0; y < size; ++y) {
      for (int x = 0; x < size; ++x) {
        const int alpha = qAlpha(expected.pixel(x, y));
        ASSERT_TRUE(alpha == 0 || alpha == 255) << size << " at " << x << "," << y;
      }
    }
    EXPECT_TRUE(DestroyIcon(icon));
  }
  HICON standard = Load(kServerIcon, 0, 0);
  ASSERT_NE(standard, nullptr);
  EXPECT_EQ(*IconImage(standard), SourcePicture(32));
  DestroyIcon(standard);
  HICON scaled = Load(kServerIcon, 24, 24);
  ASSERT_NE(scaled, nullptr);
  EXPECT_EQ(IconImage(scaled)->size(), QSize(24, 24));
  EXPECT_GT(CountOf(*IconImage(scaled), kScreenBlue), 24 * 24 / 5);
  DestroyIcon(scaled);
}

TEST(IconResourcesTest, WhatIsNotThereGivesNoIcon) {
  EXPECT_EQ(Load(2, 16, 16), nullptr);
  EXPECT_EQ(Load(0, 16, 16), nullptr);
  EXPECT_EQ(Load(kServerIcon, 16, 16, IMAGE_BITMAP), nullptr);
  EXPECT_EQ(Load(kServerIcon, 1000, 1000), nullptr);
  EXPECT_EQ(Load(kServerIcon, -16, 16), nullptr);
  EXPECT_EQ(LoadImageA(nullptr, MAKEINTRESOURCE(kServerIcon), IMAGE_ICON, 16, 16, 0), nullptr);
  EXPECT_EQ(LoadImageA(GetModuleHandleA(nullptr), "MAINICON", IMAGE_ICON, 16, 16, 0), nullptr);
  EXPECT_EQ(GetModuleHandleA("libc.so.6"), nullptr);
}

TEST(IconResourcesTest, TheSmallIconDrawsOnAnItemThroughItsMask) {
  HICON icon = Load(kServerIcon, 16, 16);
  ASSERT_NE(icon, nullptr);
  QImage item(24, 20, QImage::Format_RGB32);
  item.fill(Qt::white);
  HDC dc = CreateDrawingDC(&item);
  ASSERT_TRUE(DrawIconEx(dc, 4, 2, icon, 16, 16, 0, nullptr, DI_NORMAL));
  DeleteDrawingDC(dc);
  DestroyIcon(icon);
  const QImage picture = SourcePicture(16);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      const QRgb source = picture.pixel(x, y);
      const uint32_t expected = qAlpha(source) == 0 ? 0xFFFFFFu : source & 0xFFFFFF;
      ASSERT_EQ(RgbAt(item, 4 + x, 2 + y), expected) << x << "," << y;
    }
  }
  EXPECT_EQ(RgbAt(item, 3, 2), 0xFFFFFFu);
}

}  // namespace
