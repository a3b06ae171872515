#pragma once

// The framework's registry class: one open key at a time below a root key
// (HKEY_CURRENT_USER unless told otherwise), and typed reads and writes of
// that key's values.
//
// Key paths are relative to the open key, or to the root key when none is
// open; a leading backslash makes a path relative to the root key. Names and
// strings are 8-bit and converted to and from UTF-16 through the system code
// page (see platform/CodePage.h). A read of the wrong type and a failed write
// raise ERegistryException; the operations that answer a question (OpenKey,
// KeyExists, ValueExists, DeleteKey, ...) return false instead.

#include <string>
#include <vector>

#include "framework/Exceptions.h"
#include "framework/Object.h"
#include "platform/registry/WinReg.h"

class ERegistryException : public Exception {
 public:
  using Exception::Exception;
};

// How the framework sees a registry type.
enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

struct TRegDataInfo {
  TRegDataType RegData = rdUnknown;
  int DataSize = 0;  // bytes
};

struct TRegKeyInfo {
  int NumSubKeys = 0;
  int MaxSubKeyLen = 0;  // characters (UTF-16 code units)
  int NumValues = 0;
  int MaxValueLen = 0;  // longest value name, characters
  int MaxDataLen = 0;   // bytes
  FILETIME FileTime{};
};

class TRegistry : public TObject {
 public:
  TRegistry();
  explicit TRegistry(REGSAM access);
  ~TRegistry() override;
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  HKEY RootKey() const { return FRootKey; }
  // Closes the open key when the root changes.
  void SetRootKey(HKEY rootKey);
  // The rights OpenKey asks for; KEY_ALL_ACCESS unless told otherwise.
  REGSAM Access() const { return FAccess; }
  void SetAccess(REGSAM access) { FAccess = access; }
  // The open key, or null.
  HKEY CurrentKey() const { return FCurrentKey; }
  // The open key's path below the root key, without a leading backslash.
  const std::string& CurrentPath() const { return FCurrentPath; }

  // Opens `key` (creating it and any missing parents when `canCreate`) and
  // makes it the current key. False, with the current key unchanged, when it
  // cannot.
  bool OpenKey(const std::string& key, bool canCreate);
  // Opens an existing key for reading only (KEY_READ); Access is unchanged.
  bool OpenKeyReadOnly(const std::string& key);
  void CloseKey();

  bool KeyExists(const std::string& key);
  // Deletes `key` with everything below it.
  bool DeleteKey(const std::string& key);
  bool GetKeyInfo(TRegKeyInfo& info);
  std::vector<std::string> GetKeyNames();
  std::vector<std::string> GetValueNames();

  bool ValueExists(const std::string& name);
  bool DeleteValue(const std::string& name);
  bool GetDataInfo(const std::string& name, TRegDataInfo& info);
  // Bytes of data, or -1 when there is no such value.
  int GetDataSize(const std::string& name);
  // rdUnknown when there is no such value.
  TRegDataType GetDataType(const std::string& name);

  // A REG_DWORD of 4 bytes.
  int ReadInteger(const std::string& name);
  void WriteInteger(const std::string& name, int value);
  // REG_SZ or REG_EXPAND_SZ, up to the first zero character. A value that
  // does not exist, or has no data, reads as "".
  std::string ReadString(const std::string& name);
  // REG_SZ with its terminating zero.
  void WriteString(const std::string& name, const std::string& value);
  // REG_BINARY (or a type the framework has no name for) of at most
  // `bufferSize` bytes; returns the number of bytes read, 0 when there is no
  // such value.
  int ReadBinaryData(const std::string& name, void* buffer, int bufferSize);
  void WriteBinaryData(const std::string& name, const void* buffer, int bufferSize);

 private:
  HKEY BaseKey(bool relative) const;
  void ChangeKey(HKEY key, const std::string& path);
  bool Open(const std::string& key, bool canCreate, REGSAM access);
  void PutData(const std::string& name, const void* data, size_t size, DWORD type);

  HKEY FRootKey = HKEY_CURRENT_USER;
  HKEY FCurrentKey = nullptr;
  std::string FCurrentPath;
  REGSAM FAccess = KEY_ALL_ACCESS;
};
