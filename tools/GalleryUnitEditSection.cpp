#include "tools/GalleryUnitEditSection.h"

#include "components/UnitEdit.h"
#include "framework/Form.h"
#include "framework/Label.h"

namespace {

constexpr int kNameColumn = 12;
constexpr int kStateColumns[] = {150, 270};
constexpr int kRowHeight = 34;

void AddLabel(TForm* form, int left, int top, const String& caption, bool bold = false) {
  auto* label = new TLabel(form);
  label->SetParent(form);
  if (bold) label->Font()->SetStyle(TFontStyles{fsBold});
  label->SetCaption(caption);
  label->SetLeft(left);
  label->SetTop(top);
}

template <typename T>
T* AddEdit(TForm* form, int column, int top) {
  auto* edit = new T(form);
  edit->SetParent(form);
  edit->SetLeft(kStateColumns[column]);
  edit->SetTop(top);
  edit->SetEnabled(column == 0);
  return edit;
}

}  // namespace

int AddUnitEditSection(TForm* form, int top) {
  TBaseUnitEdit::SetConversionFunction([](TObject*, bool, double& scale, String& abbr, bool&) {
    scale = 1000;
    abbr = u"mm";
  });
  AddLabel(form, kNameColumn, top, u"Unit edit family", true);
  const int port = top + kRowHeight, spin = port + kRowHeight, units = spin + kRowHeight;
  AddLabel(form, kNameColumn, port + 6, u"Port field");
  AddLabel(form, kNameColumn, spin + 6, u"Float, spin buttons");
  AddLabel(form, kNameColumn, units + 6, u"Unit edit, m as mm");
  for (int column = 0; column < 2; ++column) {
    // As the server's settings window sets up its port field.
    auto* portNo = AddEdit<TIntegerEdit>(form, column, port);
    portNo->SetIntIncrement(1);
    portNo->SetIntMax(65535);
    portNo->SetShowDropDown(false);
    portNo->SetNominalMax(65535.0);
    portNo->SetShowUnits(false);
    portNo->SetIntValue(40000);

    auto* number = AddEdit<TFloatEdit>(form, column, spin);
    number->SetShowButtons(true);
    number->SetIncrement(0.25);
    number->SetValue(12.5);

    // Values in metres: a quarter of the strip's nominal 1 m.
    auto* length = AddEdit<TUnitEdit>(form, column, units);
    length->SetMaxValue(10);
    length->SetNominalMax(1);
    length->SetValue(0.25);
  }
  return 4 * kRowHeight;
}
