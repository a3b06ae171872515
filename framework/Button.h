#pragma once

// A push button over QPushButton: '&' in the caption marks its access key.
// OnClick follows a click, the Space key, or the access key. A button with
// a ModalResult gives it to its form when clicked (ending ShowModal).

#include "framework/Controls.h"
#include "framework/Form.h"

class TButton : public TWinControl {
 public:
  explicit TButton(TComponent* owner);

  const String& Caption() const { return Text(); }
  void SetCaption(const String& caption) { SetText(caption); }
  // Enter on the form presses a default button.
  bool Default() const { return FDefault; }
  void SetDefault(bool isDefault);
  TModalResult ModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult result) { FModalResult = result; }

  // Clicks the button as the user would.
  void Click() override;

 protected:
  void TextChanged() override;

 private:
  bool FDefault = false;
  TModalResult FModalResult = mrNone;
};
