#pragma once

// A caption drawn on its parent: windowless. '&' underlines the next
// character (ShowAccelChar). AutoSize fits the label to its caption; with
// Transparent off it fills its area in Color first. A disabled label shows
// its caption embossed.

#include "framework/Controls.h"

enum TTextLayout { tlTop, tlCenter, tlBottom };

class TLabel : public TGraphicControl {
 public:
  explicit TLabel(TComponent* owner);

  const String& Caption() const { return Text(); }
  void SetCaption(const String& caption) { SetText(caption); }
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool autoSize);
  bool Transparent() const { return !ControlStyle().Contains(csOpaque); }
  void SetTransparent(bool transparent);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment alignment);
  TTextLayout Layout() const { return FLayout; }
  void SetLayout(TTextLayout layout);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool wordWrap);
  bool ShowAccelChar() const { return FShowAccelChar; }
  void SetShowAccelChar(bool show);

  void Dispatch(TMessage& message) override;
  // A label loaded from a stored form fits its caption once all is applied.
  void Loaded() override;

 protected:
  void Paint() override;
  void TextChanged() override;
  // Fits the size to the caption when AutoSize is on.
  void AdjustBounds();

 private:
  UINT TextFormat() const;
  bool FAutoSize = true;
  bool FWordWrap = false;
  bool FShowAccelChar = true;
  TAlignment FAlignment = taLeftJustify;
  TTextLayout FLayout = tlTop;
};
