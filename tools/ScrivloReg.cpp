// scrivlo-reg: reads and changes the settings in the current user's hive.

#include <cstdio>
#include <string>

#include "tools/RegCommand.h"
#include "tools/RegOptions.h"

int main(int argc, char** argv) {
  TRegOptions options;
  std::string error;
  if (!ParseRegOptions(argc, argv, &options, &error)) {
    std::fprintf(stderr, "scrivlo-reg: %s\n%s", error.c_str(), kRegUsageText);
    return kRegUsage;
  }
  if (options.showHelp) {
    std::fputs(kRegUsageText, stdout);
    return kRegOk;
  }
  return RunReg(options, stdin, stdout, stderr);
}
