#pragma once

// Between Qt's key events and the platform's key messages
// (framework-internal).

#include <QKeyEvent>

#include "framework/Types.h"
#include "platform/WindowsTypes.h"

// The virtual-key code of a Qt key; 0 for keys the platform has no code for.
WORD VirtualKeyFromQt(int key, Qt::KeyboardModifiers modifiers);
// The Qt key of a virtual-key code; Qt::Key_unknown when there is none.
int QtKeyFromVirtualKey(WORD key);
// The character WM_CHAR carries for the event: control characters for
// Backspace (8), Enter (13), Escape (27) and Ctrl+letter (1..26); 0 for keys
// that type nothing (arrows, Delete, Tab, Alt combinations).
WideChar CharCodeFromQt(const QKeyEvent& event);
// A key press typing `character` (what an edit does with WM_CHAR).
QKeyEvent KeyEventForChar(WideChar character, Qt::KeyboardModifiers modifiers);
