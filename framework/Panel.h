#pragma once

// A panel: a container drawn with a 3-D bevel and an optional centred
// caption.

#include "framework/Controls.h"

enum TPanelBevel { bvNone, bvLowered, bvRaised, bvSpace };

class TPanel : public TCustomControl {
 public:
  explicit TPanel(TComponent* owner);

  const String& Caption() const { return Text(); }
  void SetCaption(const String& caption) { SetText(caption); }
  TPanelBevel BevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TPanelBevel bevel);
  TPanelBevel BevelInner() const { return FBevelInner; }
  void SetBevelInner(TPanelBevel bevel);
  int BevelWidth() const { return FBevelWidth; }
  void SetBevelWidth(int width);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment alignment);

 protected:
  void Paint() override;

 private:
  TPanelBevel FBevelOuter = bvRaised;
  TPanelBevel FBevelInner = bvNone;
  int FBevelWidth = 1;
  TAlignment FAlignment = taCenter;
};
