#include "tools/GalleryConvertEditSection.h"

#include "components/ConvertEdit.h"
#include "framework/Form.h"
#include "framework/Label.h"
#include "framework/SysUtils.h"

namespace {

constexpr int kNameColumn = 12;
constexpr int kStateColumns[] = {150, 270};
constexpr int kEchoColumn = 390;
constexpr int kRowHeight = 40;
constexpr double kMetresPerGridUnit = 0.5;

TLabel* AddLabel(TForm* form, int left, int top, const String& caption, bool bold = false) {
  auto* label = new TLabel(form);
  label->SetParent(form);
  if (bold) label->Font()->SetStyle(TFontStyles{fsBold});
  label->SetCaption(caption);
  label->SetLeft(left);
  label->SetTop(top);
  return label;
}

String BothUnits(TConvertEdit* edit) {
  return FloatToStr(edit->GetValue()) + u" grid units = " + FloatToStr(edit->GetSecondUnitValue()) +
         u" metres";
}

// One row: the edit enabled (its value echoed in both units beside it) and
// disabled, in the unit `secondUnit` picks.
void AddRow(TForm* form, int top, const String& name, bool secondUnit, bool spinButtons) {
  AddLabel(form, kNameColumn, top + 6, name);
  TLabel* echo = nullptr;
  for (int column = 0; column < 2; ++column) {
    auto* edit = new TConvertEdit(form);
    edit->SetParent(form);
    edit->SetLeft(kStateColumns[column]);
    edit->SetTop(top);
    edit->OnGetScale = [](TObject*, double& scale) { scale = kMetresPerGridUnit; };
    edit->SetMaxValue(200);
    edit->SetNominalMax(50);
    edit->SetShowButtons(spinButtons);
    edit->SetIncrement(secondUnit ? 0.25f : 1.0f);
    edit->SetValue(secondUnit ? 7.5 : 30);
    if (secondUnit) edit->ShowSecondUnit();
    edit->SetEnabled(column == 0);
    if (column == 0) {
      echo = AddLabel(form, kEchoColumn, top + 6, BothUnits(edit));
      edit->OnChange = [echo, edit](TObject*) { echo->SetCaption(BothUnits(edit)); };
    }
  }
}

}  // namespace

int AddConvertEditSection(TForm* form, int top) {
  AddLabel(form, kNameColumn, top, u"Convert edit", true);
  AddRow(form, top + 22, u"In grid units", false, false);
  AddRow(form, top + 22 + kRowHeight, u"In metres, spin buttons", true, true);
  return 22 + 2 * kRowHeight + 8;
}
