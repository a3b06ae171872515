// scrivlo-server: the Scrivlo Image Server. Sends a PNG image of the screen
// to every connected client whenever a client connects or sends anything,
// and announces itself with a beacon once a second.

#include <cstdio>
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

}  // namespace

int main(int argc, char** argv) {
  KeepFrameBuffersOnTheHeap();
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
    Application->Run();
  } catch (...) {
    // Whatever escapes ends the program quietly, as the window system's
    // programs end.
  }
  return 0;
}
