#pragma once

// The gallery's section of the numeric edits: the server's port field, a
// float edit with spin buttons, and a unit edit showing metres as
// millimetres with its strip and drop-down, each enabled and disabled.

class TForm;

// Adds the section to `form` from `top` down; returns its height. Installs
// the sample conversion (metres shown as "mm") for the whole process.
int AddUnitEditSection(TForm* form, int top);
