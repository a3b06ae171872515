#include "framework/DrawingTools.h"

#include <cmath>

void TFont::Changed() {
  OnChange(this);
}

void TFont::SetName(const std::string& name) {
  if (name == FName) return;
  FName = name;
  Changed();
}

void TFont::SetHeight(int height) {
  if (height == FHeight) return;
  FHeight = height;
  Changed();
}

int TFont::Size() const {
  return static_cast<int>(std::lround(-FHeight * 72.0 / kPixelsPerInch));
}

void TFont::SetSize(int points) {
  SetHeight(-static_cast<int>(std::lround(points * static_cast<double>(kPixelsPerInch) / 72.0)));
}

void TFont::SetStyle(TFontStyles style) {
  if (style == FStyle) return;
  FStyle = style;
  Changed();
}

void TFont::SetColor(TColor color) {
  if (color == FColor) return;
  FColor = color;
  Changed();
}

void TFont::Assign(const TFont& source) {
  if (source == *this) return;
  FName = source.FName;
  FHeight = source.FHeight;
  FStyle = source.FStyle;
  FColor = source.FColor;
  Changed();
}

bool TFont::operator==(const TFont& other) const {
  return FName == other.FName && FHeight == other.FHeight && FStyle == other.FStyle &&
         FColor == other.FColor;
}

void TPen::Changed() {
  OnChange(this);
}

void TPen::SetColor(TColor color) {
  if (color == FColor) return;
  FColor = color;
  Changed();
}

void TPen::SetWidth(int width) {
  if (width < 0) width = 0;
  if (width == FWidth) return;
  FWidth = width;
  Changed();
}

void TPen::SetStyle(TPenStyle style) {
  if (style == FStyle) return;
  FStyle = style;
  Changed();
}

void TPen::Assign(const TPen& source) {
  FColor = source.FColor;
  FWidth = source.FWidth;
  FStyle = source.FStyle;
  Changed();
}

void TBrush::Changed() {
  OnChange(this);
}

void TBrush::SetColor(TColor color) {
  if (color == FColor && FStyle != bsClear) return;
  FColor = color;
  // A colour given to a clear brush makes it solid, as on the platform.
  if (FStyle == bsClear) FStyle = bsSolid;
  Changed();
}

void TBrush::SetStyle(TBrushStyle style) {
  if (style == FStyle) return;
  FStyle = style;
  Changed();
}

void TBrush::Assign(const TBrush& source) {
  FColor = source.FColor;
  FStyle = source.FStyle;
  Changed();
}
