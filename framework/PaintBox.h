#pragma once

// A windowless area painted by its OnPaint handler with Canvas.

#include "framework/Controls.h"

class TPaintBox : public TGraphicControl {
 public:
  explicit TPaintBox(TComponent* owner);
  TNotifyEvent OnPaint;

 protected:
  void Paint() override;
};
