#include "framework/CheckBox.h"

#include <QCheckBox>
#include <QRadioButton>
#include <QSignalBlocker>

#include "framework/Application.h"
#include "framework/ControlWidget.h"
#include "framework/QtBridge.h"

class TButtonControlWidgetAccess {
 public:
  static void StateChanged(TControlHost* host) {
    auto* control = static_cast<TButtonControl*>(host->Control());
    if (control == nullptr) return;
    try {
      control->StateChangedByUser();
    } catch (...) {
      Application->HandleException(host->Control());
    }
  }
};

namespace {

// The platform's order for a three-state box: unchecked, checked, grayed.
class CheckBoxWidget : public TControlWidget<QCheckBox> {
 public:
  CheckBoxWidget() : TControlWidget<QCheckBox>(Painting::Native) {}

 protected:
  void nextCheckState() override {
    if (!isTristate()) {
      QCheckBox::nextCheckState();
      return;
    }
    switch (checkState()) {
      case Qt::Unchecked:
        setCheckState(Qt::Checked);
        break;
      case Qt::Checked:
        setCheckState(Qt::PartiallyChecked);
        break;
      default:
        setCheckState(Qt::Unchecked);
        break;
    }
  }
};

// A click checks a radio button; it never unchecks one.
class RadioButtonWidget : public TControlWidget<QRadioButton> {
 public:
  RadioButtonWidget() : TControlWidget<QRadioButton>(Painting::Native) { setAutoExclusive(false); }

 protected:
  void nextCheckState() override { setChecked(true); }
};

template <typename W>
W* MakeWidget() {
  EnsureWidgetsCanExist();
  return new W();
}

}  // namespace

TButtonControl::TButtonControl(TComponent* owner, QWidget* widget) : TWinControl(owner, widget) {
  SetTabStop(true);
  SetControlStyle(ControlStyle() - TControlStyle{csClickEvents});
  TControlHost* host = Host();
  QObject::connect(
      static_cast<QAbstractButton*>(widget), &QAbstractButton::clicked, widget,
      [host] { host->FromSignal([host] { TButtonControlWidgetAccess::StateChanged(host); }); });
}

void TButtonControl::TextChanged() {
  static_cast<QAbstractButton*>(Widget())->setText(QtString(Caption()));
}

TCheckBox::TCheckBox(TComponent* owner) : TButtonControl(owner, MakeWidget<CheckBoxWidget>()) {
  SetBounds(0, 0, 97, 17);
}

void TCheckBox::ShowState() {
  auto* box = static_cast<QCheckBox*>(Widget());
  const QSignalBlocker quiet(box);
  box->setTristate(FState == cbGrayed || FAllowGrayed);
  box->setCheckState(FState == cbChecked  ? Qt::Checked
                     : FState == cbGrayed ? Qt::PartiallyChecked
                                          : Qt::Unchecked);
}

void TCheckBox::SetAllowGrayed(bool allow) {
  FAllowGrayed = allow;
  ShowState();
}

void TCheckBox::SetState(TCheckBoxState state) {
  if (state == FState) return;
  FState = state;
  ShowState();
  if (!ComponentState().Has(csLoading)) Click();
}

void TCheckBox::StateChangedByUser() {
  const Qt::CheckState shown = static_cast<QCheckBox*>(Widget())->checkState();
  FState = shown == Qt::Checked            ? cbChecked
           : shown == Qt::PartiallyChecked ? cbGrayed
                                           : cbUnchecked;
  Click();
}

TRadioButton::TRadioButton(TComponent* owner)
    : TButtonControl(owner, MakeWidget<RadioButtonWidget>()) {
  SetBounds(0, 0, 113, 17);
}

void TRadioButton::SetChecked(bool checked) {
  if (checked == FChecked) return;
  FChecked = checked;
  {
    auto* button = static_cast<QRadioButton*>(Widget());
    const QSignalBlocker quiet(button);
    button->setChecked(checked);
  }
  if (!checked) return;
  // Exclusive among the radio buttons of the same parent.
  if (Parent() != nullptr) {
    for (int i = 0; i < Parent()->ControlCount(); ++i) {
      auto* sibling = dynamic_cast<TRadioButton*>(Parent()->Controls(i));
      if (sibling != nullptr && sibling != this) sibling->SetChecked(false);
    }
  }
  if (!ComponentState().Has(csLoading)) Click();
}

void TRadioButton::StateChangedByUser() {
  const bool shown = static_cast<QRadioButton*>(Widget())->isChecked();
  if (shown == FChecked) return;
  // Undone for a moment so that SetChecked sees the change.
  FChecked = !shown;
  SetChecked(shown);
}
