#include "app/prefs.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "toolkit/reg_key.h"
#include "toolkit/toolkit.h"

namespace tintel {
namespace {

constexpr uint32_t kStringType = static_cast<uint32_t>(platform::ValueType::String);

platform::Hive hiveOf(int flag) {
    return flag == kLocalMachine ? platform::Hive::LocalMachine : platform::Hive::CurrentUser;
}

// Opens the key with full access, falling back to read-only (a read can still succeed then).
bool openForRead(yt::ytRegKey& key, platform::Hive hive, const std::string& subkey,
                 const std::string& name) {
    return key.Open(hive, subkey, platform::KeyAccess::Full, name) == 0 ||
           key.Open(hive, subkey, platform::KeyAccess::ReadOnly, name) == 0;
}

}  // namespace

std::string sectionKey(const char* section) {
    char buffer[1024];
    std::snprintf(buffer, sizeof buffer, "%s\\%s", yt::RegistryBase().c_str(), section);
    return buffer;
}

RegDword::RegDword(const char* section, const char* name, int32_t defaultValue, uint32_t type,
                   int hive)
    : hive_(hiveOf(hive)),
      subkey_(sectionKey(section)),
      name_(name),
      value_(defaultValue),
      default_(defaultValue),
      type_(type) {}

int32_t RegDword::read() {
    yt::ytRegKey key;
    if (openForRead(key, hive_, subkey_, name_)) {
        platform::StoredValue fallback;
        fallback.type = type_;
        fallback.data.resize(4);
        std::memcpy(fallback.data.data(), &value_, 4);
        platform::StoredValue stored;
        if (key.Query(4, fallback, &stored) == platform::kStoreOk && stored.type == type_ &&
            stored.data.size() == 4) {
            std::memcpy(&value_, stored.data.data(), 4);
        }
        key.Close();
    }
    lastRead_ = value_;
    return value_;
}

int32_t RegDword::read(ValueRange range) {
    value_ = std::clamp(read(), range.lowest, range.highest);
    return value_;
}

int32_t RegDword::write(int32_t value) {
    value_ = value;
    yt::ytRegKey key;
    if (key.Open(hive_, subkey_, platform::KeyAccess::Full, name_) == 0) key.Set(type_, &value_, 4);
    return value_;
}

RegString::RegString(const char* section, const char* name, const std::string& defaultValue,
                     int hive)
    : hive_(hiveOf(hive)),
      subkey_(sectionKey(section)),
      name_(name),
      value_(defaultValue),
      default_(defaultValue) {}

RegString::RegString(FullPath key, const char* name, const std::string& defaultValue, int hive)
    : hive_(hiveOf(hive)),
      subkey_(key.path),
      name_(name),
      value_(defaultValue),
      default_(defaultValue) {}

const std::string& RegString::read() {
    yt::ytRegKey key;
    if (!openForRead(key, hive_, subkey_, name_)) return value_;
    // The buffer is prefilled with the current value: a missing value is created from it.
    std::string current = value_.substr(0, std::min(value_.size(), kReadBufferSize - 1));
    current = current.substr(0, std::strlen(current.c_str()));
    platform::StoredValue fallback;
    fallback.type = kStringType;
    fallback.data.assign(current.begin(), current.end());
    fallback.data.push_back(0);
    platform::StoredValue stored;
    if (key.Query(kReadBufferSize, fallback, &stored) == platform::kStoreOk &&
        stored.type == kStringType) {
        // The bytes up to the terminating zero (a value stored without one is taken whole).
        const auto end = std::find(stored.data.begin(), stored.data.end(), uint8_t{0});
        value_.assign(stored.data.begin(), end);
    }
    return value_;
}

const std::string& RegString::write(const std::string& text) {
    value_ = text;
    yt::ytRegKey key;
    if (key.Open(hive_, subkey_, platform::KeyAccess::Full, name_) == 0)
        key.SetString(value_.c_str());
    return value_;
}

}  // namespace tintel
