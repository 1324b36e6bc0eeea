// ytRegKey: one open key of the preferences store, addressing one value.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/prefs_store.h"

namespace yt {

class ytRegKey {
public:
    ytRegKey() = default;
    ~ytRegKey() { Close(); }
    ytRegKey(const ytRegKey&) = delete;
    ytRegKey& operator=(const ytRegKey&) = delete;

    // Opens (creating when allowed) `subkey` of `hive`; remembers the value name. Answers the
    // platform's error code, 0 on success.
    int32_t Open(platform::Hive hive, const std::string& subkey, platform::KeyAccess access,
                 const std::string& valueName);
    // Reads at most maxSize bytes; when the value does not exist, writes `fallback` in its place.
    int32_t Query(size_t maxSize, const platform::StoredValue& fallback,
                  platform::StoredValue* out);
    int32_t Set(uint32_t type, const void* data, size_t size);
    // Writes a string value: at most 255 characters (else nothing is written and -1 returned);
    // null writes an empty string.
    int32_t SetString(const char* text);
    int32_t Delete();
    void Close() { key_.reset(); }
    bool IsOpen() const { return key_ != nullptr; }

    static constexpr size_t kMaxStringLength = 255;

private:
    std::unique_ptr<platform::PrefsKey> key_;
    std::string valueName_;
};

}  // namespace yt
