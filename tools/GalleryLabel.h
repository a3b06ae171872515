#pragma once

#include "framework/Types.h"

class TForm;
class TLabel;

// Adds a label to `form` at `left`, `top`; a bold one heads a section.
TLabel* AddLabel(TForm* form, int left, int top, const String& caption, bool bold = false);
