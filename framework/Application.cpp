#include "framework/Application.h"

#include <QApplication>
#include <QEventLoop>
#include <cstdio>
#include <cstdlib>
#include <exception>

namespace {

TApplication gApplication;

// Qt keeps references to these for the application's whole life.
int gArgc = 1;
char gProgramName[] = "scrivlo";
char* gArgv[] = {gProgramName, nullptr};

}  // namespace

TApplication* const Application = &gApplication;

void TApplication::Initialize() {
  if (FApplication != nullptr || QCoreApplication::instance() != nullptr) {
    FApplication = QCoreApplication::instance();
    return;
  }
  const bool haveDisplay = std::getenv("DISPLAY") != nullptr ||
                           std::getenv("WAYLAND_DISPLAY") != nullptr ||
                           std::getenv("QT_QPA_PLATFORM") != nullptr;
  if (!haveDisplay) setenv("QT_QPA_PLATFORM", "offscreen", 0);
  FApplication = new QApplication(gArgc, gArgv);
}

void TApplication::EnsureEventLoop() {
  if (FApplication == nullptr) Initialize();
}

void TApplication::Run() {
  EnsureEventLoop();
  if (!FTerminated) QCoreApplication::exec();
}

void TApplication::Terminate() {
  FTerminated = true;
  QCoreApplication::quit();
}

void TApplication::ProcessMessages() {
  EnsureEventLoop();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TApplication::HandleMessage() {
  EnsureEventLoop();
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
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
