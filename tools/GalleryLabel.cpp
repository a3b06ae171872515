#include "tools/GalleryLabel.h"

#include "framework/Form.h"
#include "framework/Label.h"

TLabel* AddLabel(TForm* form, int left, int top, const String& caption, bool bold) {
  auto* label = new TLabel(form);
  label->SetParent(form);
  if (bold) label->Font()->SetStyle(TFontStyles{fsBold});
  label->SetCaption(caption);
  label->SetLeft(left);
  label->SetTop(top);
  return label;
}
