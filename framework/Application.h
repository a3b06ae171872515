#pragma once

#include <string>

#include "framework/Component.h"
#include "framework/Events.h"
#include "framework/Exceptions.h"
#include "framework/Object.h"
#include "platform/WindowsTypes.h"

class TForm;

// The application object: drives the one event loop (Qt's, see
// platform/user/EventLoop.h) on the user-interface thread, and reports
// exceptions that handlers let escape, also those leaving a window's method.
// It owns the forms CreateForm makes; the first is the main form, which Run
// shows and whose closing ends Run.
class TApplication : public TComponent {
 public:
  TApplication();
  ~TApplication() override;

  // Creates the window system's application. Without any display to talk
  // to, Qt's offscreen platform is used rather than aborting.
  void Initialize();
  // Makes a form of class T owned by the application, stores it in
  // `reference` (before OnCreate runs, so handlers can use it), makes it
  // the main form if there is none yet, then raises its OnCreate.
  template <typename T>
  T* CreateForm(T*& reference) {
    T* form = new T(this);
    reference = form;
    FormCreated(form);
    return form;
  }
  TForm* MainForm() const { return FMainForm; }
  // The application's own hidden window, made on first use: an owner for
  // dialogs that have no form to belong to.
  HWND Handle();
  // Run shows the main form first (on by default).
  bool ShowMainForm() const { return FShowMainForm; }
  void SetShowMainForm(bool show) { FShowMainForm = show; }

  // Runs the event loop until Terminate() (closing the main form calls it),
  // then destroys the forms the application owns, the last made first.
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

  // For TForm: a form it made, and one going away.
  void FormCreated(TForm* form);
  void FormDestroyed(TForm* form);

 private:
  void Show(TObject* sender, const Exception& e);
  bool FTerminated = false;
  bool FShowMainForm = true;
  TForm* FMainForm = nullptr;
  HWND FHandle = nullptr;
};

// The one application object of the process.
extern TApplication* const Application;
