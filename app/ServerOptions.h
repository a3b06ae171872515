#pragma once

#include <string>

// What `scrivlo-server` was asked on its command line. Settings live in the
// registry; the options only say how to run.
struct TServerOptions {
  bool localOnly = false;  // --local-only: accept connections from this machine only
  bool showHelp = false;
  bool showVersion = false;
};

// Parses the arguments after the program name; false with a one-line reason
// in `error` on a bad one.
bool ParseServerOptions(int argc, const char* const* argv, TServerOptions* options,
                        std::string* error);

extern const char kServerUsageText[];
extern const char kServerVersion[];
