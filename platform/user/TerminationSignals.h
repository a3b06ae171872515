#pragma once

// Requests to end the program from outside (SIGTERM from a service manager
// or `kill`, SIGINT from Ctrl+C, SIGHUP when the terminal goes away) turned
// into a window message, so that the program ends the way its own close
// command ends it, settings saved and all.
//
// The signal handler only writes a byte to a pipe. The event loop watches
// the pipe's other end and posts the message from there, on the
// user-interface thread, so nothing of the program runs inside the handler.

#include "platform/WindowsTypes.h"

// From now on each of the three signals posts `message` to `window`. Calling
// it again changes where the message goes. False when the pipe cannot be had
// (the signals then keep their default action).
bool PostMessageOnTerminationSignals(HWND window, UINT message);
