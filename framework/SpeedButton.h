#pragma once

// A windowless tool button with a glyph and a caption. With a GroupIndex it
// stays down when clicked, and the buttons of one group (same parent, same
// GroupIndex) are exclusive: pressing one raises the others (AllowAllUp lets
// the down one come up again). A flat button shows its frame only under the
// mouse or while down.
//
// The glyph holds NumGlyphs pictures side by side: up, disabled, down, and
// stays-down; a missing one is taken from the first (a missing disabled one
// is the first, embossed). Its bottom-left pixel's colour is transparent.

#include <memory>

#include "framework/Controls.h"
#include "framework/Pictures.h"

enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum TButtonState { bsUp, bsDisabled, bsDown, bsExclusive };

class TSpeedButton : public TGraphicControl {
 public:
  explicit TSpeedButton(TComponent* owner);
  ~TSpeedButton() override;

  const String& Caption() const { return Text(); }
  void SetCaption(const String& caption) { SetText(caption); }
  TBitmap* Glyph() const { return FGlyph.get(); }
  int NumGlyphs() const { return FNumGlyphs; }
  void SetNumGlyphs(int count);
  bool Down() const { return FDown; }
  void SetDown(bool down);
  int GroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(int index);
  bool AllowAllUp() const { return FAllowAllUp; }
  void SetAllowAllUp(bool allow) { FAllowAllUp = allow; }
  bool Flat() const { return FFlat; }
  void SetFlat(bool flat);
  TButtonLayout Layout() const { return FLayout; }
  void SetLayout(TButtonLayout layout);
  // Pixels between glyph and caption; -1 centres both.
  int Spacing() const { return FSpacing; }
  void SetSpacing(int spacing);
  // Pixels from the edge to glyph and caption; -1 centres them.
  int Margin() const { return FMargin; }
  void SetMargin(int margin);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool transparent);

  void Click() override;
  void Dispatch(TMessage& message) override;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

  // The look now: up, down (held), exclusive (stays down) or disabled.
  TButtonState State() const { return FState; }
  bool MouseInControl() const { return FMouseInControl; }
  bool Dragging() const { return FDragging; }
  // The glyph's picture for `state` (empty when there is no glyph).
  TBitmap GlyphFor(TButtonState state) const;
  // Where glyph and caption go inside `content`.
  void LayOut(const TRect& content, const TSize& glyph, const TSize& caption, TPoint* glyphAt,
              TRect* captionRect) const;

 private:
  void UpdateExclusive();
  std::unique_ptr<TBitmap> FGlyph;
  int FNumGlyphs = 1;
  bool FDown = false;
  int FGroupIndex = 0;
  bool FAllowAllUp = false;
  bool FFlat = false;
  TButtonLayout FLayout = blGlyphLeft;
  int FSpacing = 4;
  int FMargin = -1;
  bool FTransparent = true;
  TButtonState FState = bsUp;
  bool FMouseInControl = false;
  bool FDragging = false;
};
