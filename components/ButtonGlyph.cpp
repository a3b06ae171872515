#include "components/ButtonGlyph.h"

#include <QPainter>

#include "platform/gdi/Drawing.h"

namespace {

QRgb Rgb(TColor color) {
  return ColorFromRef(ColorToRGB(color)).rgb();
}

bool SameColour(QRgb a, QRgb b) {
  return (a & 0xFFFFFF) == (b & 0xFFFFFF);
}

// The monochrome copy's ink: what is neither transparent nor light.
bool Ink(QRgb pixel, QRgb transparent) {
  return qAlpha(pixel) != 0 && !SameColour(pixel, transparent) && qGray(pixel) < 192;
}

QImage Embossed(const QImage& cell, QRgb transparent) {
  QImage result(cell.size(), QImage::Format_RGB32);
  result.fill(Rgb(clBtnFace));
  const QRgb highlight = Rgb(clBtnHighlight), shadow = Rgb(clBtnShadow);
  // First the highlight one pixel down and right, then the shadow over it.
  for (int y = 0; y + 1 < cell.height(); ++y) {
    for (int x = 0; x + 1 < cell.width(); ++x) {
      if (Ink(cell.pixel(x, y), transparent)) result.setPixel(x + 1, y + 1, highlight);
    }
  }
  for (int y = 0; y < cell.height(); ++y) {
    for (int x = 0; x < cell.width(); ++x) {
      if (Ink(cell.pixel(x, y), transparent)) result.setPixel(x, y, shadow);
    }
  }
  return result;
}

QImage Recoloured(QImage cell, QRgb transparent) {
  const QRgb white = qRgb(255, 255, 255), gray = qRgb(128, 128, 128);
  const QRgb highlight = Rgb(clBtnHighlight), shadow = Rgb(clBtnShadow), face = Rgb(clBtnFace);
  for (int y = 0; y < cell.height(); ++y) {
    for (int x = 0; x < cell.width(); ++x) {
      const QRgb pixel = cell.pixel(x, y);
      if (SameColour(pixel, white)) {
        cell.setPixel(x, y, highlight);
      } else if (SameColour(pixel, gray)) {
        cell.setPixel(x, y, shadow);
      } else if (SameColour(pixel, transparent)) {
        cell.setPixel(x, y, face);
      }
    }
  }
  return cell;
}

}  // namespace

TGlyphPicture ButtonGlyphPicture(const TBitmap& glyph, int numGlyphs, TButtonState state) {
  TGlyphPicture picture;
  if (state == bsDown && numGlyphs < 3) state = bsUp;
  if (glyph.Empty() || numGlyphs < 1) return picture;
  const int width = glyph.Width() / numGlyphs, height = glyph.Height();
  if (width == 0) return picture;
  const int number = state == bsDisabled ? 1 : state == bsDown ? 2 : 0;
  const int index = numGlyphs > number ? number : 0;

  // One cell on the button face, the source cell copied over it.
  QImage cell(width, height, QImage::Format_RGB32);
  cell.fill(Rgb(clBtnFace));
  {
    QPainter painter(&cell);
    painter.drawImage(QPoint(0, 0), glyph.Image(), QRect(index * width, 0, width, height));
  }
  const QRgb transparent = ColorFromRef(ColorToRGB(glyph.TransparentColor())).rgb();
  if (state == bsDisabled) {
    picture.image = numGlyphs == 1 ? Embossed(cell, transparent) : Recoloured(cell, transparent);
    picture.mask = CLR_DEFAULT;
  } else {
    picture.image = cell;
    picture.mask =
        glyph.TransparentMode() == tmFixed ? ColorToRGB(glyph.TransparentColor()) : CLR_DEFAULT;
  }
  return picture;
}
