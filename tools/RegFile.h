#pragma once

// The text format "Windows Registry Editor Version 5.00", as scrivlo-reg
// exports and imports it:
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\Software\Corvane Software\Vemo\Forms\FormMain]
//   "port"=dword:00009c40
//   "passwd"="text with \"quotes\" and \\ backslashes"
//   @="the default value"
//   "block"=hex:01,02,ab
//   "path"=hex(2):25,00,48,00,00,00        (REG_EXPAND_SZ; any type as hex(N))
//   "gone"=-                               (deletes a value)
//   [-HKEY_CURRENT_USER\Software\Old]      (deletes a key and all below it)
//
// Strings and names are UTF-8 here, so the files read well on Linux; a file
// in UTF-16 with its byte-order mark, as the platform's own editor writes
// them, imports as well. A REG_SZ whose bytes a quoted string cannot carry
// exactly (no terminating zero, a zero inside, a line break) is written as
// hex(1), so every export imports back to the same types and bytes.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/WinReg.h"
#include "tools/RegKeyPath.h"

struct TRegFileValue {
  std::string name;     // "" for the default value
  bool remove = false;  // "name"=-
  DWORD type = REG_NONE;
  std::vector<uint8_t> data;
};

struct TRegFileKey {
  TRegKeyPath path;
  bool remove = false;  // [-path]
  std::vector<TRegFileValue> values;
};

std::string FormatRegFile(const std::vector<TRegFileKey>& keys);

// False with "line N: reason" at the first fault; nothing is half read.
bool ParseRegFile(std::string_view text, std::vector<TRegFileKey>* keys, std::string* error);

// REG_SZ data for `text`: UTF-16LE with the terminating zero.
std::vector<uint8_t> RegStringData(std::string_view text);
