// `scrivlo-reg import` of any text, into a fresh hive each time.
//
// Properties: a file that parses formats back to text that parses to the
// same file; its import succeeds unless a name breaks the platform's rules;
// after it, every value that nothing later in the file overwrote or deleted
// reads back with its type and bytes, and every value or key it deleted that
// nothing later names again is gone; and the hive then exports to a file
// that parses.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "platform/registry/HiveNames.h"
#include "platform/registry/WinReg.h"
#include "tests/fuzz/FuzzHive.h"
#include "tests/fuzz/FuzzInput.h"
#include "tools/RegCommand.h"
#include "tools/RegFile.h"
#include "tools/RegOptions.h"

namespace {

using registry::detail::MakeHiveName;

// What a stream written by RunReg held.
class TCapture {
 public:
  TCapture() : FFile(open_memstream(&FText, &FSize)) {}
  ~TCapture() {
    if (FFile != nullptr) std::fclose(FFile);
    std::free(FText);
  }
  FILE* File() const { return FFile; }
  std::string Text() {
    std::fflush(FFile);
    return std::string(FText, FSize);
  }

 private:
  char* FText = nullptr;
  size_t FSize = 0;
  FILE* FFile;
};

int Run(TRegOptions::TVerb verb, const std::string& in, std::string* out, std::string* err) {
  TRegOptions options;
  options.verb = verb;
  options.key = "HKCU";
  options.file = "-";
  // fmemopen refuses an empty buffer.
  FILE* input = in.empty() ? std::fopen("/dev/null", "r")
                           : fmemopen(const_cast<char*>(in.data()), in.size(), "r");
  TCapture output, errors;
  const int status = RunReg(options, input, output.File(), errors.File());
  std::fclose(input);
  *out = output.Text();
  *err = errors.Text();
  return status;
}

// A key path as the hive compares it: its names, upper-cased.
std::vector<std::string> Folded(const std::string& subKey) {
  std::vector<std::string> names;
  for (size_t start = 0; start <= subKey.size();) {
    const size_t end = std::min(subKey.find('\\', start), subKey.size());
    if (end > start)
      names.push_back(MakeHiveName(Utf8ToUtf16(subKey.substr(start, end - start))).folded);
    start = end + 1;
  }
  return names;
}

bool StartsWith(const std::vector<std::string>& path, const std::vector<std::string>& prefix) {
  return prefix.size() <= path.size() && std::equal(prefix.begin(), prefix.end(), path.begin());
}

std::string FoldedName(const std::string& name) {
  return MakeHiveName(Utf8ToUtf16(name)).folded;
}

// Whether entries after `k` (or later values of key `k` after `v`) replace
// or remove value `v` of key `k`.
bool ChangedLater(const std::vector<TRegFileKey>& keys, size_t k, size_t v) {
  const std::vector<std::string> path = Folded(keys[k].path.subKey);
  const std::string name = FoldedName(keys[k].values[v].name);
  for (size_t later = k; later < keys.size(); ++later) {
    const std::vector<std::string> laterPath = Folded(keys[later].path.subKey);
    if (keys[later].remove) {
      if (later > k && StartsWith(path, laterPath)) return true;
      continue;
    }
    if (laterPath != path) continue;
    for (size_t w = later == k ? v + 1 : 0; w < keys[later].values.size(); ++w) {
      if (FoldedName(keys[later].values[w].name) == name) return true;
    }
  }
  return false;
}

// Whether an entry after value `v` of key `k` names that value again.
bool NamedLater(const std::vector<TRegFileKey>& keys, size_t k, size_t v) {
  const std::vector<std::string> path = Folded(keys[k].path.subKey);
  const std::string name = FoldedName(keys[k].values[v].name);
  for (size_t later = k; later < keys.size(); ++later) {
    if (keys[later].remove || Folded(keys[later].path.subKey) != path) continue;
    for (size_t w = later == k ? v + 1 : 0; w < keys[later].values.size(); ++w) {
      if (FoldedName(keys[later].values[w].name) == name) return true;
    }
  }
  return false;
}

// Whether an entry after key `k` makes that key, or one below it, again.
bool MadeLater(const std::vector<TRegFileKey>& keys, size_t k) {
  const std::vector<std::string> path = Folded(keys[k].path.subKey);
  for (size_t later = k + 1; later < keys.size(); ++later) {
    if (!keys[later].remove && StartsWith(Folded(keys[later].path.subKey), path)) return true;
  }
  return false;
}

// Checks that key `key` is gone, or with `value`, that value of it.
void CheckGone(const TRegFileKey& key, const TRegFileValue* value) {
  HKEY handle = nullptr;
  const LSTATUS opened =
      RegOpenKeyEx(HKEY_CURRENT_USER, Utf8ToUtf16(key.path.subKey).c_str(), 0, KEY_READ, &handle);
  if (value == nullptr) {
    if (opened == ERROR_SUCCESS) RegCloseKey(handle);
    FUZZ_CHECK(opened == ERROR_FILE_NOT_FOUND, "key %s deleted but opens with %ld",
               key.path.FullName().c_str(), static_cast<long>(opened));
    return;
  }
  if (opened == ERROR_FILE_NOT_FOUND) return;  // a later deletion took its key
  FUZZ_CHECK(opened == ERROR_SUCCESS, "key %s opens with %ld", key.path.FullName().c_str(),
             static_cast<long>(opened));
  DWORD type = REG_NONE;
  DWORD size = 0;
  const LSTATUS status =
      RegQueryValueEx(handle, Utf8ToUtf16(value->name).c_str(), nullptr, &type, nullptr, &size);
  RegCloseKey(handle);
  FUZZ_CHECK(status == ERROR_FILE_NOT_FOUND, "value \"%s\" of %s deleted but reads with %ld",
             value->name.c_str(), key.path.FullName().c_str(), static_cast<long>(status));
}

void CheckStored(const TRegFileKey& key, const TRegFileValue& value) {
  HKEY handle = nullptr;
  LSTATUS status =
      RegOpenKeyEx(HKEY_CURRENT_USER, Utf8ToUtf16(key.path.subKey).c_str(), 0, KEY_READ, &handle);
  FUZZ_CHECK(status == ERROR_SUCCESS, "key %s imported but opens with %ld",
             key.path.FullName().c_str(), static_cast<long>(status));
  const std::u16string name = Utf8ToUtf16(value.name);
  DWORD type = REG_NONE;
  DWORD size = 0;
  status = RegQueryValueEx(handle, name.c_str(), nullptr, &type, nullptr, &size);
  std::vector<uint8_t> data(size);
  if (status == ERROR_SUCCESS && size > 0) {
    status = RegQueryValueEx(handle, name.c_str(), nullptr, &type, data.data(), &size);
  }
  RegCloseKey(handle);
  FUZZ_CHECK(status == ERROR_SUCCESS, "value \"%s\" of %s imported but reads with %ld",
             value.name.c_str(), key.path.FullName().c_str(), static_cast<long>(status));
  FUZZ_CHECK(type == value.type && data == value.data,
             "value \"%s\" of %s reads back as type %u, %u bytes (imported type %u, %zu bytes)",
             value.name.c_str(), key.path.FullName().c_str(), type, size, value.type,
             value.data.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  TFuzzHive::Instance().Remove();

  std::vector<TRegFileKey> keys;
  std::string parseError;
  const bool parsed = ParseRegFile(text, &keys, &parseError);
  if (parsed) {
    const std::string formatted = FormatRegFile(keys);
    std::vector<TRegFileKey> again;
    std::string againError;
    FUZZ_CHECK(ParseRegFile(formatted, &again, &againError), "formatted text fails: %s",
               againError.c_str());
    FUZZ_CHECK(FormatRegFile(again) == formatted, "formatting is not stable:\n%s",
               formatted.c_str());
  } else {
    FUZZ_CHECK(parseError.starts_with("line "), "a parse error without its line: %s",
               parseError.c_str());
  }

  std::string out, err;
  const int status = Run(TRegOptions::TVerb::Import, text, &out, &err);
  if (!parsed) {
    FUZZ_CHECK(status == kRegFailed, "a file that does not parse imports with %d", status);
    return 0;
  }
  if (status != kRegOk) {
    // Only names the platform refuses may stop a file that parses.
    FUZZ_CHECK(status == kRegFailed && (err.find("the name is not valid") != std::string::npos ||
                                        err.find("itself cannot be deleted") != std::string::npos),
               "a file that parses fails to import: %s", err.c_str());
    return 0;
  }
  for (size_t k = 0; k < keys.size(); ++k) {
    if (keys[k].remove) {
      if (!MadeLater(keys, k)) CheckGone(keys[k], nullptr);
      continue;
    }
    for (size_t v = 0; v < keys[k].values.size(); ++v) {
      const TRegFileValue& value = keys[k].values[v];
      if (value.remove) {
        if (!NamedLater(keys, k, v)) CheckGone(keys[k], &value);
      } else if (!ChangedLater(keys, k, v)) {
        CheckStored(keys[k], value);
      }
    }
  }

  FUZZ_CHECK(Run(TRegOptions::TVerb::Export, "", &out, &err) == kRegOk, "export fails: %s",
             err.c_str());
  std::vector<TRegFileKey> exported;
  std::string exportError;
  FUZZ_CHECK(ParseRegFile(out, &exported, &exportError), "the export does not parse: %s",
             exportError.c_str());
  return 0;
}
