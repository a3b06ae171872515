#pragma once

class TForm;

// Adds angle edits turned to a few angles to the gallery window at `top`;
// returns the height the section takes.
int AddAngleEditSection(TForm* form, int top);
