#include "toolkit/folders.h"

#include <cstdio>
#include <filesystem>
#include <mutex>
#include <system_error>

#include "platform/folders.h"
#include "platform/process.h"

namespace yt {
namespace {

std::mutex folderLock;
std::string runtimeFolder;
bool runtimeChosen = false;

std::string executableFolder() {
    const std::string path = platform::modulePath();
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

// Creates the folder (and its parents) and proves it writable by creating and removing a file.
bool usableFolder(const std::string& folder) {
    if (folder.empty()) return false;
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(folder), error);
    if (!std::filesystem::is_directory(std::filesystem::path(folder), error)) return false;
    const std::string probe = JoinPath(folder, ".write-probe");
    FILE* file = std::fopen(probe.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fputc('1', file) != EOF;
    const bool closed = std::fclose(file) == 0;
    std::remove(probe.c_str());
    return written && closed;
}

}  // namespace

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    const char last = folder.back();
    if (last == '/' || last == '\\') return folder + name;
    const bool backslash =
        folder.find('\\') != std::string::npos && folder.find('/') == std::string::npos;
    return folder + (backslash ? '\\' : '/') + name;
}

std::string ResourceFolder() {
    return JoinPath(executableFolder(), "res");
}

std::string ChooseWritableFolder(const std::string& besideExecutable, const std::string& perUser) {
    if (usableFolder(besideExecutable)) return besideExecutable;
    if (usableFolder(perUser)) return perUser;
    return "";
}

std::string RuntimeFolder() {
    std::lock_guard<std::mutex> lock(folderLock);
    if (!runtimeChosen) {
        const std::string besideExecutable = JoinPath(executableFolder(), "runtime");
        runtimeFolder = ChooseWritableFolder(
            besideExecutable,
            platform::userRuntimeFolder(platform::baseNameOf(platform::modulePath())));
        runtimeChosen = true;
    }
    return runtimeFolder;
}

void SetRuntimeFolder(const std::string& path) {
    std::lock_guard<std::mutex> lock(folderLock);
    runtimeFolder = path;
    runtimeChosen = !path.empty();
}

}  // namespace yt
