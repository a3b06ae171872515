#include "tools/ShotOptions.h"

#include <cstring>

const char kShotUsageText[] =
    "usage: scrivlo-shot [--window] [-o PATH]\n"
    "Captures the screen as an 8-bit RGBA PNG (zlib level 9) and prints the file's name.\n"
    "\n"
    "  -w, --window   capture the foreground window (frame included) instead of the screen\n"
    "  -o PATH        write to PATH instead of a name made from the local time\n"
    "                 (Mon-DD-YY--HH-MM-SS.png in the current directory)\n"
    "  -h, --help     show this text\n"
    "\n"
    "Exit status: 0 written, 1 no display or the file could not be written, 2 bad usage.\n";

bool ParseShotOptions(int argc, const char* const* argv, TShotOptions* options,
                      std::string* error) {
  for (int i = 1; i < argc; ++i) {
    const char* argument = argv[i];
    if (std::strcmp(argument, "-w") == 0 || std::strcmp(argument, "--window") == 0) {
      options->currentWindow = true;
    } else if (std::strcmp(argument, "-h") == 0 || std::strcmp(argument, "--help") == 0) {
      options->showHelp = true;
    } else if (std::strcmp(argument, "-o") == 0 || std::strcmp(argument, "--output") == 0) {
      if (i + 1 >= argc || argv[i + 1][0] == '\0') {
        *error = std::string(argument) + " needs a file name";
        return false;
      }
      options->outputPath = argv[++i];
    } else if (std::strncmp(argument, "--output=", 9) == 0 && argument[9] != '\0') {
      options->outputPath = argument + 9;
    } else {
      *error = std::string("unknown option '") + argument + "'";
      return false;
    }
  }
  return true;
}
