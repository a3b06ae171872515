#include "tools/GrabOptions.h"

#include <cstring>

#define SCRIVLO_GRAB_SYNOPSIS                                                      \
  "usage: scrivlo-grab [--host HOST] [--port PORT] [--discover-timeout SECONDS]\n" \
  "                    [--count N] [--interval MS] [--timeout SECONDS] [--out DIR | -o FILE]\n"

const char kGrabSynopsis[] = SCRIVLO_GRAB_SYNOPSIS;

const char kGrabUsageText[] = SCRIVLO_GRAB_SYNOPSIS
    "Fetches PNG images of a Scrivlo Image Server's screen and prints each file's name.\n"
    "\n"
    "  --host HOST                 connect to HOST (a name or a dotted address); without it,\n"
    "                              wait for the server's beacon and connect to where it came from\n"
    "  --port PORT                 the server's TCP port, or with no --host the UDP port\n"
    "                              the beacon is heard on (default 40000)\n"
    "  --discover-timeout SECONDS  how long to wait for a beacon (default 5)\n"
    "  --timeout SECONDS           give up when the server stays silent this long while\n"
    "                              connecting or sending an image (default 10)\n"
    "  --count N                   fetch N images (default 1); for each after the first one\n"
    "                              byte is sent to the server, which answers with an image\n"
    "  --interval MS               wait MS milliseconds before asking for the next image\n"
    "                              (default 1000)\n"
    "  --out DIR                   write into DIR (made if missing) instead of the current one,\n"
    "                              under names made from the local time (Mon-DD-YY--HH-MM-SS.png)\n"
    "  -o FILE                     write the one image to FILE (not with --count above 1)\n"
    "  -h, --help                  show this text\n"
    "\n"
    "Exit status: 0 all images written, 1 no server found, the connection failed or\n"
    "a message was bad, 2 bad usage.\n";

namespace {

constexpr uint32_t kMaxSeconds = 86400;

// A whole number from `low` to `high`, digits only.
bool ParseWhole(const char* text, uint64_t low, uint64_t high, uint64_t* value) {
  if (*text == '\0') return false;
  uint64_t result = 0;
  for (; *text != '\0'; ++text) {
    if (*text < '0' || *text > '9') return false;
    result = result * 10 + static_cast<uint64_t>(*text - '0');
    if (result > high) return false;
  }
  if (result < low) return false;
  *value = result;
  return true;
}

// Seconds with up to three decimals ("2", "0.5"), more than zero, as
// milliseconds. Read by hand so that the locale's decimal mark plays no part.
bool ParseSeconds(const char* text, uint32_t* milliseconds) {
  uint64_t whole = 0, fraction = 0;
  int decimals = 0;
  const char* point = std::strchr(text, '.');
  const std::string wholeText = point ? std::string(text, point) : std::string(text);
  if (!wholeText.empty() && !ParseWhole(wholeText.c_str(), 0, kMaxSeconds, &whole)) return false;
  if (point != nullptr) {
    decimals = static_cast<int>(std::strlen(point + 1));
    if (decimals == 0 || decimals > 3 || !ParseWhole(point + 1, 0, 999, &fraction)) return false;
  } else if (wholeText.empty()) {
    return false;
  }
  for (int i = decimals; i < 3; ++i)
    fraction *= 10;
  const uint64_t total = whole * 1000 + fraction;
  if (total == 0 || total > uint64_t{kMaxSeconds} * 1000) return false;
  *milliseconds = static_cast<uint32_t>(total);
  return true;
}

}  // namespace

bool ParseGrabOptions(int argc, const char* const* argv, TGrabOptions* options,
                      std::string* error) {
  bool sawOutDirectory = false, sawOutFile = false;
  for (int i = 1; i < argc; ++i) {
    std::string name = argv[i];
    if (name == "-h" || name == "--help") {
      options->showHelp = true;
      continue;
    }
    // Every other option takes a value: "--name VALUE" or "--name=VALUE".
    std::string value;
    const size_t equals = name.find('=');
    if (name.compare(0, 2, "--") == 0 && equals != std::string::npos) {
      value = name.substr(equals + 1);
      name.resize(equals);
    } else if (name == "--host" || name == "--port" || name == "--discover-timeout" ||
               name == "--timeout" || name == "--count" || name == "--interval" ||
               name == "--out" || name == "-o") {
      if (i + 1 >= argc) {
        *error = name + " needs a value";
        return false;
      }
      value = argv[++i];
    } else {
      *error = "unknown option '" + name + "'";
      return false;
    }

    uint64_t number = 0;
    if (name == "--host") {
      if (value.empty()) {
        *error = "--host needs a host name or address";
        return false;
      }
      options->host = value;
    } else if (name == "--port") {
      if (!ParseWhole(value.c_str(), 1, 65535, &number)) {
        *error = "--port needs a port number from 1 to 65535, not '" + value + "'";
        return false;
      }
      options->port = static_cast<uint16_t>(number);
    } else if (name == "--discover-timeout" || name == "--timeout") {
      uint32_t* target = name == "--timeout" ? &options->timeoutMs : &options->discoverTimeoutMs;
      if (!ParseSeconds(value.c_str(), target)) {
        *error =
            name + " needs seconds above 0 and up to 86400 (such as 5 or 0.5), not '" + value + "'";
        return false;
      }
    } else if (name == "--count") {
      if (!ParseWhole(value.c_str(), 1, 1000000, &number)) {
        *error = "--count needs a number from 1 to 1000000, not '" + value + "'";
        return false;
      }
      options->count = static_cast<int>(number);
    } else if (name == "--interval") {
      if (!ParseWhole(value.c_str(), 0, uint64_t{kMaxSeconds} * 1000, &number)) {
        *error = "--interval needs milliseconds from 0 to 86400000, not '" + value + "'";
        return false;
      }
      options->intervalMs = static_cast<uint32_t>(number);
    } else if (name == "--out" || name == "-o") {
      if (value.empty()) {
        *error = name + (name == "-o" ? " needs a file name" : " needs a folder");
        return false;
      }
      (name == "-o" ? options->outFile : options->outDirectory) = value;
      (name == "-o" ? sawOutFile : sawOutDirectory) = true;
    } else {
      *error = "unknown option '" + name + "'";
      return false;
    }
  }
  if (sawOutFile && sawOutDirectory) {
    *error = "--out and -o cannot be used together";
    return false;
  }
  if (sawOutFile && options->count > 1) {
    *error = "-o writes one image: it cannot be used with --count above 1";
    return false;
  }
  return true;
}
