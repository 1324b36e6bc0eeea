// The updater's system services on Linux: no installer is run here (an update opens the
// installer page in the browser), so only the folder and file helpers do real work; a signature
// check is never asked for and answers "not verified".
#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/installer.h"
#include "platform/process.h"

namespace platform {

InstallStyle installStyle() {
    return InstallStyle::OpenPage;
}

const char* updateFeedPath() {
    return "/update/linux.json";
}

std::string installerPath() {
    const std::string module = modulePath();
    const size_t slash = module.rfind('/');
    return (slash == std::string::npos ? std::string() : module.substr(0, slash + 1)) +
           "update/setup.exe";
}

uint32_t createFolder(const std::string& path) {
    if (mkdir(path.c_str(), 0755) == 0) return 0;
    switch (errno) {
        case EEXIST:
            return kFolderExists;
        case ENOENT:
            return kPathNotFound;
        case EACCES:
        case EPERM:
            return 5;  // access denied, as Windows numbers it
        default:
            return 0x20000000u | static_cast<uint32_t>(errno);  // beyond Windows' codes
    }
}

bool isFileSystemRoot(const std::string& folder) {
    return folder.empty() || folder == "/";
}

bool deleteFile(const std::string& path) {
    return unlink(path.c_str()) == 0 || errno == ENOENT;
}

SignatureCheck verifySignature(const std::string&, const std::string&) {
    return SignatureCheck::CheckFailed;
}

SignatureCheck verifySignature(const std::string&, const std::string&, const char*) {
    return SignatureCheck::CheckFailed;
}

void exitProcess(int code) {
    std::_Exit(code);
}

}  // namespace platform
