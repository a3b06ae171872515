#pragma once

class TForm;

// The key paint box, echoing the keys it receives, at `top` on the gallery's
// window; returns the section's height.
int AddKeyPaintBoxSection(TForm* form, int top);
