#include "toolkit/resource_files.h"

#include <cstdio>
#include <filesystem>
#include <mutex>
#include <system_error>

#include "base/debug_log.h"
#include "toolkit/folders.h"

namespace yt {
namespace fs = std::filesystem;

namespace {

std::mutex g_checkLock;
int g_resourceFolderExists = -1;  // -1 not checked yet

bool resourceFolderExists(const std::string& folder) {
    std::lock_guard<std::mutex> lock(g_checkLock);
    if (g_resourceFolderExists < 0) {
        std::error_code error;
        g_resourceFolderExists = fs::is_directory(fs::path(folder), error) ? 1 : 0;
    }
    return g_resourceFolderExists == 1;
}

// Copies `from` to `to` through a file beside `to`, so a copy cut short leaves the old file.
bool copyWhole(const fs::path& from, const fs::path& to, fs::file_time_type writeTime) {
    std::error_code error;
    fs::path partial = to;
    partial += ".partial";
    fs::remove(partial, error);
    if (!fs::copy_file(from, partial, fs::copy_options::overwrite_existing, error)) return false;
    // The copy must be writable (a later refresh replaces it) and carry the source's time, or
    // every run would copy again.
    fs::permissions(partial, fs::perms::owner_write, fs::perm_options::add, error);
    fs::last_write_time(partial, writeTime, error);
    if (!error) fs::rename(partial, to, error);
    if (error) {
        std::error_code ignored;
        fs::remove(partial, ignored);
        return false;
    }
    return true;
}

}  // namespace

bool RefreshFile(const std::string& resourceFolder, const std::string& runtimeFolder,
                 const std::string& fileName) {
    const fs::path from(JoinPath(resourceFolder, fileName));
    const fs::path to(JoinPath(runtimeFolder, fileName));
    std::error_code error;
    const fs::file_time_type sourceTime = fs::last_write_time(from, error);
    if (error) return false;
    const fs::file_time_type copyTime = fs::last_write_time(to, error);
    if (!error && copyTime == sourceTime) return true;
    if (!error) {
        // A read-only copy (an earlier install's) could not be replaced.
        const fs::file_status status = fs::status(to, error);
        if (!error && (status.permissions() & fs::perms::owner_write) == fs::perms::none)
            fs::permissions(to, fs::perms::owner_write, fs::perm_options::add, error);
    }
    if (copyWhole(from, to, sourceTime)) return true;
    base::DebugLog("WARNING: COULD NOT COPY %s to %s\n", from.string().c_str(),
                   to.string().c_str());
    return false;
}

void RefreshFromResourceFolder(const std::string& fileName) {
    const std::string resources = ResourceFolder();
    if (!resourceFolderExists(resources)) return;
    const std::string runtime = RuntimeFolder();
    if (runtime.empty()) return;
    if (!fs::exists(fs::path(JoinPath(resources, fileName)))) return;
    RefreshFile(resources, runtime, fileName);
}

std::string RuntimeFile(const std::string& fileName) {
    RefreshFromResourceFolder(fileName);
    return JoinPath(RuntimeFolder(), fileName);
}

bool ReadWholeFile(const std::string& path, std::string* text) {
    constexpr long kLimit = 64L << 20;
    text->clear();
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    bool ok = true;
    char buffer[16384];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        if (text->size() + got > static_cast<size_t>(kLimit)) {
            ok = false;
            break;
        }
        text->append(buffer, got);
    }
    if (std::ferror(file)) ok = false;
    std::fclose(file);
    if (!ok) text->clear();
    return ok;
}

void ForgetResourceFolderCheck() {
    std::lock_guard<std::mutex> lock(g_checkLock);
    g_resourceFolderExists = -1;
}

}  // namespace yt
