#include "tools/GalleryForm.h"

#include <algorithm>

#include "components/Themes.h"
#include "framework/Button.h"
#include "framework/CheckBox.h"
#include "framework/Panel.h"
#include "framework/SpeedButton.h"
#include "framework/SysUtils.h"
#include "framework/UpDown.h"
#include "tools/GalleryAngleEditSection.h"
#include "tools/GalleryBrowseFolderDlgSection.h"
#include "tools/GalleryConvertEditSection.h"
#include "tools/GalleryKeyPaintBoxSection.h"
#include "tools/GalleryNumberEditSection.h"
#include "tools/GalleryPagesSection.h"
#include "tools/GalleryThemeControlsSection.h"
#include "tools/GalleryUnitEditSection.h"

TGalleryEdit::TGalleryEdit(TComponent* AOwner)
    : TCustomControl(AOwner),
      FText(new TEdit(this)),
      FDropDown(new TFormDropDown(this)),
      FStrip(new TValuePanel(this)) {
  SetBounds(0, 0, 100, 26);
  FText->SetParent(this);
  FText->SetBounds(0, 0, 80, 21);
  FText->SetText(u"40");
  FDropDown->SetParent(this);
  FDropDown->SetBounds(80, 0, 20, 21);
  FStrip->SetParent(this);
  FStrip->SetBounds(0, 21, 99, 4);
  FStrip->SetColor(clWhite);
  FStrip->SetValue(40);
  FDropDown->OnDrop = [this](TObject*) {
    FDropDown->SetMin(FStrip->Min());
    FDropDown->SetMax(FStrip->Max());
    FDropDown->SetValue(FStrip->Value());
    FDropDown->SetOffset(TPoint{FDropDown->Width() - Width(), FStrip->Height()});
  };
  FDropDown->OnChange = [this](TObject*) { Take(FDropDown->Value()); };
  FStrip->OnChange = [this](TObject*) { Take(FStrip->Value()); };
}

void TGalleryEdit::SetEnabled(bool enabled) {
  TCustomControl::SetEnabled(enabled);
  FText->SetEnabled(enabled);
  FDropDown->SetEnabled(enabled);
  FStrip->SetEnabled(enabled);
}

void TGalleryEdit::Take(float value) {
  FStrip->SetValue(value);
  FText->SetText(FloatToStr(value));
}

namespace {

// Columns of the states.
constexpr int kNameColumn = 12;
constexpr int kStateColumns[] = {150, 270, 390, 510};
constexpr int kRowHeight = 34;

// The sections of the library's components, in this order each at the foot
// of the column that ends higher: a new section is one more line.
const struct {
  const char16_t* title;
  int (*add)(TForm* form, int top);
} kSections[] = {
    {u"Themed check box", AddThemeControlsSection},
    {u"Angle edit", AddAngleEditSection},
    {u"Unit edit family", AddUnitEditSection},
    {u"Number edits", AddNumberEditSection},
    {u"Key paint box", AddKeyPaintBoxSection},
    {u"Folder browse dialog", AddBrowseFolderDlgSection},
    {u"Pages, columns", AddPagesAndColumnsSection},
    {u"Convert edit", AddConvertEditSection},
};

}  // namespace

TGalleryForm::TGalleryForm(TComponent* AOwner) : TForm(AOwner) {
  SetCaption(u"Scrivlo controls");
  SetBorderStyle(bsSingle);
  SetBorderIcons(TBorderIcons{biSystemMenu, biMinimize});
  SetPosition(poScreenCenter);
  SetClientWidth(2 * kColumnWidth);
  const bool themed = ThemeHelper()->ThemesActive();
  AddLabel(kNameColumn, 10, themed ? u"Visual styles on" : u"Visual styles off: the classic look",
           true);
  for (int i = 0; i < 4; ++i) {
    static const char16_t* const kStates[] = {u"Enabled", u"Disabled", u"Pressed",
                                              u"Disabled, pressed"};
    AddLabel(kStateColumns[i], 34, kStates[i]);
  }
  FColumnBottoms[0] = 56;
  FColumnBottoms[1] = 10;  // level with the title
  // The framework's own sections, under the headings of their states.
  Place(
      u"Form drop-down", [this](TForm*, int top) { return AddDropDownSection(top); }, 0);
  Place(
      u"Value panel", [this](TForm*, int top) { return AddValuePanelSection(top); }, 0);
  Place(
      u"Framework controls", [this](TForm*, int top) { return AddStandardControlsSection(top); },
      0);
  for (const auto& section : kSections)
    Place(section.title, section.add);
  SetClientHeight(std::max(FColumnBottoms[0], FColumnBottoms[1]));
}

void TGalleryForm::Place(const String& title, const TAddSection& add, int column) {
  if (column < 0) column = FColumnBottoms[1] < FColumnBottoms[0] ? 1 : 0;
  const int top = FColumnBottoms[column];
  const int left = column * kColumnWidth;
  const int first = ControlCount();
  const int height = add(this, top);
  // Laid out from the form's left edge: moved into the column.
  for (int i = first; i < ControlCount(); ++i) {
    TControl* control = Controls(i);
    control->SetLeft(control->Left() + left);
  }
  FColumnBottoms[column] = top + height;
  FSections.push_back(TGallerySection{title, TRect{left, top, left + kColumnWidth, top + height}});
}

TLabel* TGalleryForm::AddLabel(int left, int top, const String& caption, bool bold) {
  auto* label = new TLabel(this);
  label->SetParent(this);
  if (bold) label->Font()->SetStyle(TFontStyles{fsBold});
  label->SetCaption(caption);
  label->SetLeft(left);
  label->SetTop(top);
  return label;
}

TFormDropDown* TGalleryForm::AddEditWithDropDown(int left, int top, bool enabled) {
  auto* edit = new TGalleryEdit(this);
  edit->SetParent(this);
  edit->SetLeft(left);
  edit->SetTop(top);
  edit->SetEnabled(enabled);
  return edit->DropDown();
}

int TGalleryForm::AddDropDownSection(int top) {
  AddLabel(kNameColumn, top, u"Form drop-down", true);
  AddLabel(kNameColumn, top + kRowHeight, u"Arrow button");
  for (int i = 0; i < 4; ++i) {
    auto* button = new TFormDropDown(this);
    button->SetParent(this);
    button->SetBounds(kStateColumns[i], top + kRowHeight - 3, 20, 21);
    button->SetEnabled(i == 0 || i == 2);
    button->SetPressed(i >= 2);
  }
  AddLabel(kNameColumn, top + 2 * kRowHeight, u"On a text box");
  FShowcase = AddEditWithDropDown(kStateColumns[0], top + 2 * kRowHeight - 3, true);
  AddEditWithDropDown(kStateColumns[1], top + 2 * kRowHeight - 3, false);
  return 3 * kRowHeight + 24;
}

int TGalleryForm::AddValuePanelSection(int top) {
  AddLabel(kNameColumn, top, u"Value panel", true);
  struct Sample {
    const char16_t* name;
    float min, max, value;
    int height;
  };
  static const Sample kSamples[] = {
      {u"30 of 0..100", 0, 100, 30, 20},
      {u"Strip, 75 of 0..100", 0, 100, 75, 4},
      {u"150 of 0..100", 0, 100, 150, 20},
  };
  int row = 1;
  for (const Sample& sample : kSamples) {
    AddLabel(kNameColumn, top + row * kRowHeight, sample.name);
    for (int i = 0; i < 2; ++i) {
      auto* panel = new TValuePanel(this);
      panel->SetParent(this);
      panel->SetBounds(kStateColumns[i], top + row * kRowHeight - 2, 100, sample.height);
      panel->SetColor(clWhite);
      panel->SetMin(sample.min);
      panel->SetMax(sample.max);
      panel->SetValue(sample.value);
      panel->SetEnabled(i == 0);
    }
    ++row;
  }
  return row * kRowHeight + 12;
}

int TGalleryForm::AddStandardControlsSection(int top) {
  AddLabel(kNameColumn, top, u"Framework controls", true);
  for (int row = 0; row < 2; ++row) {
    const bool enabled = row == 0;
    const int y = top + 22 + row * 40;
    AddLabel(kNameColumn, y + 4, enabled ? u"Enabled" : u"Disabled");
    auto* button = new TButton(this);
    button->SetParent(this);
    button->SetBounds(110, y, 75, 25);
    button->SetCaption(u"&Hide");
    auto* check = new TCheckBox(this);
    check->SetParent(this);
    check->SetBounds(195, y + 4, 90, 17);
    check->SetCaption(u"Fixed IP");
    check->SetChecked(true);
    auto* panel = new TPanel(this);  // a parent of its own for a radio group
    panel->SetParent(this);
    panel->SetBounds(290, y, 104, 25);
    panel->SetBevelOuter(bvLowered);
    auto* radio = new TRadioButton(this);
    radio->SetParent(panel);
    radio->SetBounds(4, 4, 96, 17);
    radio->SetCaption(u"Whole screen");
    radio->SetChecked(true);
    auto* edit = new TEdit(this);
    edit->SetParent(this);
    edit->SetBounds(400, y + 2, 60, 21);
    edit->SetText(u"40000");
    auto* updown = new TUpDown(this);
    updown->SetParent(this);
    updown->SetBounds(460, y + 2, 12, 21);
    auto* first = new TSpeedButton(this);
    first->SetParent(this);
    first->SetBounds(490, y + 2, 22, 21);
    first->SetCaption(u"g");
    first->SetFlat(true);
    first->SetGroupIndex(1 + row);
    first->SetDown(true);
    auto* second = new TSpeedButton(this);
    second->SetParent(this);
    second->SetBounds(514, y + 2, 22, 21);
    second->SetCaption(u"m");
    second->SetFlat(true);
    second->SetGroupIndex(1 + row);
    auto* plain = new TSpeedButton(this);
    plain->SetParent(this);
    plain->SetBounds(546, y + 2, 60, 21);
    plain->SetCaption(u"Speed");
    for (TControl* control : std::initializer_list<TControl*>{button, check, panel, radio, edit,
                                                              updown, first, second, plain}) {
      control->SetEnabled(enabled);
    }
  }
  return 22 + 2 * 40 + 8;
}
