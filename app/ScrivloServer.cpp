// scrivlo-server: the Scrivlo Image Server. Sends a PNG image of the screen
// to every connected client whenever a client connects or sends anything,
// and announces itself with a beacon once a second.

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/ServerOptions.h"
#include "app/traymain.h"
#include "framework/Application.h"
#include "platform/HeapTuning.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/TerminationSignals.h"

namespace {

// The screen is what the server serves: without one it would only ever send
// empty images.
bool CanReachTheScreen() {
  HDC screen = GetDC(nullptr);
  if (screen == nullptr) return false;
  ReleaseDC(nullptr, screen);
  return true;
}

// Set once the message loop has ended and the main window with it.
bool LoopEnded = false;

// Qt ends the program with exit(1) when its X connection breaks (the X
// server died, the session ended), from inside the message loop: the main
// window is never destroyed, so its settings would be lost. They are saved
// on the way out instead, as a Shutdown saves them.
void SaveSettingsOfALoopCutShort() {
  if (LoopEnded || FormMain == nullptr) return;
  const bool saved = FormMain->SaveSettings();
  std::fprintf(stderr, "scrivlo-server: ended before its window closed%s\n",
               saved ? "; settings saved" : "");
}

}  // namespace

int main(int argc, char** argv) {
  KeepFrameBuffersOnTheHeap();
  // The capture lines on standard output are for whoever watches; a reader
  // that went away (a closed pipe) must not end the server unsaved.
  std::signal(SIGPIPE, SIG_IGN);
  TServerOptions options;
  std::string error;
  if (!ParseServerOptions(argc, argv, &options, &error)) {
    std::fprintf(stderr, "scrivlo-server: %s\nTry 'scrivlo-server --help' for more.\n",
                 error.c_str());
    return 2;
  }
  if (options.showHelp) {
    std::fputs(kServerUsageText, stdout);
    return 0;
  }
  if (options.showVersion) {
    std::printf("scrivlo-server %s\n", kServerVersion);
    return 0;
  }
  if (!CanReachTheScreen()) {
    std::fprintf(stderr, "scrivlo-server: cannot open the X display%s\n",
                 std::getenv("DISPLAY") == nullptr ? ": DISPLAY is not set" : "");
    return 1;
  }
  ListenOnLocalHostOnly = options.localOnly;
  try {
    Application->Initialize();
    ModuleInstance = GetModuleHandleA(nullptr);
    Application->CreateForm(FormMain);
    // Ended from outside, the server ends as its Shutdown command ends it.
    PostMessageOnTerminationSignals(FormMain->Handle(), WM_CLOSE);
    std::atexit(SaveSettingsOfALoopCutShort);
    Application->Run();
  } catch (...) {
    // Whatever escapes ends the program quietly, as the window system's
    // programs end.
  }
  LoopEnded = true;
  return 0;
}
