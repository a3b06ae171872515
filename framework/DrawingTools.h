#pragma once

// The canvas's tools: font, pen and brush. Each tells its owner of a change
// through OnChange (the control repaints, the canvas reselects it).

#include <string>

#include "framework/Colors.h"
#include "framework/Events.h"
#include "framework/Object.h"
#include "framework/Sets.h"

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;

// Name "Default" is the desktop's user-interface font. Height in pixels:
// negative for the height of the characters (-11 is 8 points at 96 pixels
// per inch), positive for the height of the whole line.
class TFont : public TObject {
 public:
  static constexpr int kPixelsPerInch = 96;

  const std::string& Name() const { return FName; }
  void SetName(const std::string& name);
  int Height() const { return FHeight; }
  void SetHeight(int height);
  // Points, from and to Height.
  int Size() const;
  void SetSize(int points);
  TFontStyles Style() const { return FStyle; }
  void SetStyle(TFontStyles style);
  TColor Color() const { return FColor; }
  void SetColor(TColor color);

  // Takes every value of `source`; one OnChange.
  void Assign(const TFont& source);
  bool operator==(const TFont& other) const;

  TNotifyEvent OnChange;

 private:
  void Changed();
  std::string FName = "Default";
  int FHeight = -11;
  TFontStyles FStyle;
  TColor FColor = clWindowText;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };

class TPen : public TObject {
 public:
  TColor Color() const { return FColor; }
  void SetColor(TColor color);
  int Width() const { return FWidth; }
  void SetWidth(int width);
  TPenStyle Style() const { return FStyle; }
  void SetStyle(TPenStyle style);
  void Assign(const TPen& source);

  TNotifyEvent OnChange;

 private:
  void Changed();
  TColor FColor = clBlack;
  int FWidth = 1;
  TPenStyle FStyle = psSolid;
};

enum TBrushStyle {
  bsSolid,
  bsClear,
  bsHorizontal,
  bsVertical,
  bsFDiagonal,
  bsBDiagonal,
  bsCross,
  bsDiagCross
};

class TBrush : public TObject {
 public:
  TColor Color() const { return FColor; }
  void SetColor(TColor color);
  TBrushStyle Style() const { return FStyle; }
  void SetStyle(TBrushStyle style);
  void Assign(const TBrush& source);

  TNotifyEvent OnChange;

 private:
  void Changed();
  TColor FColor = clWhite;
  TBrushStyle FStyle = bsSolid;
};
