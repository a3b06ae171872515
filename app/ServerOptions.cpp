#include "app/ServerOptions.h"

#include <cstring>

const char kServerVersion[] = "1.0.0.0";

const char kServerUsageText[] =
    "usage: scrivlo-server [--local-only]\n"
    "Scrivlo Image Server: sends a PNG image of this X screen to every client connected\n"
    "over TCP, each time a client connects or sends anything, and announces itself with\n"
    "a UDP beacon once a second. The port (40000 unless set), the capture (whole screen or\n"
    "current window) and where the beacon goes are set in its window and kept in the\n"
    "registry hive (${XDG_CONFIG_HOME:-~/.config}/scrivlo/registry.sqlite3).\n"
    "\n"
    "Anyone who can reach the port gets a picture of the screen; there is no password.\n"
    "\n"
    "  --local-only  accept connections from programs on this machine only (localhost)\n"
    "  --help        show this help and exit\n"
    "  --version     show the version and exit\n"
    "\n"
    "SIGTERM, SIGINT and SIGHUP end the server as its Shutdown command does.\n"
    "Exit status: 0 when the server ran and ended, 1 when there is no X display,\n"
    "2 for bad usage.\n";

bool ParseServerOptions(int argc, const char* const* argv, TServerOptions* options,
                        std::string* error) {
  for (int i = 1; i < argc; ++i) {
    const char* argument = argv[i];
    if (std::strcmp(argument, "--local-only") == 0) {
      options->localOnly = true;
    } else if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0) {
      options->showHelp = true;
    } else if (std::strcmp(argument, "--version") == 0) {
      options->showVersion = true;
    } else {
      *error = std::string("unknown argument '") + argument + "'";
      return false;
    }
  }
  return true;
}
