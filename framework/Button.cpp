#include "framework/Button.h"

#include <QPushButton>

#include "framework/Application.h"
#include "framework/ControlWidget.h"
#include "framework/QtBridge.h"

TButton::TButton(TComponent* owner)
    : TWinControl(owner, NewControlWidget<QPushButton>(TControlHost::Painting::Native)) {
  SetControlStyle(ControlStyle() - TControlStyle{csClickEvents});
  SetTabStop(true);
  SetBounds(0, 0, 75, 25);
  TControlHost* host = Host();
  QObject::connect(static_cast<QPushButton*>(Widget()), &QPushButton::clicked, Widget(), [host] {
    TControl* button = host->Control();
    if (button == nullptr) return;
    host->FromSignal([&] {
      try {
        static_cast<TButton*>(button)->Click();
      } catch (...) {
        Application->HandleException(host->Control());
      }
    });
  });
}

void TButton::Click() {
  const auto alive = Alive();
  if (FModalResult != mrNone) {
    if (TForm* form = GetParentForm(this)) form->SetModalResult(FModalResult);
  }
  if (!alive.expired()) TWinControl::Click();
}

void TButton::SetDefault(bool isDefault) {
  FDefault = isDefault;
  auto* button = static_cast<QPushButton*>(Widget());
  button->setDefault(isDefault);
  button->setAutoDefault(isDefault);
}

void TButton::TextChanged() {
  static_cast<QPushButton*>(Widget())->setText(QtString(Caption()));
}
