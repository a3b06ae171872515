#include "platform/user/EventLoop.h"

#include <QApplication>
#include <QEventLoop>
#include <QStyle>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "platform/uxtheme/UxTheme.h"

namespace {

// A plain function pointer: set before any constructor could run.
TWindowExceptionHandler gExceptionHandler = nullptr;

// Qt keeps references to these for the application's whole life.
int gArgc = 1;
char gProgramName[] = "scrivlo";
char* gArgv[] = {gProgramName, nullptr};

}  // namespace

void EnsureEventLoop() {
  if (QCoreApplication::instance() != nullptr) return;
  const bool haveDisplay = std::getenv("DISPLAY") != nullptr ||
                           std::getenv("WAYLAND_DISPLAY") != nullptr ||
                           std::getenv("QT_QPA_PLATFORM") != nullptr;
  if (!haveDisplay) setenv("QT_QPA_PLATFORM", "offscreen", 0);
  // Lives until the process ends: Qt objects may outlive every owner of ours.
  new QApplication(gArgc, gArgv);
  // Without visual styles the whole user interface takes the classic look.
  if (VisualStylesSwitchedOff()) QApplication::setStyle(QStringLiteral("Windows"));
}

void RunEventLoop() {
  EnsureEventLoop();
  QCoreApplication::exec();
}

void QuitEventLoop() {
  QCoreApplication::quit();
}

void ProcessPendingMessages() {
  EnsureEventLoop();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void WaitAndProcessMessages() {
  EnsureEventLoop();
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

TWindowExceptionHandler SetWindowExceptionHandler(TWindowExceptionHandler handler) {
  const TWindowExceptionHandler previous = gExceptionHandler;
  gExceptionHandler = handler;
  return previous;
}

void HandleWindowException() {
  if (gExceptionHandler != nullptr) {
    gExceptionHandler();
    return;
  }
  try {
    throw;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "Unknown exception\n");
  }
}
