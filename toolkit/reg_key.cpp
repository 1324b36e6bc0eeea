#include "toolkit/reg_key.h"

#include <cstring>

namespace yt {

int32_t ytRegKey::Open(platform::Hive hive, const std::string& subkey, platform::KeyAccess access,
                       const std::string& valueName) {
    Close();
    valueName_ = valueName;
    int32_t error = 0;
    key_ = platform::openPrefsKey(hive, subkey, access, &error);
    return key_ ? 0 : (error ? error : -1);
}

int32_t ytRegKey::Query(size_t maxSize, const platform::StoredValue& fallback,
                        platform::StoredValue* out) {
    if (!key_) return -1;
    return key_->queryOrCreate(valueName_, maxSize, fallback, out);
}

int32_t ytRegKey::Set(uint32_t type, const void* data, size_t size) {
    if (!key_) return -1;
    platform::StoredValue value;
    value.type = type;
    const auto* bytes = static_cast<const uint8_t*>(data);
    value.data.assign(bytes, bytes + size);
    return key_->set(valueName_, value);
}

int32_t ytRegKey::SetString(const char* text) {
    if (!text) text = "";
    const size_t length = std::strlen(text);
    if (length > kMaxStringLength) return -1;
    return Set(static_cast<uint32_t>(platform::ValueType::String), text, length + 1);
}

int32_t ytRegKey::Delete() {
    if (!key_) return -1;
    return key_->remove(valueName_);
}

}  // namespace yt
