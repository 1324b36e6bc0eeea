// Preference values: each object addresses one value of the per-user store. Reading a missing
// value creates it with the default, so the store fills itself as the program runs. There is no
// cache: readers construct a value object, read at the moment of use, and let it go.
#pragma once

#include <cstdint>
#include <string>

#include "platform/prefs_store.h"

namespace tintel {

// Sections of the preferences root.
inline constexpr const char* kPreferences = "Preferences";
inline constexpr const char* kUpdate = "update";

// The installation cookie lives at a fixed path, whatever the executable is called.
inline constexpr const char* kCookieKey = "Software\\Brisbel\\tintelupdate";

// The hive flag of the constructors: 1 the current user, 0 the local machine.
inline constexpr int kCurrentUser = 1;
inline constexpr int kLocalMachine = 0;

// The ranges stored numbers are read into: everything a user can set through the program lies
// inside, and nothing inside can overflow the arithmetic that uses it. Kelvin is the range the
// schedule clamps its colour to; the location is in hundredths of a degree; postal codes have
// five digits.
struct ValueRange {
    int32_t lowest;
    int32_t highest;
};
inline constexpr ValueRange kKelvinRange{500, 30000};
inline constexpr ValueRange kLatitudeRange{-9000, 9000};
inline constexpr ValueRange kLongitudeRange{-18000, 18000};
inline constexpr ValueRange kPostalCodeRange{0, 99999};

// The key path of a section: the preferences root, a backslash and the section name.
std::string sectionKey(const char* section);

class RegDword {
public:
    RegDword(const char* section, const char* name, int32_t defaultValue,
             uint32_t type = static_cast<uint32_t>(platform::ValueType::Dword),
             int hive = kCurrentUser);

    // Reads the stored value; a missing value is created with the current value (the default).
    // A value of another type or size, or a store that cannot be opened, gives the current value.
    int32_t read();
    // Reads the stored value and answers it moved into the range (a value edited by hand or
    // damaged outside it reads as the nearer end); the store keeps what it holds.
    int32_t read(ValueRange range);
    // Writes through at once; errors are not reported.
    int32_t write(int32_t value);

    int32_t value() const { return value_; }
    int32_t defaultValue() const { return default_; }
    int32_t lastRead() const { return lastRead_; }

private:
    platform::Hive hive_;
    std::string subkey_;
    std::string name_;
    int32_t value_;
    int32_t default_;
    uint32_t type_;
    int32_t lastRead_ = 0;
};

class RegString {
public:
    RegString(const char* section, const char* name, const std::string& defaultValue,
              int hive = kCurrentUser);
    // The variant with a full key path (the installation cookie).
    struct FullPath {
        const char* path;
    };
    RegString(FullPath key, const char* name, const std::string& defaultValue,
              int hive = kCurrentUser);

    // Reads the stored string (at most 4096 bytes); a missing value is created from the current
    // value. On any other failure the current value stays.
    const std::string& read();
    // Stores the text and writes it; a text longer than 255 characters is not written.
    const std::string& write(const std::string& text);

    const std::string& value() const { return value_; }

    static constexpr size_t kReadBufferSize = 4096;

private:
    platform::Hive hive_;
    std::string subkey_;
    std::string name_;
    std::string value_;
    std::string default_;
};

}  // namespace tintel
