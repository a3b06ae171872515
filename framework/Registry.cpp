#include "framework/Registry.h"

#include <cstdint>
#include <cstring>

#include "platform/CodePage.h"

namespace {

// The framework's texts for registry failures.
std::string GetDataFailed(const std::string& name) {
  return "Failed to get data for '" + name + "'";
}
std::string SetDataFailed(const std::string& name) {
  return "Failed to set data for '" + name + "'";
}
std::string InvalidDataType(const std::string& name) {
  return "Invalid data type for '" + name + "'";
}

TRegDataType RegDataOf(DWORD type) {
  switch (type) {
    case REG_SZ:
      return rdString;
    case REG_EXPAND_SZ:
      return rdExpandString;
    case REG_DWORD:
      return rdInteger;
    case REG_BINARY:
      return rdBinary;
    default:
      return rdUnknown;
  }
}

bool IsRelative(const std::string& key) {
  return key.empty() || key.front() != '\\';
}

// Longest key name the platform allows, plus its terminating zero.
constexpr DWORD kKeyNameBuffer = kMaxKeyNameLength + 1;
constexpr DWORD kValueNameBuffer = kMaxValueNameLength + 1;

}  // namespace

TRegistry::TRegistry() = default;

TRegistry::TRegistry(REGSAM access) : FAccess(access) {}

TRegistry::~TRegistry() {
  CloseKey();
}

void TRegistry::SetRootKey(HKEY rootKey) {
  if (rootKey == FRootKey) return;
  CloseKey();
  FRootKey = rootKey;
}

HKEY TRegistry::BaseKey(bool relative) const {
  return FCurrentKey == nullptr || !relative ? FRootKey : FCurrentKey;
}

void TRegistry::ChangeKey(HKEY key, const std::string& path) {
  CloseKey();
  FCurrentKey = key;
  FCurrentPath = path;
}

void TRegistry::CloseKey() {
  if (FCurrentKey == nullptr) return;
  RegCloseKey(FCurrentKey);
  FCurrentKey = nullptr;
  FCurrentPath.clear();
}

bool TRegistry::Open(const std::string& key, bool canCreate, REGSAM access) {
  const bool relative = IsRelative(key);
  std::string path = relative ? key : key.substr(1);
  const std::u16string wide = CodePageToUtf16(path);
  HKEY opened = nullptr;
  LSTATUS status;
  if (!canCreate || path.empty()) {
    status = RegOpenKeyEx(BaseKey(relative), wide.c_str(), 0, access, &opened);
  } else {
    DWORD disposition = 0;
    status = RegCreateKeyEx(BaseKey(relative), wide.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            access, nullptr, &opened, &disposition);
  }
  if (status != ERROR_SUCCESS) return false;
  if (!path.empty() && path.back() == '\\') path.pop_back();
  if (relative && FCurrentKey != nullptr) {
    path = path.empty() ? FCurrentPath : FCurrentPath + "\\" + path;
  }
  ChangeKey(opened, path);
  return true;
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate) {
  return Open(key, canCreate, FAccess);
}

bool TRegistry::OpenKeyReadOnly(const std::string& key) {
  return Open(key, false, KEY_READ);
}

bool TRegistry::KeyExists(const std::string& key) {
  const bool relative = IsRelative(key);
  const std::u16string wide = CodePageToUtf16(relative ? key : key.substr(1));
  HKEY opened = nullptr;
  if (RegOpenKeyEx(BaseKey(relative), wide.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(opened);
  return true;
}

bool TRegistry::DeleteKey(const std::string& key) {
  const bool relative = IsRelative(key);
  const std::u16string path = CodePageToUtf16(relative ? key : key.substr(1));
  if (!path.empty()) return RegDeleteTree(BaseKey(relative), path.c_str()) == ERROR_SUCCESS;
  // No path: the base key itself goes, once it is empty; never the root key,
  // whose emptying would wipe every setting of the user.
  const HKEY base = BaseKey(relative);
  if (base == FRootKey) return false;
  return RegDeleteTree(base, nullptr) == ERROR_SUCCESS && RegDeleteKey(base, u"") == ERROR_SUCCESS;
}

bool TRegistry::GetKeyInfo(TRegKeyInfo& info) {
  info = TRegKeyInfo();
  DWORD subKeys = 0, maxSubKeyLength = 0, values = 0, maxValueName = 0, maxData = 0;
  if (RegQueryInfoKey(FCurrentKey, nullptr, nullptr, nullptr, &subKeys, &maxSubKeyLength, nullptr,
                      &values, &maxValueName, &maxData, nullptr, &info.FileTime) != ERROR_SUCCESS) {
    return false;
  }
  info.NumSubKeys = static_cast<int>(subKeys);
  info.MaxSubKeyLen = static_cast<int>(maxSubKeyLength);
  info.NumValues = static_cast<int>(values);
  info.MaxValueLen = static_cast<int>(maxValueName);
  info.MaxDataLen = static_cast<int>(maxData);
  return true;
}

std::vector<std::string> TRegistry::GetKeyNames() {
  std::vector<std::string> names;
  WCHAR name[kKeyNameBuffer];
  // Until the platform says there are no more: another process may add or
  // remove keys while this one counts.
  for (DWORD index = 0;; ++index) {
    DWORD length = kKeyNameBuffer;
    if (RegEnumKeyEx(FCurrentKey, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      return names;
    }
    names.push_back(Utf16ToCodePage(std::u16string_view(name, length)));
  }
}

std::vector<std::string> TRegistry::GetValueNames() {
  std::vector<std::string> names;
  std::u16string name(kValueNameBuffer, u'\0');
  for (DWORD index = 0;; ++index) {
    DWORD length = kValueNameBuffer;
    if (RegEnumValue(FCurrentKey, index, name.data(), &length, nullptr, nullptr, nullptr,
                     nullptr) != ERROR_SUCCESS) {
      return names;
    }
    names.push_back(Utf16ToCodePage(std::u16string_view(name.data(), length)));
  }
}

bool TRegistry::ValueExists(const std::string& name) {
  TRegDataInfo info;
  return GetDataInfo(name, info);
}

bool TRegistry::DeleteValue(const std::string& name) {
  return RegDeleteValue(FCurrentKey, CodePageToUtf16(name).c_str()) == ERROR_SUCCESS;
}

bool TRegistry::GetDataInfo(const std::string& name, TRegDataInfo& info) {
  info = TRegDataInfo();
  DWORD type = REG_NONE;
  DWORD size = 0;
  if (RegQueryValueEx(FCurrentKey, CodePageToUtf16(name).c_str(), nullptr, &type, nullptr, &size) !=
      ERROR_SUCCESS) {
    return false;
  }
  info.RegData = RegDataOf(type);
  info.DataSize = static_cast<int>(size);
  return true;
}

int TRegistry::GetDataSize(const std::string& name) {
  TRegDataInfo info;
  return GetDataInfo(name, info) ? info.DataSize : -1;
}

TRegDataType TRegistry::GetDataType(const std::string& name) {
  TRegDataInfo info;
  return GetDataInfo(name, info) ? info.RegData : rdUnknown;
}

int TRegistry::ReadInteger(const std::string& name) {
  uint8_t bytes[4] = {};
  DWORD type = REG_NONE;
  DWORD size = sizeof bytes;
  if (RegQueryValueEx(FCurrentKey, CodePageToUtf16(name).c_str(), nullptr, &type, bytes, &size) !=
      ERROR_SUCCESS) {
    throw ERegistryException(GetDataFailed(name));
  }
  if (type != REG_DWORD || size != sizeof bytes) throw ERegistryException(InvalidDataType(name));
  return static_cast<int32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16 |
                              static_cast<uint32_t>(bytes[3]) << 24);
}

void TRegistry::WriteInteger(const std::string& name, int value) {
  const auto bits = static_cast<uint32_t>(value);
  const uint8_t bytes[4] = {static_cast<uint8_t>(bits), static_cast<uint8_t>(bits >> 8),
                            static_cast<uint8_t>(bits >> 16), static_cast<uint8_t>(bits >> 24)};
  PutData(name, bytes, sizeof bytes, REG_DWORD);
}

std::string TRegistry::ReadString(const std::string& name) {
  const std::u16string wideName = CodePageToUtf16(name);
  std::vector<uint8_t> data;
  DWORD type = REG_NONE;
  DWORD size = 0;
  LSTATUS status = RegQueryValueEx(FCurrentKey, wideName.c_str(), nullptr, &type, nullptr, &size);
  if (status != ERROR_SUCCESS || size == 0) return {};
  // The value may grow between asking its size and reading it.
  do {
    data.resize(size);
    status = RegQueryValueEx(FCurrentKey, wideName.c_str(), nullptr, &type, data.data(), &size);
  } while (status == ERROR_MORE_DATA);
  if (status != ERROR_SUCCESS) throw ERegistryException(GetDataFailed(name));
  if (type != REG_SZ && type != REG_EXPAND_SZ) throw ERegistryException(InvalidDataType(name));
  data.resize(size);
  std::u16string text;
  for (size_t i = 0; i + 1 < data.size(); i += 2) {
    const auto unit = static_cast<char16_t>(data[i] | data[i + 1] << 8);
    if (unit == 0) break;
    text.push_back(unit);
  }
  return Utf16ToCodePage(text);
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
  const std::u16string text = CodePageToUtf16(value);
  std::vector<uint8_t> data;
  data.reserve((text.size() + 1) * 2);
  for (const char16_t unit : text) {
    data.push_back(static_cast<uint8_t>(unit));
    data.push_back(static_cast<uint8_t>(unit >> 8));
  }
  data.push_back(0);
  data.push_back(0);
  PutData(name, data.data(), data.size(), REG_SZ);
}

int TRegistry::ReadBinaryData(const std::string& name, void* buffer, int bufferSize) {
  TRegDataInfo info;
  if (!GetDataInfo(name, info)) return 0;
  if ((info.RegData != rdBinary && info.RegData != rdUnknown) || info.DataSize > bufferSize) {
    throw ERegistryException(InvalidDataType(name));
  }
  DWORD type = REG_NONE;
  DWORD size = static_cast<DWORD>(info.DataSize);
  if (RegQueryValueEx(FCurrentKey, CodePageToUtf16(name).c_str(), nullptr, &type,
                      static_cast<LPBYTE>(buffer), &size) != ERROR_SUCCESS) {
    throw ERegistryException(GetDataFailed(name));
  }
  // Another process may have changed the value since its type was asked.
  if (RegDataOf(type) != rdBinary && RegDataOf(type) != rdUnknown) {
    throw ERegistryException(InvalidDataType(name));
  }
  return static_cast<int>(size);
}

void TRegistry::WriteBinaryData(const std::string& name, const void* buffer, int bufferSize) {
  if (bufferSize < 0 || (buffer == nullptr && bufferSize > 0)) {
    throw ERegistryException(SetDataFailed(name));
  }
  PutData(name, buffer, static_cast<size_t>(bufferSize), REG_BINARY);
}

void TRegistry::PutData(const std::string& name, const void* data, size_t size, DWORD type) {
  if (size > UINT32_MAX ||
      RegSetValueEx(FCurrentKey, CodePageToUtf16(name).c_str(), 0, type,
                    static_cast<const BYTE*>(data), static_cast<DWORD>(size)) != ERROR_SUCCESS) {
    throw ERegistryException(SetDataFailed(name));
  }
}
