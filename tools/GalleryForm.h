#pragma once

// The gallery's window: every control of the library in its enabled,
// disabled and (where it has one) pressed state, in this run's look.
//
// The window has two columns of sections. The framework's own sections
// stand in the first, under the headings of their states; every other
// section goes where a column ends higher, in the order of the list in
// GalleryForm.cpp. A section is a function that adds its controls to the
// form from a given top down, laid out from the form's left edge within
// kColumnWidth, and returns its height; the form then moves the controls
// into their column.

#include <functional>
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

// Where a section landed: its title and its column's width by its height,
// in client coordinates.
struct TGallerySection {
  String Title;
  TRect Bounds;
};

class TGalleryForm : public TForm {
 public:
  // Each column's width; the window is two of them wide.
  static constexpr int kColumnWidth = 640;

  explicit TGalleryForm(TComponent* AOwner);

  // The drop-down whose pop-up a screenshot shows open.
  TFormDropDown* ShowcaseDropDown() const { return FShowcase; }
  // Every section, in the order it was added.
  const std::vector<TGallerySection>& Sections() const { return FSections; }

 private:
  using TAddSection = std::function<int(TForm* form, int top)>;
  // Adds a section at the foot of `column`, or of the column that ends
  // higher when none is given.
  void Place(const String& title, const TAddSection& add, int column = -1);

  TLabel* AddLabel(int left, int top, const String& caption, bool bold = false);
  TFormDropDown* AddEditWithDropDown(int left, int top, bool enabled);
  int AddDropDownSection(int top);
  int AddValuePanelSection(int top);
  int AddStandardControlsSection(int top);

  TFormDropDown* FShowcase = nullptr;
  std::vector<TGallerySection> FSections;
  int FColumnBottoms[2] = {0, 0};
};
