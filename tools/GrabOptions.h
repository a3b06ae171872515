#pragma once

#include <cstdint>
#include <string>

// What `scrivlo-grab` was asked to do.
struct TGrabOptions {
  std::string host;                   // --host; empty: find the server by its beacon
  uint16_t port = 40000;              // --port: the server's, or where beacons are heard
  uint32_t discoverTimeoutMs = 5000;  // --discover-timeout SECONDS
  uint32_t timeoutMs = 10000;         // --timeout SECONDS: a silent server is given up
  int count = 1;                      // --count: images to fetch
  uint32_t intervalMs = 1000;         // --interval: pause before asking for the next image
  std::string outDirectory;           // --out DIR; empty: the current directory
  std::string outFile;                // -o FILE: the one image goes there
  bool showHelp = false;
};

// Parses the arguments after the program name. On a bad argument returns
// false with a one-line reason in `error`.
bool ParseGrabOptions(int argc, const char* const* argv, TGrabOptions* options, std::string* error);

// The two lines of usage shown after a bad argument, and the whole help.
extern const char kGrabSynopsis[];
extern const char kGrabUsageText[];
