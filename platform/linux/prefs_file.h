// The text format of the Linux preferences store: one file for all of the user's keys, written
// like a registry export so a person can read it.
//
//   [Software\Brisbel\tintel\Preferences]
//   "Latitude"=dword:00000e10
//   "lastmod"="Tue, 01 Dec 2026 10:00:00 GMT"
//   "blob"=hex:01,02,03
//   "other"=hex(7):41,00,00
//
// Strings are Windows-1252 in the program and UTF-8 in the file; '\\', '\"' and '\xHH' (for
// control bytes) are the escapes. Editing keeps every line it does not change byte for byte, so
// comments, unknown keys and damaged lines survive a rewrite; a damaged line for a value that is
// written again is kept as a comment.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/prefs_store.h"

namespace platform::prefsfile {

struct Document {
    std::vector<std::string> lines;  // without their line ends
};

Document parse(std::string_view text);
std::string serialise(const Document& document);

enum class Lookup { Missing, Found, Damaged };

// Looks a value up; the last line naming it in a section of that key counts.
Lookup find(const Document& document, std::string_view key, std::string_view name,
            StoredValue* out);

// Sets a value, replacing the line that find would read, or adding one (and the section).
void set(Document& document, std::string_view key, std::string_view name, const StoredValue& value);

// Removes the value; false when it was not there.
bool remove(Document& document, std::string_view key, std::string_view name);

// Removes the key, its values and every key below it.
void removeTree(Document& document, std::string_view key);

// One value line, and its parse. parseValueLine answers false for a line that is not a value
// line; for one that names a value but whose data cannot be read it answers true with *damaged.
std::string formatValueLine(std::string_view name, const StoredValue& value);
bool parseValueLine(std::string_view line, std::string* name, StoredValue* value, bool* damaged);

}  // namespace platform::prefsfile
