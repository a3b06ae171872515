#include "tools/RegCommand.h"

#include <errno.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cinttypes>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "platform/registry/WinReg.h"
#include "tools/RegFile.h"
#include "tools/RegKeyPath.h"

namespace {

// A key handle that closes itself.
class TKey {
 public:
  TKey() = default;
  ~TKey() {
    if (FKey != nullptr) RegCloseKey(FKey);
  }
  TKey(const TKey&) = delete;
  TKey& operator=(const TKey&) = delete;
  HKEY* Out() { return &FKey; }
  HKEY get() const { return FKey; }

 private:
  HKEY FKey = nullptr;
};

struct TNamedType {
  const char* name;
  DWORD type;
};
constexpr TNamedType kTypeNames[] = {
    {"REG_NONE", REG_NONE},
    {"REG_SZ", REG_SZ},
    {"REG_EXPAND_SZ", REG_EXPAND_SZ},
    {"REG_BINARY", REG_BINARY},
    {"REG_DWORD", REG_DWORD},
    {"REG_DWORD_BIG_ENDIAN", REG_DWORD_BIG_ENDIAN},
    {"REG_LINK", REG_LINK},
    {"REG_MULTI_SZ", REG_MULTI_SZ},
    {"REG_RESOURCE_LIST", REG_RESOURCE_LIST},
    {"REG_FULL_RESOURCE_DESCRIPTOR", REG_FULL_RESOURCE_DESCRIPTOR},
    {"REG_RESOURCE_REQUIREMENTS_LIST", REG_RESOURCE_REQUIREMENTS_LIST},
    {"REG_QWORD", REG_QWORD},
};

std::string TypeName(DWORD type) {
  for (const TNamedType& named : kTypeNames) {
    if (named.type == type) return named.name;
  }
  char text[24];
  std::snprintf(text, sizeof text, "0x%" PRIX32, type);
  return text;
}

std::string Reason(LSTATUS status) {
  switch (status) {
    case ERROR_FILE_NOT_FOUND:
      return "it does not exist";
    case ERROR_ACCESS_DENIED:
      return "access denied";
    case ERROR_BADDB:
    case ERROR_REGISTRY_CORRUPT:
    case ERROR_REGISTRY_IO_FAILED:
      return "the settings hive cannot be used";
    case ERROR_LOCK_VIOLATION:
      return "the settings hive is locked by another program";
    case ERROR_KEY_DELETED:
      return "the key was deleted meanwhile";
    case ERROR_DISK_FULL:
      return "the disk is full";
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_PARAMETER:
      return "the name is not valid";
    default:
      return "error " + std::to_string(status);
  }
}

std::string ShownName(const std::string& name) {
  return name.empty() ? "(Default)" : name;
}

std::u16string Wide(const std::string& text) {
  return Utf8ToUtf16(text);
}

uint32_t LittleEndian32(const std::vector<uint8_t>& data) {
  return data[0] | data[1] << 8 | data[2] << 16 | static_cast<uint32_t>(data[3]) << 24;
}

std::string HexBytes(const std::vector<uint8_t>& data) {
  std::string text;
  for (const uint8_t byte : data) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02X", byte);
    text += pair;
  }
  return text;
}

// How `query` shows data of each type.
std::string ShownData(DWORD type, const std::vector<uint8_t>& data) {
  std::u16string units;
  for (size_t i = 0; i + 1 < data.size(); i += 2) {
    units.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
  }
  char number[24];
  switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
      return Utf16ToUtf8(units.substr(0, units.find(u'\0')));
    case REG_MULTI_SZ: {
      while (!units.empty() && units.back() == 0)
        units.pop_back();
      std::string text = Utf16ToUtf8(units);
      for (size_t at = text.find('\0'); at != std::string::npos; at = text.find('\0', at + 2)) {
        text.replace(at, 1, "\\0");
      }
      return text;
    }
    case REG_DWORD:
      if (data.size() != 4) break;
      std::snprintf(number, sizeof number, "0x%" PRIx32, LittleEndian32(data));
      return number;
    case REG_QWORD:
      if (data.size() != 8) break;
      {
        uint64_t value = 0;
        for (int i = 7; i >= 0; --i)
          value = value << 8 | data[i];
        std::snprintf(number, sizeof number, "0x%" PRIx64, value);
      }
      return number;
  }
  return HexBytes(data);
}

// Reads one value; false with the status when it cannot.
LSTATUS ReadValue(HKEY key, const std::u16string& name, DWORD* type, std::vector<uint8_t>* data) {
  DWORD size = 0;
  LSTATUS status = RegQueryValueEx(key, name.c_str(), nullptr, type, nullptr, &size);
  while (status == ERROR_SUCCESS) {
    data->resize(size);
    status = RegQueryValueEx(key, name.c_str(), nullptr, type, data->data(), &size);
    if (status == ERROR_SUCCESS) data->resize(size);
    if (status != ERROR_MORE_DATA) break;  // grown meanwhile: once more
    status = ERROR_SUCCESS;
  }
  return status;
}

// A name as UTF-8, and whether it says exactly that name: a lone UTF-16
// surrogate has no UTF-8 form and becomes U+FFFD.
std::string Utf8Name(std::u16string_view name, bool* exact) {
  std::string text = Utf16ToUtf8(name);
  if (exact != nullptr) *exact = Utf8ToUtf16(text) == name;
  return text;
}

// The value at `index`; ERROR_NO_MORE_ITEMS after the last.
LSTATUS EnumValue(HKEY key, DWORD index, TRegFileValue* value, bool* exact = nullptr) {
  std::u16string name(kMaxValueNameLength + 1, u'\0');
  DWORD size = 0;
  while (true) {
    DWORD length = static_cast<DWORD>(name.size());
    value->data.resize(size);
    const LSTATUS status = RegEnumValue(key, index, name.data(), &length, nullptr, &value->type,
                                        value->data.empty() ? nullptr : value->data.data(), &size);
    if (status == ERROR_SUCCESS && size > value->data.size()) continue;  // size only: now the data
    if (status == ERROR_MORE_DATA) continue;
    if (status != ERROR_SUCCESS) return status;
    value->data.resize(size);
    value->name = Utf8Name(std::u16string_view(name.data(), length), exact);
    return ERROR_SUCCESS;
  }
}

LSTATUS EnumKey(HKEY key, DWORD index, std::string* name, bool* exact = nullptr) {
  WCHAR buffer[kMaxKeyNameLength + 1];
  DWORD length = kMaxKeyNameLength + 1;
  const LSTATUS status =
      RegEnumKeyEx(key, index, buffer, &length, nullptr, nullptr, nullptr, nullptr);
  if (status == ERROR_SUCCESS) *name = Utf8Name(std::u16string_view(buffer, length), exact);
  return status;
}

bool SameName(const std::string& first, const std::string& second) {
  return CompareStringOrdinal(Wide(first).c_str(), -1, Wide(second).c_str(), -1,
                              /*bIgnoreCase=*/1) == CSTR_EQUAL;
}

// `typed` with each key name as the hive keeps it: users may type any case.
TRegKeyPath StoredPath(const TRegKeyPath& typed) {
  TRegKeyPath stored;
  HKEY parent = HKEY_CURRENT_USER;
  std::optional<TKey> keys[2];  // the parent of the next name and its own parent
  std::string_view rest = typed.subKey;
  for (int depth = 0; !rest.empty(); ++depth) {
    const size_t slash = rest.find('\\');
    std::string name(rest.substr(0, slash));
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    std::string candidate;
    for (DWORD index = 0; EnumKey(parent, index, &candidate) == ERROR_SUCCESS; ++index) {
      if (SameName(candidate, name)) {
        name = candidate;
        break;
      }
    }
    stored = stored.Child(name);
    TKey& child = keys[depth % 2].emplace();
    if (RegOpenKeyEx(parent, Wide(name).c_str(), 0, KEY_READ, child.Out()) != ERROR_SUCCESS) {
      if (!rest.empty()) stored = stored.Child(rest);
      break;
    }
    parent = child.get();
  }
  return stored;
}

// `typed` as the hive keeps the name of that value of `key`.
std::string StoredValueName(HKEY key, const std::string& typed) {
  std::u16string name(kMaxValueNameLength + 1, u'\0');
  for (DWORD index = 0;; ++index) {
    DWORD length = static_cast<DWORD>(name.size());
    if (RegEnumValue(key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      return typed;
    }
    const std::string candidate = Utf16ToUtf8(std::u16string_view(name.data(), length));
    if (SameName(candidate, typed)) return candidate;
  }
}

class TRegRun {
 public:
  TRegRun(const TRegOptions& options, FILE* in, FILE* out, FILE* err)
      : FOptions(options), FIn(in), FOut(out), FErr(err) {}

  int Run() {
    using TVerb = TRegOptions::TVerb;
    if (FOptions.verb != TVerb::Import) {
      std::string reason;
      if (!ParseRegKeyPath(FOptions.key, &FPath, &reason)) return Usage(reason);
      FPath = StoredPath(FPath);
    }
    switch (FOptions.verb) {
      case TVerb::Query:
        return FOptions.namesValue ? QueryValue() : QueryKey();
      case TVerb::Add:
        return Add();
      case TVerb::Delete:
        return Delete();
      case TVerb::Export:
        return Export();
      case TVerb::Import:
        return Import();
      case TVerb::None:
        break;
    }
    return Usage("no command given");
  }

 private:
  int Usage(const std::string& reason) {
    std::fprintf(FErr, "scrivlo-reg: %s\n", reason.c_str());
    return kRegUsage;
  }
  int Failed(const std::string& reason) {
    std::fprintf(FErr, "scrivlo-reg: %s\n", reason.c_str());
    return kRegFailed;
  }
  int KeyFailed(const TRegKeyPath& path, LSTATUS status) {
    return Failed("key " + path.FullName() + ": " + Reason(status));
  }

  LSTATUS OpenKey(const TRegKeyPath& path, REGSAM access, TKey* key) {
    return RegOpenKeyEx(HKEY_CURRENT_USER, Wide(path.subKey).c_str(), 0, access, key->Out());
  }

  void PrintValue(const std::string& name, DWORD type, const std::vector<uint8_t>& data) {
    std::fprintf(FOut, "    %s    %s    %s\n", ShownName(name).c_str(), TypeName(type).c_str(),
                 ShownData(type, data).c_str());
  }

  int QueryValue() {
    TKey key;
    if (const LSTATUS status = OpenKey(FPath, KEY_READ, &key); status != ERROR_SUCCESS) {
      return KeyFailed(FPath, status);
    }
    DWORD type = REG_NONE;
    std::vector<uint8_t> data;
    if (const LSTATUS status = ReadValue(key.get(), Wide(FOptions.valueName), &type, &data);
        status != ERROR_SUCCESS) {
      return Failed("value " + ShownName(FOptions.valueName) + " of " + FPath.FullName() + ": " +
                    Reason(status));
    }
    std::fprintf(FOut, "\n%s\n", FPath.FullName().c_str());
    PrintValue(StoredValueName(key.get(), FOptions.valueName), type, data);
    std::fprintf(FOut, "\n");
    return kRegOk;
  }

  int QueryKey() {
    TKey key;
    if (const LSTATUS status = OpenKey(FPath, KEY_READ, &key); status != ERROR_SUCCESS) {
      return KeyFailed(FPath, status);
    }
    std::fprintf(FOut, "\n%s\n", FPath.FullName().c_str());
    TRegFileValue value;
    LSTATUS status;
    for (DWORD index = 0; (status = EnumValue(key.get(), index, &value)) == ERROR_SUCCESS;
         ++index) {
      PrintValue(value.name, value.type, value.data);
    }
    if (status != ERROR_NO_MORE_ITEMS) return KeyFailed(FPath, status);
    std::fprintf(FOut, "\n");
    std::string name;
    for (DWORD index = 0; (status = EnumKey(key.get(), index, &name)) == ERROR_SUCCESS; ++index) {
      std::fprintf(FOut, "%s\n", FPath.Child(name).FullName().c_str());
    }
    if (status != ERROR_NO_MORE_ITEMS) return KeyFailed(FPath, status);
    return kRegOk;
  }

  // The type and bytes that add's /t and /d stand for.
  bool AddData(DWORD* type, std::vector<uint8_t>* data, std::string* error) {
    const std::string& text = FOptions.data;
    if (FOptions.type == "REG_SZ" || FOptions.type == "REG_EXPAND_SZ") {
      *type = FOptions.type == "REG_SZ" ? REG_SZ : REG_EXPAND_SZ;
      *data = RegStringData(text);
      return true;
    }
    if (FOptions.type == "REG_DWORD") {
      *type = REG_DWORD;
      errno = 0;
      char* end = nullptr;
      const bool hex = text.starts_with("0x") || text.starts_with("0X");
      // After "0x" hex digits only: strtoull would also take a sign, blanks
      // and a second "0x", and wraps a negative number around.
      const bool digitsOnly =
          !hex || (text.size() > 2 && std::all_of(text.begin() + 2, text.end(), [](char c) {
                     return std::isxdigit(static_cast<unsigned char>(c)) != 0;
                   }));
      const unsigned long long hexNumber = hex ? std::strtoull(text.c_str() + 2, &end, 16) : 0;
      const long long number = hex ? 0 : std::strtoll(text.c_str(), &end, 10);
      if (text.empty() || !digitsOnly || *end != '\0' || errno != 0 ||
          (hex ? hexNumber > UINT32_MAX
               : number < INT32_MIN || number > static_cast<long long>(UINT32_MAX))) {
        *error = "REG_DWORD data must be a 32-bit number, decimal or 0x-hex: '" + text + "'";
        return false;
      }
      const auto bits =
          static_cast<uint32_t>(hex ? hexNumber : static_cast<unsigned long long>(number));
      *data = {static_cast<uint8_t>(bits), static_cast<uint8_t>(bits >> 8),
               static_cast<uint8_t>(bits >> 16), static_cast<uint8_t>(bits >> 24)};
      return true;
    }
    if (FOptions.type == "REG_BINARY") {
      *type = REG_BINARY;
      std::string digits;
      for (const char c : text) {
        if (c == ' ' || c == ',' || c == ':') continue;
        if (!std::isxdigit(static_cast<unsigned char>(c))) digits = "?";
        digits.push_back(c);
      }
      if (digits.size() % 2 != 0 || digits.find('?') != std::string::npos) {
        *error = "REG_BINARY data must be hex bytes such as 01ff3c: '" + text + "'";
        return false;
      }
      data->clear();
      for (size_t i = 0; i < digits.size(); i += 2) {
        data->push_back(static_cast<uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
      }
      return true;
    }
    *error = "unknown type '" + FOptions.type +
             "' (REG_SZ, REG_EXPAND_SZ, REG_DWORD or REG_BINARY; import sets any other)";
    return false;
  }

  int Add() {
    DWORD type = REG_NONE;
    std::vector<uint8_t> data;
    std::string error;
    if (FOptions.namesValue && !AddData(&type, &data, &error)) return Usage(error);
    if (FOptions.namesValue && type == REG_DWORD && !FOptions.hasData) {
      return Usage("REG_DWORD needs /d NUMBER");
    }
    TKey key;
    if (const LSTATUS status =
            RegCreateKeyEx(HKEY_CURRENT_USER, Wide(FPath.subKey).c_str(), 0, nullptr,
                           REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, key.Out(), nullptr);
        status != ERROR_SUCCESS) {
      return KeyFailed(FPath, status);
    }
    if (!FOptions.namesValue) return kRegOk;
    const std::u16string name = Wide(FOptions.valueName);
    if (!FOptions.force && RegQueryValueEx(key.get(), name.c_str(), nullptr, nullptr, nullptr,
                                           nullptr) == ERROR_SUCCESS) {
      return Failed("value " + ShownName(FOptions.valueName) + " of " + FPath.FullName() +
                    " exists; add /f to overwrite it");
    }
    if (const LSTATUS status = RegSetValueEx(key.get(), name.c_str(), 0, type, data.data(),
                                             static_cast<DWORD>(data.size()));
        status != ERROR_SUCCESS) {
      return Failed("cannot set " + ShownName(FOptions.valueName) + " of " + FPath.FullName() +
                    ": " + Reason(status));
    }
    return kRegOk;
  }

  int Delete() {
    if (FOptions.namesValue) {
      TKey key;
      if (const LSTATUS status = OpenKey(FPath, KEY_ALL_ACCESS, &key); status != ERROR_SUCCESS) {
        return KeyFailed(FPath, status);
      }
      if (const LSTATUS status = RegDeleteValue(key.get(), Wide(FOptions.valueName).c_str());
          status != ERROR_SUCCESS) {
        return Failed("value " + ShownName(FOptions.valueName) + " of " + FPath.FullName() + ": " +
                      Reason(status));
      }
      return kRegOk;
    }
    if (FPath.subKey.empty()) return Usage("HKEY_CURRENT_USER itself cannot be deleted");
    if (const LSTATUS status = RegDeleteTree(HKEY_CURRENT_USER, Wide(FPath.subKey).c_str());
        status != ERROR_SUCCESS) {
      return KeyFailed(FPath, status);
    }
    return kRegOk;
  }

  // Appends `path` and everything below it, depth first as the editor writes it.
  LSTATUS Collect(const TRegKeyPath& path, std::vector<TRegFileKey>* keys) {
    TKey key;
    if (const LSTATUS status = OpenKey(path, KEY_READ, &key); status != ERROR_SUCCESS) {
      return status;
    }
    keys->push_back({path, false, {}});
    TRegFileValue value;
    LSTATUS status;
    bool exact = true;
    for (DWORD index = 0; (status = EnumValue(key.get(), index, &value, &exact)) == ERROR_SUCCESS;
         ++index) {
      if (!exact) Unwritable("value " + ShownName(value.name) + " of " + path.FullName());
      keys->back().values.push_back(value);
    }
    if (status != ERROR_NO_MORE_ITEMS) return status;
    std::vector<std::string> names;
    std::string name;
    for (DWORD index = 0; (status = EnumKey(key.get(), index, &name, &exact)) == ERROR_SUCCESS;
         ++index) {
      // A key line ends at the line break.
      if (!exact || name.find_first_of("\r\n") != std::string::npos) {
        Unwritable("key " + path.Child(name).FullName());
      }
      names.push_back(name);
    }
    if (status != ERROR_NO_MORE_ITEMS) return status;
    for (const std::string& child : names) {
      status = Collect(path.Child(child), keys);
      if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return status;
    }
    return ERROR_SUCCESS;
  }

  // Notes the first name a file cannot carry as it is.
  void Unwritable(const std::string& what) {
    if (FUnwritable.empty()) FUnwritable = what;
  }

  int Export() {
    std::vector<TRegFileKey> keys;
    if (const LSTATUS status = Collect(FPath, &keys); status != ERROR_SUCCESS) {
      return KeyFailed(FPath, status);
    }
    // Written anyway, it would import back under another name.
    if (!FUnwritable.empty()) {
      return Failed("the name of " + FUnwritable +
                    " holds a line break or a lone UTF-16 surrogate, which a file cannot carry; "
                    "nothing was exported");
    }
    const std::string text = FormatRegFile(keys);
    if (FOptions.file == "-") {
      std::fwrite(text.data(), 1, text.size(), FOut);
      return kRegOk;
    }
    struct stat status {};
    if (!FOptions.overwrite && stat(FOptions.file.c_str(), &status) == 0) {
      return Failed(FOptions.file + " exists; add /y to overwrite it");
    }
    std::ofstream file(FOptions.file, std::ios::binary | std::ios::trunc);
    file << text;
    file.close();
    if (!file) return Failed("cannot write " + FOptions.file + ": " + std::strerror(errno));
    return kRegOk;
  }

  int Import() {
    std::string raw;
    if (FOptions.file == "-") {
      char buffer[65536];
      size_t got;
      while ((got = std::fread(buffer, 1, sizeof buffer, FIn)) > 0)
        raw.append(buffer, got);
    } else {
      std::ifstream file(FOptions.file, std::ios::binary);
      if (!file) return Failed("cannot read " + FOptions.file + ": " + std::strerror(errno));
      std::stringstream content;
      content << file.rdbuf();
      raw = content.str();
    }
    std::vector<TRegFileKey> keys;
    std::string error;
    if (!ParseRegFile(raw, &keys, &error)) return Failed(FOptions.file + ": " + error);
    for (const TRegFileKey& entry : keys) {
      if (entry.remove) {
        if (entry.path.subKey.empty()) {
          return Failed(FOptions.file + ": HKEY_CURRENT_USER itself cannot be deleted");
        }
        const LSTATUS status = RegDeleteTree(HKEY_CURRENT_USER, Wide(entry.path.subKey).c_str());
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
          return KeyFailed(entry.path, status);
        }
        continue;
      }
      TKey key;
      if (const LSTATUS status =
              RegCreateKeyEx(HKEY_CURRENT_USER, Wide(entry.path.subKey).c_str(), 0, nullptr,
                             REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, key.Out(), nullptr);
          status != ERROR_SUCCESS) {
        return KeyFailed(entry.path, status);
      }
      for (const TRegFileValue& value : entry.values) {
        const std::u16string name = Wide(value.name);
        LSTATUS status;
        if (value.remove) {
          status = RegDeleteValue(key.get(), name.c_str());
          if (status == ERROR_FILE_NOT_FOUND) status = ERROR_SUCCESS;
        } else {
          status = RegSetValueEx(key.get(), name.c_str(), 0, value.type, value.data.data(),
                                 static_cast<DWORD>(value.data.size()));
        }
        if (status != ERROR_SUCCESS) {
          return Failed("cannot set " + ShownName(value.name) + " of " + entry.path.FullName() +
                        ": " + Reason(status));
        }
      }
    }
    return kRegOk;
  }

  const TRegOptions& FOptions;
  FILE* FIn;
  FILE* FOut;
  FILE* FErr;
  TRegKeyPath FPath;
  std::string FUnwritable;
};

}  // namespace

int RunReg(const TRegOptions& options, FILE* in, FILE* out, FILE* err) {
  return TRegRun(options, in, out, err).Run();
}
