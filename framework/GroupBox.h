#pragma once

// A titled frame over QGroupBox that holds controls; their positions are
// relative to the box's top left corner.

#include "framework/Controls.h"

class TGroupBox : public TWinControl {
 public:
  explicit TGroupBox(TComponent* owner);
  const String& Caption() const { return Text(); }
  void SetCaption(const String& caption) { SetText(caption); }

 protected:
  void TextChanged() override;
  void ApplyColors() override;
};
