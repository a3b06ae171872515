#pragma once

class TForm;

// Adds the number edits (float and integer, with and without spin buttons,
// enabled and disabled) to `form` from `top` down; returns the height used.
int AddNumberEditSection(TForm* form, int top);
