#include "components/ParentWindow.h"

HWND ParentWindow(const TControl& control) {
  TWinControl* parent = control.Parent();
  if (parent == nullptr) return nullptr;
  try {
    return parent->Handle();
  } catch (const EInvalidOperation&) {
    return nullptr;
  }
}
