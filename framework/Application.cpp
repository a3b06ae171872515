#include "framework/Application.h"

#include <cstdio>
#include <exception>

#include "framework/Form.h"
#include "platform/user/EventLoop.h"
#include "platform/user/Messages.h"

namespace {

TApplication gApplication;

}  // namespace

TApplication* const Application = &gApplication;

TApplication::TApplication() : TComponent(nullptr) {
  // Exceptions leaving a window's method are reported like any other.
  SetWindowExceptionHandler([] { Application->HandleException(nullptr); });
}

TApplication::~TApplication() {
  // The process is ending and Qt's own statics may be gone: forms still
  // here are left to the process's end rather than destroyed now.
  ReleaseComponents();
}

HWND TApplication::Handle() {
  if (FHandle == nullptr) {
    FHandle = AllocateHWnd([this](TMessage& message) { Dispatch(message); });
  }
  return FHandle;
}

void TApplication::FormCreated(TForm* form) {
  if (FMainForm == nullptr) FMainForm = form;
  form->AfterConstruction();
}

void TApplication::FormDestroyed(TForm* form) {
  if (FMainForm == form) FMainForm = nullptr;
}

void TApplication::Initialize() {
  ::EnsureEventLoop();
}

void TApplication::EnsureEventLoop() {
  ::EnsureEventLoop();
}

void TApplication::Run() {
  ::EnsureEventLoop();
  if (FMainForm != nullptr && FShowMainForm && !FTerminated) FMainForm->Show();
  if (!FTerminated) RunEventLoop();
  while (ComponentCount() > 0)
    Free(Components(ComponentCount() - 1));
}

void TApplication::Terminate() {
  FTerminated = true;
  QuitEventLoop();
}

void TApplication::ProcessMessages() {
  ProcessPendingMessages();
}

void TApplication::HandleMessage() {
  WaitAndProcessMessages();
}

std::string TApplication::CurrentExceptionMessage() {
  try {
    throw;
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "Unknown exception";
  }
}

void TApplication::HandleException(TObject* sender) {
  if (!std::current_exception()) return;
  std::string text;
  try {
    throw;
  } catch (const Exception& e) {
    Show(sender, e);
    return;
  } catch (...) {
    text = CurrentExceptionMessage();
  }
  Show(sender, Exception(text));
}

void TApplication::Show(TObject* sender, const Exception& e) {
  if (!OnException) {
    std::fprintf(stderr, "%s\n", e.Message().c_str());
    return;
  }
  // A handler that fails itself must not take the event loop down.
  try {
    OnException(sender, e);
  } catch (...) {
    std::fprintf(stderr, "%s\n%s\n", e.Message().c_str(), CurrentExceptionMessage().c_str());
  }
}
