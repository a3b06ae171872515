// scrivlo-grab: finds a Scrivlo Image Server by its beacon (or takes the
// host given) and saves the PNG images of its screen that it sends.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "framework/Application.h"
#include "tools/GrabOptions.h"
#include "tools/GrabSession.h"

int main(int argc, char** argv) {
  TGrabOptions options;
  std::string error;
  if (!ParseGrabOptions(argc, argv, &options, &error)) {
    std::fprintf(stderr, "scrivlo-grab: %s\n%sTry 'scrivlo-grab --help' for more.\n", error.c_str(),
                 kGrabSynopsis);
    return kGrabUsage;
  }
  if (options.showHelp) {
    std::fputs(kGrabUsageText, stdout);
    return kGrabOk;
  }
  // The client shows no window: it never needs a display, and the window
  // system's warnings (such as a missing XDG_RUNTIME_DIR) mean nothing to
  // its user.
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  setenv("QT_LOGGING_RULES", "default.warning=false", 0);
  Application->Initialize();
  TGrabSession session(options, stdout, stderr);
  return session.Run();
}
