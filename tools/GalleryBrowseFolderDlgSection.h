#pragma once

class TForm;

// A button that opens the folder browse dialog and shows the folder chosen,
// at `top` on the gallery's window; returns the section's height.
int AddBrowseFolderDlgSection(TForm* form, int top);
