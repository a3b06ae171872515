#pragma once

// The gallery's window: every control of the library in its enabled,
// disabled and (where it has one) pressed state, in this run's look.

#include <vector>

#include "components/formDropDown.h"
#include "components/valuePanel.h"
#include "framework/Edit.h"
#include "framework/Form.h"
#include "framework/Label.h"

// A text box with a drop-down button at its right end and a value strip
// under it, the way the numeric edits combine them; the three follow each
// other.
class TGalleryEdit : public TCustomControl {
 public:
  explicit TGalleryEdit(TComponent* AOwner);
  void SetEnabled(bool enabled) override;
  TFormDropDown* DropDown() const { return FDropDown; }

 private:
  void Take(float value);
  TEdit* FText;
  TFormDropDown* FDropDown;
  TValuePanel* FStrip;
};

class TGalleryForm : public TForm {
 public:
  explicit TGalleryForm(TComponent* AOwner);

  // The drop-down whose pop-up a screenshot shows open.
  TFormDropDown* ShowcaseDropDown() const { return FShowcase; }

 private:
  TLabel* AddLabel(int left, int top, const String& caption, bool bold = false);
  TFormDropDown* AddEditWithDropDown(int left, int top, bool enabled);
  void AddDropDownSection(int top);
  void AddValuePanelSection(int top);
  void AddStandardControlsSection(int top);

  TFormDropDown* FShowcase = nullptr;
};
