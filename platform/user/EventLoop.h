#pragma once

// The one event loop of the user-interface thread (Qt's), as the window layer
// and everything above it see it. The framework's application object drives
// it; the platform layers (sockets, windows) only need it to exist.

// Creates the window system's application if nobody has yet. Without any
// display to talk to, Qt's offscreen platform is used rather than aborting.
void EnsureEventLoop();

// Runs the loop until QuitEventLoop().
void RunEventLoop();
void QuitEventLoop();
// Handles everything pending now, then returns. May be called from inside a
// handler; what it handles may call it again.
void ProcessPendingMessages();
// Waits for at least one event, then handles everything pending.
void WaitAndProcessMessages();

// Called from inside a catch block when an exception leaves a window's
// method. The platform cannot report it itself (reporting is the
// application's business), so the framework installs a handler here; until
// one is installed the exception's text goes to standard error.
using TWindowExceptionHandler = void (*)();
// Returns the handler it replaces.
TWindowExceptionHandler SetWindowExceptionHandler(TWindowExceptionHandler handler);
void HandleWindowException();
