// The registry calls: argument rules and results as the platform documents
// them, over the hive's rows. Each call is one transaction; a call that
// writes commits before it returns.

#include <cstring>
#include <new>
#include <optional>
#include <vector>

#include "platform/registry/Hive.h"
#include "platform/registry/HiveNames.h"
#include "platform/registry/KeyHandles.h"
#include "platform/registry/KeyStore.h"
#include "platform/registry/WinReg.h"

using namespace registry::detail;

namespace {

using Kind = SqliteTransaction::Kind;

// Runs the body of a call; failures of the hive become error codes.
template <typename Body>
LSTATUS Guarded(Body body) {
  try {
    return body();
  } catch (const HiveFailure& failure) {
    return failure.code;
  } catch (const SqliteError& error) {
    return Hive::Instance().Fail(error);
  } catch (const std::bad_alloc&) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
}

// Whether the key behind `handle` is still there. Call after Hive::Open.
LSTATUS CheckKey(const OpenKey& handle, SqliteDatabase* db) {
  if (!handle.predefined && handle.generation != Hive::Instance().Generation()) {
    return ERROR_KEY_DELETED;  // the hive file was replaced since it was opened
  }
  if (db == nullptr) return handle.key == kUserRootKey ? ERROR_SUCCESS : ERROR_KEY_DELETED;
  return KeyStore(*db).Exists(handle.key) ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

// Follows `path` down from `key`; the last key found and how many names of
// the path were found.
struct Walk {
  KeyId key;
  size_t found;
};
Walk WalkPath(KeyStore& store, KeyId key, const std::vector<HiveName>& path) {
  size_t found = 0;
  for (; found < path.size(); ++found) {
    const std::optional<KeyId> child = store.FindChild(key, path[found]);
    if (!child) break;
    key = *child;
  }
  return {key, found};
}

HKEY NewHandle(const OpenKey& base, KeyId key, REGSAM desired) {
  OpenKey opened = base;
  opened.key = key;
  opened.access = KeyAccess(desired);
  opened.generation = Hive::Instance().Generation();
  return KeyHandles::Instance().Add(opened);
}

FILETIME FileTimeFromMs(int64_t ms) {
  // FILETIME counts 100 ns ticks since 1601-01-01 (UTC).
  const uint64_t ticks = static_cast<uint64_t>(ms) * 10000 + 116444736000000000ULL;
  return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

// Copies a name and its terminating zero into a caller's buffer of
// `*capacity` characters; the length without the zero goes back.
bool CopyName(const std::string& stored, LPWSTR buffer, LPDWORD capacity) {
  const std::u16string name = NameFromHive(stored);
  if (name.size() + 1 > *capacity) return false;
  std::memcpy(buffer, name.data(), name.size() * sizeof(WCHAR));
  buffer[name.size()] = 0;
  *capacity = static_cast<DWORD>(name.size());
  return true;
}

// Keys carry no class here: an empty one.
LSTATUS CopyEmptyClass(LPWSTR lpClass, LPDWORD lpcchClass) {
  if (lpClass != nullptr) {
    if (*lpcchClass < 1) return ERROR_MORE_DATA;
    lpClass[0] = 0;
  }
  if (lpcchClass != nullptr) *lpcchClass = 0;
  return ERROR_SUCCESS;
}

// Copies value data into a caller's buffer under RegQueryValueEx's rules.
LSTATUS CopyData(const std::vector<uint8_t>& data, LPBYTE lpData, LPDWORD lpcbData) {
  if (lpcbData == nullptr) return ERROR_SUCCESS;
  const auto size = static_cast<DWORD>(data.size());
  if (lpData != nullptr) {
    if (size > *lpcbData) {
      *lpcbData = size;
      return ERROR_MORE_DATA;
    }
    if (size > 0) std::memcpy(lpData, data.data(), size);
  }
  *lpcbData = size;
  return ERROR_SUCCESS;
}

}  // namespace

LSTATUS RegOpenKeyEx(HKEY hKey, LPCWSTR lpSubKey, DWORD /*ulOptions*/, REGSAM samDesired,
                     PHKEY phkResult) {
  if (phkResult == nullptr) return ERROR_INVALID_PARAMETER;
  *phkResult = nullptr;
  return Guarded([&]() -> LSTATUS {
    const std::optional<OpenKey> handle = KeyHandles::Instance().Resolve(hKey);
    if (!handle) return ERROR_INVALID_HANDLE;
    std::vector<HiveName> path;
    if (const LSTATUS status = SplitKeyPath(lpSubKey, path); status != ERROR_SUCCESS) {
      return status;
    }
    // The key itself: a predefined key answers with its own handle.
    if (path.empty() && handle->predefined) {
      *phkResult = hKey;
      return ERROR_SUCCESS;
    }
    if (!handle->backed) {
      if (!path.empty()) return ERROR_FILE_NOT_FOUND;
      *phkResult = NewHandle(*handle, handle->key, samDesired);
      return ERROR_SUCCESS;
    }
    SqliteDatabase* db = Hive::Instance().Open(HiveUse::Read);
    if (const LSTATUS status = CheckKey(*handle, db); status != ERROR_SUCCESS) return status;
    KeyId key = handle->key;
    if (!path.empty()) {
      if (db == nullptr) return ERROR_FILE_NOT_FOUND;
      SqliteTransaction reading(*db, Kind::Reading);
      KeyStore store(*db);
      const Walk walk = WalkPath(store, key, path);
      if (walk.found < path.size()) return ERROR_FILE_NOT_FOUND;
      key = walk.key;
      reading.Commit();
    }
    *phkResult = NewHandle(*handle, key, samDesired);
    return ERROR_SUCCESS;
  });
}

LSTATUS RegCreateKeyEx(HKEY hKey, LPCWSTR lpSubKey, DWORD /*Reserved*/, LPWSTR /*lpClass*/,
                       DWORD dwOptions, REGSAM samDesired,
                       LPSECURITY_ATTRIBUTES /*lpSecurityAttributes*/, PHKEY phkResult,
                       LPDWORD lpdwDisposition) {
  if (phkResult == nullptr || lpSubKey == nullptr) return ERROR_INVALID_PARAMETER;
  *phkResult = nullptr;
  if ((dwOptions & ~REG_OPTION_VOLATILE) != 0) return ERROR_INVALID_PARAMETER;
  return Guarded([&]() -> LSTATUS {
    const std::optional<OpenKey> handle = KeyHandles::Instance().Resolve(hKey);
    if (!handle) return ERROR_INVALID_HANDLE;
    std::vector<HiveName> path;
    if (const LSTATUS status = SplitKeyPath(lpSubKey, path); status != ERROR_SUCCESS) {
      return status;
    }
    const auto opened = [&](KeyId key, DWORD disposition) {
      *phkResult = NewHandle(*handle, key, samDesired);
      if (lpdwDisposition != nullptr) *lpdwDisposition = disposition;
      return ERROR_SUCCESS;
    };
    if (!handle->backed)
      return path.empty() ? opened(handle->key, REG_OPENED_EXISTING_KEY) : ERROR_ACCESS_DENIED;

    // A key that exists is only opened: no write, no write lock, and a
    // read-only hive serves as well.
    SqliteDatabase* db = Hive::Instance().Open(HiveUse::Read);
    if (const LSTATUS status = CheckKey(*handle, db); status != ERROR_SUCCESS) return status;
    if (path.empty()) return opened(handle->key, REG_OPENED_EXISTING_KEY);
    if (db != nullptr) {
      SqliteTransaction reading(*db, Kind::Reading);
      KeyStore store(*db);
      const Walk walk = WalkPath(store, handle->key, path);
      reading.Commit();
      if (walk.found == path.size()) return opened(walk.key, REG_OPENED_EXISTING_KEY);
    }
    if ((handle->access & KEY_CREATE_SUB_KEY) == 0) return ERROR_ACCESS_DENIED;

    db = Hive::Instance().Open(HiveUse::Create);
    if (const LSTATUS status = CheckKey(*handle, db); status != ERROR_SUCCESS) return status;
    SqliteTransaction writing(*db, Kind::Writing);
    KeyStore store(*db);
    // Looked up again: another process may have changed the tree meanwhile,
    // even deleted the key itself, below which nothing may be added.
    if (!store.Exists(handle->key)) return ERROR_KEY_DELETED;
    Walk walk = WalkPath(store, handle->key, path);
    const bool created = walk.found < path.size();
    for (; walk.found < path.size(); ++walk.found) {
      walk.key = store.AddChild(walk.key, path[walk.found]);
    }
    writing.Commit();
    return opened(walk.key, created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY);
  });
}

LSTATUS RegCloseKey(HKEY hKey) {
  const std::optional<OpenKey> handle = KeyHandles::Instance().Resolve(hKey);
  if (!handle) return ERROR_INVALID_HANDLE;
  if (handle->predefined) return ERROR_SUCCESS;
  KeyHandles::Instance().Remove(hKey);
  return ERROR_SUCCESS;
}

LSTATUS RegQueryValueEx(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                        LPBYTE lpData, LPDWORD lpcbData) {
  if (lpReserved != nullptr || (lpData != nullptr && lpcbData == nullptr)) {
    return ERROR_INVALID_PARAMETER;
  }
  return Guarded([&]() -> LSTATUS {
    const std::optional<OpenKey> handle = KeyHandles::Instance().Resolve(hKey);
    if (!handle) return ERROR_INVALID_HANDLE;
    if ((handle->access & KEY_QUERY_VALUE) == 0) return ERROR_ACCESS_DENIED;
    HiveName name;
    if (const LSTATUS status = MakeValueName(lpValueName, name); status != ERROR_SUCCESS) {
      return status;
    }
    if (!handle->backed) return ERROR_FILE_NOT_FOUND;
    SqliteDatabase* db = Hive::Instance().Open(HiveUse::Read);
    if (const LSTATUS status = CheckKey(*handle, db); status != ERROR_SUCCESS) return status;
    if (db == nullptr) return ERROR_FILE_NOT_FOUND;
    SqliteTransaction reading(*db, Kind::Reading);
    const std::optional<StoredValue> value = KeyStore(*db).FindValue(handle->key, name);
    reading.Commit();
    if (!value) return ERROR_FILE_NOT_FOUND;
    if (lpType != nullptr) *lpType = value->type;
    return CopyData(value->data, lpData, lpcbData);
  });
}

LSTATUS RegSetValueEx(HKEY hKey, LPCWSTR lpValueName, DWORD /*Reserved*/, DWORD dwType,
                      const BYTE* lpData, DWORD cbData) {
  if (lpData == nullptr && cbData != 0) return ERROR_NOACCESS;
  return Guarded([&]() -> LSTATUS {
    const std::optional<OpenKey> handle = KeyHandles::Instance().Resolve(hKey);
    if (!handle) return ERROR_INVALID_HANDLE;
    if ((handle->access & KEY_SET_VALUE) == 0 || !handle->backed) return ERROR_ACCESS_DENIED;
    HiveName name;
    if (const LSTATUS status = MakeValueName(lpValueName, name); status != ERROR_SUCCESS) {
      return status;
    }
    SqliteDatabase* db = Hive::Instance().Open(HiveUse::Create);
    if (const LSTATUS status = CheckKey(*handle, db); status != ERROR_SUCCESS) return status;
    SqliteTransaction writing(*db, Kind::Writing);
    KeyStore store(*db);
    if (!store.Exists(handle->key)) return ERROR_KEY_DELETED;
    store.PutValue(handle->key, name, dwType, {lpData, cbData});
    writing.Commit();
    return ERROR_SUCCESS;
  });
}

LSTATUS RegDeleteValue(HKEY hKey, LPCWSTR lpValueName) {
  return Guarded([&]() -> LSTATUS {
    const std::optional<OpenKey> handle = KeyHandles::Instance().Resolve(hKey);
    if (!handle) return ERROR_INVALID_HANDLE;
    if ((handle->access & KEY_SET_VALUE) == 0) return ERROR_ACCESS_DENIED;
    HiveName name;
    if (const LSTATUS status = MakeValueName(lpValueName, name); status != ERROR_SUCCESS) {
      return status;
    }
    if (!handle->backed) return ERROR_FILE_NOT_FOUND;
    SqliteDatabase* db = Hive::Instance().Open(HiveUse::Change);
    if (const LSTATUS status = CheckKey(*handle, db); status != ERROR_SUCCESS) return status;
    if (db == nullptr) return ERROR_FILE_NOT_FOUND;
    SqliteTransaction writing(*db, Kind::Writing);
    KeyStore store(*db);
    if (!store.Exists(handle->key)) return ERROR_KEY_DELETED;
    if (!store.RemoveValue(handle->key, name)) return ERROR_FILE_NOT_FOUND;
    writing.Commit();
    return ERROR_SUCCESS;
  });
}

LSTATUS RegDeleteKey(HKEY hKey, LPCWSTR lpSubKey) {
  if (lpSubKey == nullptr) return ERROR_INVALID_PARAMETER;
  return Guarded([&]() -> LSTATUS {
    const std::optional<OpenKey> handle = KeyHandles::Instance().Resolve(hKey);
    if (!handle) return ERROR_INVALID_HANDLE;
    std::vector<HiveName> path;
    if (const LSTATUS status = SplitKeyPath(lpSubKey, path); status != ERROR_SUCCESS) {
      return status;
    }
    // An empty path names the key of the handle itself; a root stays.
    if (path.empty() && (handle->predefined || handle->key == kUserRootKey)) {
      return ERROR_ACCESS_DENIED;
    }
    if (!handle->backed) return ERROR_FILE_NOT_FOUND;
    SqliteDatabase* db = Hive::Instance().Open(HiveUse::Change);
    if (const LSTATUS status = CheckKey(*handle, db); status != ERROR_SUCCESS) return status;
    if (db == nullptr) return ERROR_FILE_NOT_FOUND;
    SqliteTransaction writing(*db, Kind::Writing);
    KeyStore store(*db);
    const Walk walk = WalkPath(store, handle->key, path);
    if (!store.Exists(walk.key)) return ERROR_KEY_DELETED;
    if (walk.found < path.size()) return ERROR_FILE_NOT_FOUND;
    // Only a key without subkeys may go.
    if (store.HasChildren(walk.key)) return ERROR_ACCESS_DENIED;
    store.RemoveKey(walk.key);
    writing.Commit();
    return ERROR_SUCCESS;
  });
}

LSTATUS RegDeleteTree(HKEY hKey, LPCWSTR lpSubKey) {
  return Guarded([&]() -> LSTATUS {
    const std::optional<OpenKey> handle = KeyHandles::Instance().Resolve(hKey);
    if (!handle) return ERROR_INVALID_HANDLE;
    std::vector<HiveName> path;
    if (const LSTATUS status = SplitKeyPath(lpSubKey, path); status != ERROR_SUCCESS) {
      return status;
    }
    // The rights the platform asks of the handle; emptying the key itself
    // also deletes its values.
    const REGSAM needed =
        DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | (path.empty() ? KEY_SET_VALUE : 0);
    if ((handle->access & needed) != needed) return ERROR_ACCESS_DENIED;
    if (!handle->backed) return path.empty() ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND;
    SqliteDatabase* db = Hive::Instance().Open(HiveUse::Change);
    if (const LSTATUS status = CheckKey(*handle, db); status != ERROR_SUCCESS) return status;
    if (db == nullptr) return path.empty() ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    SqliteTransaction writing(*db, Kind::Writing);
    KeyStore store(*db);
    const Walk walk = WalkPath(store, handle->key, path);
    if (!store.Exists(walk.key)) return ERROR_KEY_DELETED;
    if (walk.found < path.size()) return ERROR_FILE_NOT_FOUND;
    store.RemoveTree(walk.key, path.empty());
    writing.Commit();
    return ERROR_SUCCESS;
  });
}

LSTATUS RegEnumKeyEx(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved,
                     LPWSTR lpClass, LPDWORD lpcchClass, PFILETIME lpftLastWriteTime) {
  if (lpName == nullptr || lpcchName == nullptr || lpReserved != nullptr ||
      (lpClass != nullptr && lpcchClass == nullptr)) {
    return ERROR_INVALID_PARAMETER;
  }
  return Guarded([&]() -> LSTATUS {
    const std::optional<OpenKey> handle = KeyHandles::Instance().Resolve(hKey);
    if (!handle) return ERROR_INVALID_HANDLE;
    if ((handle->access & KEY_ENUMERATE_SUB_KEYS) == 0) return ERROR_ACCESS_DENIED;
    if (!handle->backed) return ERROR_NO_MORE_ITEMS;
    SqliteDatabase* db = Hive::Instance().Open(HiveUse::Read);
    if (const LSTATUS status = CheckKey(*handle, db); status != ERROR_SUCCESS) return status;
    if (db == nullptr) return ERROR_NO_MORE_ITEMS;
    SqliteTransaction reading(*db, Kind::Reading);
    const std::optional<StoredKey> child = KeyStore(*db).NthChild(handle->key, dwIndex);
    reading.Commit();
    if (!child) return ERROR_NO_MORE_ITEMS;
    if (!CopyName(child->name, lpName, lpcchName)) return ERROR_MORE_DATA;
    if (const LSTATUS status = CopyEmptyClass(lpClass, lpcchClass); status != ERROR_SUCCESS) {
      return status;
    }
    if (lpftLastWriteTime != nullptr) *lpftLastWriteTime = FileTimeFromMs(child->written);
    return ERROR_SUCCESS;
  });
}

LSTATUS RegEnumValue(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, LPDWORD lpcchValueName,
                     LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
  if (lpValueName == nullptr || lpcchValueName == nullptr || lpReserved != nullptr ||
      (lpData != nullptr && lpcbData == nullptr)) {
    return ERROR_INVALID_PARAMETER;
  }
  return Guarded([&]() -> LSTATUS {
    const std::optional<OpenKey> handle = KeyHandles::Instance().Resolve(hKey);
    if (!handle) return ERROR_INVALID_HANDLE;
    if ((handle->access & KEY_QUERY_VALUE) == 0) return ERROR_ACCESS_DENIED;
    if (!handle->backed) return ERROR_NO_MORE_ITEMS;
    SqliteDatabase* db = Hive::Instance().Open(HiveUse::Read);
    if (const LSTATUS status = CheckKey(*handle, db); status != ERROR_SUCCESS) return status;
    if (db == nullptr) return ERROR_NO_MORE_ITEMS;
    SqliteTransaction reading(*db, Kind::Reading);
    const std::optional<StoredValue> value = KeyStore(*db).NthValue(handle->key, dwIndex);
    reading.Commit();
    if (!value) return ERROR_NO_MORE_ITEMS;
    if (!CopyName(value->name, lpValueName, lpcchValueName)) return ERROR_MORE_DATA;
    if (lpType != nullptr) *lpType = value->type;
    return CopyData(value->data, lpData, lpcbData);
  });
}

LSTATUS RegQueryInfoKey(HKEY hKey, LPWSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved,
                        LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen,
                        LPDWORD lpcValues, LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen,
                        LPDWORD lpcbSecurityDescriptor, PFILETIME lpftLastWriteTime) {
  if (lpReserved != nullptr || (lpClass != nullptr && lpcchClass == nullptr)) {
    return ERROR_INVALID_PARAMETER;
  }
  return Guarded([&]() -> LSTATUS {
    const std::optional<OpenKey> handle = KeyHandles::Instance().Resolve(hKey);
    if (!handle) return ERROR_INVALID_HANDLE;
    if ((handle->access & KEY_QUERY_VALUE) == 0) return ERROR_ACCESS_DENIED;
    KeySummary summary;
    if (handle->backed) {
      SqliteDatabase* db = Hive::Instance().Open(HiveUse::Read);
      if (const LSTATUS status = CheckKey(*handle, db); status != ERROR_SUCCESS) return status;
      if (db != nullptr) {
        SqliteTransaction reading(*db, Kind::Reading);
        summary = KeyStore(*db).Summarise(handle->key);
        reading.Commit();
      }
    }
    if (const LSTATUS status = CopyEmptyClass(lpClass, lpcchClass); status != ERROR_SUCCESS) {
      return status;
    }
    if (lpcSubKeys != nullptr) *lpcSubKeys = summary.subKeys;
    if (lpcbMaxSubKeyLen != nullptr) *lpcbMaxSubKeyLen = summary.maxSubKeyLength;
    if (lpcbMaxClassLen != nullptr) *lpcbMaxClassLen = 0;
    if (lpcValues != nullptr) *lpcValues = summary.values;
    if (lpcbMaxValueNameLen != nullptr) *lpcbMaxValueNameLen = summary.maxValueNameLength;
    if (lpcbMaxValueLen != nullptr) *lpcbMaxValueLen = summary.maxValueSize;
    if (lpcbSecurityDescriptor != nullptr) *lpcbSecurityDescriptor = 0;
    if (lpftLastWriteTime != nullptr) *lpftLastWriteTime = FileTimeFromMs(summary.written);
    return ERROR_SUCCESS;
  });
}
