#pragma once

class TFormMain;

// The main window's stored layout: creates its components and controls in
// the stored order, each with its stored properties (positions, captions,
// tab order) and handlers, then finishes loading, which runs Loaded on each.
// Called by the window's constructor before its own set-up.
void LoadFormMainLayout(TFormMain* form);
