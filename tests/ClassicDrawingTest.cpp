// The classic look drawn into drawing contexts: frame controls, edges and
// the focus rectangle, pixel by pixel.

#include <gtest/gtest.h>

#include <QImage>

#include "framework/Application.h"
#include "platform/gdi/ClassicDrawing.h"
#include "platform/gdi/Drawing.h"
#include "platform/gdi/SystemColors.h"

namespace {

class Surface {
 public:
  Surface(int width, int height) : image_(width, height, QImage::Format_RGB32) {
    image_.fill(QColor(1, 2, 3));
    dc_ = CreateDrawingDC(&image_);
  }
  ~Surface() { DeleteDrawingDC(dc_); }
  HDC dc() const { return dc_; }
  COLORREF At(int x, int y) const { return ColorToRef(image_.pixelColor(x, y)); }
  const QImage& image() const { return image_; }

 private:
  QImage image_;
  HDC dc_;
};

TEST(ClassicDrawing, ScrollArrowsArePushedAndInactiveAsThePlatformDrawsThem) {
  const COLORREF text = GetSysColor(COLOR_BTNTEXT), face = GetSysColor(COLOR_BTNFACE);
  // A 20 x 20 down arrow: a triangle 9 wide and 5 deep, centred.
  Surface normal(20, 20);
  RECT box{0, 0, 20, 20};
  ASSERT_TRUE(DrawFrameControl(normal.dc(), &box, DFC_SCROLL, DFCS_SCROLLDOWN));
  EXPECT_EQ(normal.At(0, 0), GetSysColor(COLOR_3DLIGHT));
  EXPECT_EQ(normal.At(19, 19), GetSysColor(COLOR_3DDKSHADOW));
  EXPECT_EQ(normal.At(1, 1), GetSysColor(COLOR_BTNHIGHLIGHT));
  for (int x = 5; x < 14; ++x)
    EXPECT_EQ(normal.At(x, 7), text) << x;  // the wide top row
  EXPECT_EQ(normal.At(4, 7), face);
  EXPECT_EQ(normal.At(9, 11), text);  // the point
  EXPECT_EQ(normal.At(8, 11), face);
  EXPECT_EQ(normal.At(9, 12), face);

  // Pushed: flat frame, the arrow one pixel down and right.
  Surface pushed(20, 20);
  DrawFrameControl(pushed.dc(), &box, DFC_SCROLL, DFCS_SCROLLDOWN | DFCS_PUSHED);
  EXPECT_EQ(pushed.At(0, 0), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(pushed.At(19, 19), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(pushed.At(5, 7), face);
  EXPECT_EQ(pushed.At(6, 8), text);
  EXPECT_EQ(pushed.At(10, 12), text);

  // Inactive: embossed, shadow over a highlight copy.
  Surface inactive(20, 20);
  DrawFrameControl(inactive.dc(), &box, DFC_SCROLL, DFCS_SCROLLDOWN | DFCS_INACTIVE);
  EXPECT_EQ(inactive.At(9, 11), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(inactive.At(10, 12), GetSysColor(COLOR_BTNHIGHLIGHT));

  // An unknown kind draws nothing and says so.
  Surface untouched(20, 20);
  EXPECT_FALSE(DrawFrameControl(untouched.dc(), &box, DFC_SCROLL, 0x7));
  EXPECT_EQ(untouched.At(0, 0), RGB(1, 2, 3));
}

TEST(ClassicDrawing, EdgesAdjustTheRectangleAndFocusFramesUndoThemselves) {
  Surface surface(10, 8);
  RECT box{0, 0, 10, 8};
  ASSERT_TRUE(DrawEdge(surface.dc(), &box, EDGE_SUNKEN, BF_RECT | BF_ADJUST));
  EXPECT_EQ(box.left, 2);
  EXPECT_EQ(box.bottom, 6);
  EXPECT_EQ(surface.At(0, 0), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(surface.At(1, 1), GetSysColor(COLOR_3DDKSHADOW));
  EXPECT_EQ(surface.At(9, 7), GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(surface.At(8, 6), GetSysColor(COLOR_3DLIGHT));
  EXPECT_EQ(surface.At(2, 2), RGB(1, 2, 3));  // no BF_MIDDLE: the inside stays

  const QImage before = surface.image().copy();
  RECT focus{1, 1, 9, 7};
  DrawFocusRect(surface.dc(), &focus);
  EXPECT_NE(surface.image(), before);
  EXPECT_NE(surface.At(1, 1), before.pixelColor(1, 1).rgb() & 0xFFFFFF);
  EXPECT_EQ(surface.At(2, 1), ColorToRef(before.pixelColor(2, 1)));  // every other pixel
  DrawFocusRect(surface.dc(), &focus);
  EXPECT_EQ(surface.image(), before);
}

TEST(ClassicDrawing, AContextOffsetAndClippedDrawsOnlyInsideItsClip) {
  QImage image(30, 30, QImage::Format_RGB32);
  image.fill(Qt::black);
  const QRegion clip(QRect(10, 10, 10, 10));
  HDC dc = CreateDrawingDC(&image, QPoint(10, 10), &clip);
  RECT all{-10, -10, 20, 20};
  FillSolidRect(dc, &all, RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(dc, 10, 10), CLR_INVALID);  // outside the clip
  EXPECT_EQ(image.pixel(9, 9) & 0xFFFFFF, 0u);
  EXPECT_EQ(image.pixel(19, 19) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(image.pixel(20, 20) & 0xFFFFFF, 0u);
  DeleteDrawingDC(dc);
  // Not a drawing context: the calls fail instead of drawing.
  EXPECT_FALSE(DrawEdge(nullptr, &all, EDGE_RAISED, BF_RECT));
  EXPECT_EQ(GetPixel(nullptr, 0, 0), CLR_INVALID);
}

}  // namespace
