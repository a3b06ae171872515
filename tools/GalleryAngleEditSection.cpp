#include "tools/GalleryAngleEditSection.h"

#include "components/AngleEdit.h"
#include "framework/Form.h"
#include "framework/Label.h"
#include "framework/SysUtils.h"

namespace {

TLabel* AddLabel(TForm* form, int left, int top, const String& caption, bool bold = false) {
  auto* label = new TLabel(form);
  label->SetParent(form);
  if (bold) label->Font()->SetStyle(TFontStyles{fsBold});
  label->SetCaption(caption);
  label->SetLeft(left);
  label->SetTop(top);
  return label;
}

String DegreesText(float degrees) {
  return FloatToStr(degrees) + u"\u00B0";
}

}  // namespace

int AddAngleEditSection(TForm* form, int top) {
  AddLabel(form, 12, top, u"Angle edit", true);
  AddLabel(form, 12, top + 34, u"Drag up or down");
  static const struct {
    float degrees;
    bool enabled;
  } kDials[] = {{0, true}, {45, true}, {90, true}, {200, true}, {720, true}, {135, false}};
  int left = 150;
  for (const auto& sample : kDials) {
    auto* dial = new TAngleEdit(form);
    dial->SetParent(form);
    dial->SetLeft(left);
    dial->SetTop(top + 22);
    dial->SetDegrees(sample.degrees);
    dial->SetEnabled(sample.enabled);
    TLabel* caption = AddLabel(
        form, left, top + 66, DegreesText(sample.degrees) + (sample.enabled ? u"" : u", disabled"));
    dial->OnChange = [dial, caption](TObject*) {
      caption->SetCaption(DegreesText(dial->GetDegrees()));
    };
    left += 80;
  }
  return 90;
}
