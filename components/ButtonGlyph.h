#pragma once

// The picture of a speed button's glyph for one state, as the themed speed
// button hands it to the visual style (DrawThemeIcon) in an image list.
//
// The glyph holds `numGlyphs` cells side by side: up, disabled, down. A
// state whose cell is missing takes the first; a down state with fewer than
// three cells is drawn up. A disabled state without a cell of its own is the
// first cell embossed: its dark pixels in the shadow colour with a highlight
// one pixel down and right, on the button face. A disabled cell of its own
// has white, gray and transparent pixels turned into highlight, shadow and
// face.

#include <QImage>

#include "framework/Pictures.h"
#include "framework/SpeedButton.h"
#include "platform/gdi/Icons.h"

struct TGlyphPicture {
  QImage image;                 // null for an empty glyph
  COLORREF mask = CLR_DEFAULT;  // the colour ImageList_AddImage leaves out
};

// `state` is bsUp, bsDown or bsDisabled.
TGlyphPicture ButtonGlyphPicture(const TBitmap& glyph, int numGlyphs, TButtonState state);
