#pragma once

#include <string>

#include "framework/Events.h"
#include "framework/Exceptions.h"
#include "framework/Object.h"

// The application object: drives the one event loop (Qt's, see
// platform/user/EventLoop.h) on the user-interface thread, and reports
// exceptions that handlers let escape, also those leaving a window's method.
class TApplication : public TObject {
 public:
  TApplication();

  // Creates the window system's application. Without any display to talk
  // to, Qt's offscreen platform is used rather than aborting.
  void Initialize();
  // Runs the event loop until Terminate().
  void Run();
  void Terminate();
  bool Terminated() const { return FTerminated; }
  // Handles everything pending now, then returns. May be called from inside
  // a handler; what it handles may call it again.
  void ProcessMessages();
  // Waits for at least one event, then handles everything pending: how a
  // waiting loop lets time pass without spinning.
  void HandleMessage();

  // Call from inside a catch block: passes the exception being handled to
  // OnException if bound, else writes its message on standard error.
  void HandleException(TObject* sender);
  TEvent<TObject*, const Exception&> OnException;

  // Initialize() if nobody has yet: message windows need the event loop.
  void EnsureEventLoop();

  // The text HandleException would show for the exception being handled.
  static std::string CurrentExceptionMessage();

 private:
  void Show(TObject* sender, const Exception& e);
  bool FTerminated = false;
};

// The one application object of the process.
extern TApplication* const Application;
