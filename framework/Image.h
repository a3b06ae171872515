#pragma once

// A windowless picture (a bitmap or an icon): at its top left corner,
// centred, or stretched to the control (keeping its proportions when asked).
// Where the picture does not cover the control, the parent shows through.

#include <memory>

#include "framework/Controls.h"
#include "framework/Pictures.h"

class TImage : public TGraphicControl {
 public:
  explicit TImage(TComponent* owner);
  ~TImage() override;

  TPicture* Picture() const { return FPicture.get(); }
  bool Stretch() const { return FStretch; }
  void SetStretch(bool stretch);
  bool Proportional() const { return FProportional; }
  void SetProportional(bool proportional);
  bool Center() const { return FCenter; }
  void SetCenter(bool center);

 protected:
  void Paint() override;

 private:
  TRect DestinationRect() const;
  std::unique_ptr<TPicture> FPicture;
  bool FStretch = false;
  bool FProportional = false;
  bool FCenter = false;
};
