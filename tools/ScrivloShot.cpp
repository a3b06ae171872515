// scrivlo-shot: writes a PNG of the screen, or of the foreground window.

#include <cstdio>
#include <string>

#include "tools/ShotCommand.h"
#include "tools/ShotOptions.h"

int main(int argc, char** argv) {
  TShotOptions options;
  std::string error;
  if (!ParseShotOptions(argc, argv, &options, &error)) {
    std::fprintf(stderr, "scrivlo-shot: %s\n%s", error.c_str(), kShotUsageText);
    return kShotUsage;
  }
  if (options.showHelp) {
    std::fputs(kShotUsageText, stdout);
    return kShotOk;
  }
  return RunShot(options, stdout, stderr);
}
