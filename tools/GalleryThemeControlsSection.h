#pragma once

class TForm;

// Adds the themed check box and speed buttons, in all their states, to the
// gallery window at `top`; returns the height the section takes.
int AddThemeControlsSection(TForm* form, int top);
