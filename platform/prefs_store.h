// The per-user key-value store behind the preferences: the registry on Windows, a file store on
// Linux with the same key paths, value names, types and sizes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// Value types, numbered as the registry numbers them (REG_SZ, REG_BINARY, REG_DWORD ...).
enum class ValueType : uint32_t { None = 0, String = 1, ExpandString = 2, Binary = 3, Dword = 4 };

// The two hives a value object can address.
enum class Hive { LocalMachine = 0, CurrentUser = 1 };

enum class KeyAccess { Full, ReadOnly };

// Status codes, numbered as the registry's error codes so both builds answer alike.
enum StoreStatus : int32_t {
    kStoreOk = 0,
    kStoreNotFound = 2,      // ERROR_FILE_NOT_FOUND: no such value
    kStoreAccessDenied = 5,  // ERROR_ACCESS_DENIED
    kStoreWriteFault = 29,   // ERROR_WRITE_FAULT: the store could not be written
    kStoreMoreData = 234,    // ERROR_MORE_DATA: the value is larger than asked for
};

// One stored value: its type and its bytes exactly as stored (strings with their terminating zero).
struct StoredValue {
    uint32_t type = 0;
    std::vector<uint8_t> data;
};

// One open key. Values are read and written through it; it is closed when destroyed.
class PrefsKey {
public:
    virtual ~PrefsKey() = default;
    // Reads a value of at most maxSize bytes: kStoreOk, kStoreNotFound, kStoreMoreData or an error.
    virtual int32_t query(const std::string& name, size_t maxSize, StoredValue* out) = 0;
    // Reads a value; when it does not exist, stores `fallback` as the value instead and answers
    // kStoreNotFound (whether or not that store succeeded). The file store does both under one
    // lock, so a value another process writes meanwhile is never replaced by the fallback.
    virtual int32_t queryOrCreate(const std::string& name, size_t maxSize,
                                  const StoredValue& fallback, StoredValue* out) = 0;
    virtual int32_t set(const std::string& name, const StoredValue& value) = 0;
    virtual int32_t remove(const std::string& name) = 0;
};

// Opens the key `path` of `hive`, creating it when the access allows. Null and *error on failure.
std::unique_ptr<PrefsKey> openPrefsKey(Hive hive, const std::string& path, KeyAccess access,
                                       int32_t* error);

// Deletes the key `path` and everything below it.
int32_t deletePrefsTree(Hive hive, const std::string& path);

}  // namespace platform
