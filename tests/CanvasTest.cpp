// The canvas and pictures against the platform's drawing rules: exclusive
// right and bottom edges, LineTo leaving out its end point, text moving the
// pen, transparent bitmaps and icons, pictures switching kind.

#include <gtest/gtest.h>

#include <QImage>

#include "framework/Canvas.h"
#include "framework/Pictures.h"
#include "platform/gdi/Icons.h"

namespace {

// A white 20 x 20 bitmap and the colour at a point as 0xBBGGRR.
struct Paper {
  Paper() : bitmap(20, 20) {}
  TColor At(int x, int y) { return bitmap.Canvas()->Pixel(x, y); }
  TCanvas* canvas() { return bitmap.Canvas(); }
  TBitmap bitmap;
};

TEST(Canvas, RectanglesAndEllipsesStopShortOfTheirRightAndBottomEdges) {
  Paper paper;
  paper.canvas()->Pen()->SetColor(clBlack);
  paper.canvas()->Brush()->SetColor(clRed);
  paper.canvas()->Rectangle(2, 2, 8, 6);
  EXPECT_EQ(paper.At(2, 2), clBlack);  // outline
  EXPECT_EQ(paper.At(7, 5), clBlack);
  EXPECT_EQ(paper.At(3, 3), clRed);    // inside
  EXPECT_EQ(paper.At(8, 5), clWhite);  // right and bottom lie outside
  EXPECT_EQ(paper.At(7, 6), clWhite);

  paper.canvas()->Brush()->SetColor(clBlue);
  paper.canvas()->FillRect(Rect(10, 10, 12, 11));
  EXPECT_EQ(paper.At(11, 10), clBlue);
  EXPECT_EQ(paper.At(12, 10), clWhite);
  EXPECT_EQ(paper.At(10, 11), clWhite);

  paper.canvas()->Ellipse(0, 10, 10, 20);
  EXPECT_EQ(paper.At(9, 15), clBlack);  // the right-most column of the circle
  EXPECT_EQ(paper.At(10, 15), clWhite);
  EXPECT_EQ(paper.At(5, 15), clBlue);
  EXPECT_EQ(paper.At(0, 10), clWhite);  // outside the circle, inside its box
}

TEST(Canvas, LineToLeavesOutItsEndPointAndMovesThePen) {
  Paper paper;
  paper.canvas()->Pen()->SetColor(clGreen);
  paper.canvas()->MoveTo(0, 0);
  paper.canvas()->LineTo(5, 0);
  EXPECT_EQ(paper.At(4, 0), clGreen);
  EXPECT_EQ(paper.At(5, 0), clWhite);
  EXPECT_EQ(paper.canvas()->PenPos(), (TPoint{5, 0}));
  paper.canvas()->LineTo(5, 4);  // on from where the last one ended
  EXPECT_EQ(paper.At(5, 0), clGreen);
  EXPECT_EQ(paper.At(5, 3), clGreen);
  EXPECT_EQ(paper.At(5, 4), clWhite);
  paper.canvas()->MoveTo(10, 10);
  paper.canvas()->LineTo(14, 14);
  EXPECT_EQ(paper.At(13, 13), clGreen);
  EXPECT_EQ(paper.At(14, 14), clWhite);
  paper.canvas()->Pen()->SetStyle(psClear);
  paper.canvas()->LineTo(19, 19);
  EXPECT_EQ(paper.At(16, 16), clWhite);
}

TEST(Canvas, TextOutPaintsTheBrushUnlessClearAndMovesThePen) {
  TBitmap bitmap(120, 30);
  TCanvas* canvas = bitmap.Canvas();
  canvas->Brush()->SetColor(clYellow);
  const TSize extent = canvas->TextExtent(u"Port:");
  ASSERT_GT(extent.cx, 5);
  canvas->TextOut(2, 3, u"Port:");
  EXPECT_EQ(canvas->PenPos(), (TPoint{2 + extent.cx, 3}));
  EXPECT_EQ(canvas->Pixel(2, 3), clYellow);  // the text's box on the brush
  EXPECT_EQ(canvas->Pixel(2 + extent.cx, 3), clWhite);
  canvas->Brush()->SetStyle(bsClear);
  canvas->TextOut(60, 3, u"Port:");
  EXPECT_EQ(canvas->Pixel(60, 3), clWhite);
  // A larger font is a larger extent.
  canvas->Font()->SetHeight(-22);
  EXPECT_GT(canvas->TextHeight(u"Port:"), extent.cy);
  EXPECT_EQ(canvas->ClipRect(), Rect(0, 0, 120, 30));
  EXPECT_EQ(canvas->Pixel(200, 3), clNone);
}

TEST(Pictures, TransparentBitmapsAndIconsLeaveTheBackgroundShowing) {
  // A 4 x 4 glyph: fuchsia background (its bottom-left pixel), a red dot.
  TBitmap glyph(4, 4);
  glyph.Canvas()->Brush()->SetColor(clFuchsia);
  glyph.Canvas()->FillRect(Rect(0, 0, 4, 4));
  glyph.Canvas()->SetPixel(1, 1, clRed);
  EXPECT_EQ(glyph.TransparentColor(), clFuchsia);
  glyph.SetTransparent(true);
  Paper paper;
  paper.canvas()->Draw(4, 4, &glyph);
  EXPECT_EQ(paper.At(5, 5), clRed);
  EXPECT_EQ(paper.At(4, 4), clWhite);
  glyph.SetTransparent(false);
  paper.canvas()->StretchDraw(Rect(10, 10, 18, 18), &glyph);  // twice the size
  EXPECT_EQ(paper.At(12, 12), clRed);
  EXPECT_EQ(paper.At(10, 10), clFuchsia);

  // An icon is drawn with its own transparency, scaled as asked.
  QImage picture(2, 2, QImage::Format_ARGB32);
  picture.fill(Qt::transparent);
  picture.setPixelColor(0, 0, Qt::blue);
  TIcon icon;
  icon.SetHandle(CreateIconFromImage(picture));
  Paper under;
  under.canvas()->StretchDraw(Rect(0, 0, 8, 8), &icon);
  EXPECT_EQ(under.At(1, 1), clBlue);
  EXPECT_EQ(under.At(6, 6), clWhite);
  // Handing the icon away leaves the object empty and the handle alive.
  HICON handle = icon.ReleaseHandle();
  EXPECT_TRUE(icon.Empty());
  EXPECT_TRUE(DestroyIcon(handle));
  EXPECT_FALSE(DestroyIcon(nullptr));
}

TEST(Pictures, APictureHoldsOneKindAndTellsOfChanges) {
  TPicture picture;
  int changes = 0;
  picture.OnChange = [&](TObject*) { ++changes; };
  picture.Bitmap()->SetSize(3, 2);
  EXPECT_EQ(picture.Width(), 3);
  EXPECT_GE(changes, 2);         // the new bitmap, then its size
  TIcon* icon = picture.Icon();  // replaces the bitmap
  EXPECT_EQ(picture.Width(), 0);
  QImage square(5, 5, QImage::Format_ARGB32);
  square.fill(Qt::red);
  icon->SetHandle(CreateIconFromImage(square));
  TPicture copy;
  copy.Assign(picture);
  EXPECT_EQ(copy.Width(), 5);
  EXPECT_NE(dynamic_cast<TIcon*>(copy.Graphic())->Handle(), icon->Handle());  // its own
  copy.SetGraphic(nullptr);
  EXPECT_EQ(copy.Graphic(), nullptr);
}

TEST(ImageLists, AMaskColourBecomesTransparent) {
  HIMAGELIST list = ImageList_Create(2, 2, 0, 1, 1);
  QImage cell(2, 2, QImage::Format_RGB32);
  cell.fill(QColor(255, 0, 255));
  cell.setPixelColor(0, 0, Qt::green);
  EXPECT_EQ(ImageList_AddImage(list, cell, CLR_DEFAULT), 0);
  EXPECT_EQ(ImageList_AddImage(list, cell, CLR_NONE), 1);
  EXPECT_EQ(ImageList_GetImageCount(list), 2);
  EXPECT_EQ(qAlpha(ImageList_Image(list, 0)->pixel(1, 1)), 0);
  EXPECT_EQ(qAlpha(ImageList_Image(list, 1)->pixel(1, 1)), 255);
  EXPECT_EQ(ImageList_Image(list, 2), nullptr);
  EXPECT_TRUE(ImageList_Destroy(list));
}

}  // namespace
