#pragma once

#include <string>

// What `scrivlo-reg` was asked to do.
struct TRegOptions {
  enum class TVerb { None, Query, Add, Delete, Export, Import };
  TVerb verb = TVerb::None;
  std::string key;          // KEY, as typed
  bool namesValue = false;  // /v NAME or /ve given
  std::string valueName;    // "" with /ve: the default value
  std::string type = "REG_SZ";
  bool hasData = false;
  std::string data;        // /d DATA
  bool force = false;      // /f: overwrite or delete without asking
  bool overwrite = false;  // /y: export over an existing file
  std::string file;        // export or import; "-" for standard output or input
  bool showHelp = false;
};

// Parses the arguments after the program name. On bad usage returns false
// with a one-line reason in `error`.
bool ParseRegOptions(int argc, const char* const* argv, TRegOptions* options, std::string* error);

extern const char kRegUsageText[];

// Exit statuses.
constexpr int kRegOk = 0;
constexpr int kRegFailed = 1;  // no such key or value, the hive or a file could not be used
constexpr int kRegUsage = 2;
