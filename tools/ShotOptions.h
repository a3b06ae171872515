#pragma once

#include <string>

// What `scrivlo-shot` was asked to do.
struct TShotOptions {
  bool currentWindow = false;  // --window: the foreground window only
  std::string outputPath;      // -o PATH; empty: the time-stamped name
  bool showHelp = false;
};

// Parses the arguments after the program name. On a bad argument returns
// false with a one-line reason in `error`.
bool ParseShotOptions(int argc, const char* const* argv, TShotOptions* options, std::string* error);

extern const char kShotUsageText[];
