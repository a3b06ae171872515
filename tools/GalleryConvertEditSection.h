#pragma once

class TForm;

// Adds convert edits with a sample scale (half a metre per grid unit), in
// either unit, enabled and disabled, to `form` from `top` down; returns the
// height used.
int AddConvertEditSection(TForm* form, int top);
