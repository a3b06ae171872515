#pragma once

// Shared libraries loaded at run time, by name. A bare name is looked for
// next to the running program first (where the build puts our own
// libraries), then along the program's run path (where installed programs
// find them) and where the system's loader looks; a name with a '/' is taken
// as a path.

#include <string>

#include "platform/WindowsTypes.h"

struct HINSTANCE__;
using HMODULE = HINSTANCE__*;
// A module as the program's entry point and resources name it.
using HINSTANCE = HMODULE;
using FARPROC = void (*)();

HMODULE LoadLibraryA(const char* name);
BOOL FreeLibrary(HMODULE module);
// The program's own module (name null), whose handle its resources are
// loaded through. Other modules are not looked up by name here: null.
HMODULE GetModuleHandleA(const char* name);
// The address of an exported entry point; null when there is none.
FARPROC GetProcAddress(HMODULE module, const char* name);

// The folder of the running program, without a trailing '/'.
std::string ProgramFolder();
