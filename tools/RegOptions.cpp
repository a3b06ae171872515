#include "tools/RegOptions.h"

#include <strings.h>

#include <cstring>
#include <vector>

const char kRegUsageText[] =
    "usage: scrivlo-reg query KEY [/v NAME | /ve]\n"
    "       scrivlo-reg add KEY [/v NAME | /ve] [/t TYPE] [/d DATA] [/f]\n"
    "       scrivlo-reg delete KEY [/v NAME | /ve] /f\n"
    "       scrivlo-reg export KEY FILE [/y]\n"
    "       scrivlo-reg import FILE\n"
    "Reads and changes the settings that Scrivlo programs keep in the current user's hive.\n"
    "\n"
    "  KEY       HKCU\\Software\\... (or HKEY_CURRENT_USER\\...)\n"
    "  /v NAME   a value of the key; /ve its default (unnamed) value\n"
    "  /t TYPE   REG_SZ (the default), REG_EXPAND_SZ, REG_DWORD or REG_BINARY\n"
    "  /d DATA   text; for REG_DWORD a number, decimal or 0x-hex; for REG_BINARY\n"
    "            hex bytes such as 01ff3c\n"
    "  /f        add: overwrite a value that exists; delete: required (nothing is asked)\n"
    "  /y        export: overwrite FILE if it exists\n"
    "  FILE      a \"Windows Registry Editor Version 5.00\" file; - for standard output\n"
    "            or input\n"
    "\n"
    "query lists a key's values with their types and data, then its subkeys. delete\n"
    "without /v removes the key with everything below it. export writes the key and\n"
    "everything below it; import applies such a file (keys, values, [-KEY] and\n"
    "\"NAME\"=- deletions) and brings back the same types and bytes.\n"
    "\n"
    "Exit status: 0 done, 1 no such key or value, a value exists without /f, or the hive\n"
    "or a file could not be used, 2 bad usage.\n";

namespace {

bool Is(const char* argument, const char* option) {
  return strcasecmp(argument, option) == 0;
}

}  // namespace

bool ParseRegOptions(int argc, const char* const* argv, TRegOptions* options, std::string* error) {
  using TVerb = TRegOptions::TVerb;
  std::vector<std::string> positional;
  for (int i = 1; i < argc; ++i) {
    const char* argument = argv[i];
    const auto next = [&](const char* what) -> const char* {
      if (i + 1 >= argc) {
        *error = std::string(argument) + " needs " + what;
        return nullptr;
      }
      return argv[++i];
    };
    if (Is(argument, "-h") || Is(argument, "--help") || Is(argument, "/?")) {
      options->showHelp = true;
      return true;
    } else if (Is(argument, "/v")) {
      const char* name = next("a value name");
      if (name == nullptr) return false;
      if (options->namesValue) {
        *error = "name one value only";
        return false;
      }
      options->namesValue = true;
      options->valueName = name;
    } else if (Is(argument, "/ve")) {
      if (options->namesValue) {
        *error = "name one value only";
        return false;
      }
      options->namesValue = true;
      options->valueName.clear();
    } else if (Is(argument, "/t")) {
      const char* type = next("a type");
      if (type == nullptr) return false;
      options->type = type;
    } else if (Is(argument, "/d")) {
      const char* data = next("data");
      if (data == nullptr) return false;
      options->hasData = true;
      options->data = data;
    } else if (Is(argument, "/f")) {
      options->force = true;
    } else if (Is(argument, "/y")) {
      options->overwrite = true;
    } else if (argument[0] == '/' && argument[1] != '\0' &&
               std::strchr(argument + 1, '/') == nullptr && std::strlen(argument) <= 3) {
      *error = std::string("unknown option '") + argument + "'";
      return false;
    } else {
      positional.push_back(argument);
    }
  }
  if (positional.empty()) {
    *error = "no command given";
    return false;
  }
  const std::string& verb = positional[0];
  size_t wanted = 2;
  if (Is(verb.c_str(), "query")) {
    options->verb = TVerb::Query;
  } else if (Is(verb.c_str(), "add")) {
    options->verb = TVerb::Add;
  } else if (Is(verb.c_str(), "delete")) {
    options->verb = TVerb::Delete;
  } else if (Is(verb.c_str(), "export")) {
    options->verb = TVerb::Export;
    wanted = 3;
  } else if (Is(verb.c_str(), "import")) {
    options->verb = TVerb::Import;
  } else {
    *error = "unknown command '" + verb + "'";
    return false;
  }
  if (positional.size() != wanted) {
    *error = verb + (wanted == 3                      ? " needs KEY and FILE"
                     : options->verb == TVerb::Import ? " needs FILE"
                                                      : " needs KEY");
    return false;
  }
  if (options->verb == TVerb::Import) {
    options->file = positional[1];
  } else {
    options->key = positional[1];
    if (wanted == 3) options->file = positional[2];
  }
  const bool takesValue = options->verb == TVerb::Query || options->verb == TVerb::Add ||
                          options->verb == TVerb::Delete;
  if (options->namesValue && !takesValue) {
    *error = verb + " takes no /v or /ve";
    return false;
  }
  if (options->verb != TVerb::Add && (options->hasData || options->type != "REG_SZ")) {
    *error = "/t and /d belong to add";
    return false;
  }
  if (options->verb == TVerb::Add && !options->namesValue &&
      (options->hasData || options->type != "REG_SZ")) {
    *error = "/t and /d need /v NAME or /ve";
    return false;
  }
  if (options->verb == TVerb::Delete && !options->force) {
    *error = "delete asks no questions: add /f to confirm";
    return false;
  }
  return true;
}
