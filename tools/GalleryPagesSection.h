#pragma once

class TForm;

// The page control and the list view, at `top` of the gallery's form;
// returns the height the section takes.
int AddPagesAndColumnsSection(TForm* form, int top);
