// Where artwork files and layout scripts come from: the runtime folder, refreshed from the
// resource folder ("res" beside the executable) whenever a resource file's last write time
// differs from its runtime copy's (toolkit/folders.h chooses both folders).
#pragma once

#include <string>

namespace yt {

// Copies `fileName` from the resource folder over the runtime copy when the resource folder holds
// it and its last write time differs from the copy's (or there is no copy). A read-only copy is
// made writable first; the new copy takes the resource file's write time, and arrives whole (it
// is written beside and renamed into place). Failure writes "WARNING: COULD NOT COPY %s to %s\n".
// Whether the resource folder exists is checked once per run.
void RefreshFromResourceFolder(const std::string& fileName);

// The same between two given folders, checking the resource folder each time. Answers true when
// the runtime copy is now current (copied or already equal), false when it could not be made so
// or the resource folder has no such file.
bool RefreshFile(const std::string& resourceFolder, const std::string& runtimeFolder,
                 const std::string& fileName);

// The path of a file in the runtime folder, after refreshing it.
std::string RuntimeFile(const std::string& fileName);

// Reads a whole file (at most 64 MiB); false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string* text);

// Forgets the remembered answer about the resource folder (tests change folders).
void ForgetResourceFolderCheck();

}  // namespace yt
