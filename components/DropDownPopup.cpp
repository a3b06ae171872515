#include "components/DropDownPopup.h"

#include <algorithm>

#include "components/formDropDown.h"

TDropDownPopup::TDropDownPopup(TFormDropDown* button)
    : TPopupWindow(button), FButton(button), FPanel(new TValuePanel(this)) {
  // A one-pixel frame around the panel sets the pop-up off what lies below.
  SetColor(clBtnShadow);
  FPanel->SetParent(this);
  FPanel->SetColor(clWindow);
  FPanel->OnChange = TNotifyEvent::Bind(this, &TDropDownPopup::PanelChange);
}

void TDropDownPopup::Open() {
  const TPoint offset = FButton->Offset();
  const auto* owner = dynamic_cast<const TControl*>(FButton->Owner());
  int width = owner != nullptr ? owner->Width() : FButton->Width() - offset.x;
  width = std::max(width, FButton->Width());
  const TPoint at = FButton->ClientToScreen(TPoint{offset.x, FButton->Height() + offset.y});
  FPanel->SetMin(FButton->Min());
  FPanel->SetMax(FButton->Max());
  FPanel->SetValue(FButton->Value());
  SetBounds(at.x - kFrame, at.y, width + 2 * kFrame, kHeight + 2 * kFrame);
  FPanel->SetBounds(kFrame, kFrame, width, kHeight);
  Popup(Left(), Top());
}

void TDropDownPopup::PanelChange(TObject*) {
  FButton->SetValue(FPanel->Value());
  FButton->FormValueChanged(FButton);
}
