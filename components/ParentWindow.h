#pragma once

// The window a themed control opens its theme data for and paints the
// background of: its parent's. A parent that is in no window yet (it has no
// parent itself and is no form) has none to give; asking it for its handle
// would throw, so such a control paints as one without a parent.

#include "framework/Controls.h"

// Null without a parent, or while the parent has no window.
HWND ParentWindow(const TControl& control);
