#include "framework/GroupBox.h"

#include <QGroupBox>

#include "framework/ControlWidget.h"
#include "framework/QtBridge.h"

TGroupBox::TGroupBox(TComponent* owner)
    : TWinControl(owner, NewControlWidget<QGroupBox>(TControlHost::Painting::Native)) {
  SetBounds(0, 0, 185, 105);
}

void TGroupBox::TextChanged() {
  static_cast<QGroupBox*>(Widget())->setTitle(QtString(Caption()));
}

void TGroupBox::ApplyColors() {
  QPalette palette = Widget()->palette();
  SetEnabledColor(palette, QPalette::Window, QtColor(Color()));
  SetEnabledColor(palette, QPalette::WindowText, QtColor(Font()->Color()));
  Widget()->setPalette(palette);
}
