#include "tools/GalleryNumberEditSection.h"

#include "components/NumberEdit.h"
#include "framework/Form.h"
#include "framework/Label.h"

namespace {

// The gallery's columns and row pitch.
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

// The same edit in both states, side by side.
template <typename Edit, typename SetUp>
void AddRow(TForm* form, int top, const String& name, SetUp setUp) {
  AddLabel(form, kNameColumn, top + 4, name);
  for (int i = 0; i < 2; ++i) {
    auto* edit = new Edit(form);
    edit->SetParent(form);
    edit->SetBounds(kStateColumns[i], top, 80, 21);
    setUp(edit);
    edit->SetEnabled(i == 0);
  }
}

}  // namespace

int AddNumberEditSection(TForm* form, int top) {
  AddLabel(form, kNameColumn, top, u"Number edits", true);
  AddRow<TSimpleFloatEdit>(form, top + 22, u"Float, spin buttons", [](TSimpleFloatEdit* edit) {
    edit->SetMin(-10);
    edit->SetIncrement(0.25f);
    edit->SetShowButtons(true);
    edit->SetValue(12.125f);
  });
  AddRow<TSimpleFloatEdit>(form, top + 22 + kRowHeight, u"Float, no buttons",
                           [](TSimpleFloatEdit* edit) {
                             edit->SetMin(-10);
                             edit->SetValue(-3.25f);
                           });
  AddRow<TSimpleIntegerEdit>(form, top + 22 + 2 * kRowHeight, u"Integer, spin buttons",
                             [](TSimpleIntegerEdit* edit) {
                               edit->SetIntMax(65535);
                               edit->SetShowButtons(true);
                               edit->SetIntValue(40000);
                             });
  return 22 + 3 * kRowHeight + 8;
}
