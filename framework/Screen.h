#pragma once

// The screen as forms see it: the primary display's size and work area (its
// size less panels and docks), the whole desktop, and the live forms.

#include <vector>

#include "framework/Object.h"
#include "framework/Types.h"

class TForm;

class TScreen : public TObject {
 public:
  int Width() const;
  int Height() const;
  TRect WorkAreaRect() const;
  int WorkAreaLeft() const { return WorkAreaRect().Left; }
  int WorkAreaTop() const { return WorkAreaRect().Top; }
  int WorkAreaWidth() const { return WorkAreaRect().Width(); }
  int WorkAreaHeight() const { return WorkAreaRect().Height(); }
  // Every display together.
  TRect DesktopRect() const;
  int PixelsPerInch() const { return 96; }

  int FormCount() const { return static_cast<int>(FForms.size()); }
  TForm* Forms(int index) const { return FForms.at(static_cast<size_t>(index)); }
  // The form of the active window; null when none of ours is active.
  TForm* ActiveForm() const;

 private:
  friend class TForm;
  std::vector<TForm*> FForms;  // in the order they were made
};

extern TScreen* const Screen;
