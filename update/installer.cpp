// Installing an update: the recursive folder creation, the download, the signature check and the
// hand-over to the installer.
#include "update/installer.h"

#include "base/debug_log.h"
#include "platform/thread.h"
#include "update/http.h"

namespace tintel {

std::string ParentFolder(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

uint32_t CreateFolderTree(const std::string& path) {
    uint32_t result = platform::createFolder(path);
    if (result == 0 || result == platform::kFolderExists) return 0;
    if (result != platform::kPathNotFound) return result;
    if (platform::isFileSystemRoot(path)) return 0;
    const std::string parent = ParentFolder(path);
    // A relative path whose first folder cannot be made has nothing above it to make first.
    if (parent.empty() || parent == path) return result;
    const uint32_t above = CreateFolderTree(parent);
    if (above != 0) return above;
    result = platform::createFolder(path);
    return result == platform::kFolderExists ? 0 : result;
}

InstallResult DownloadAndRunInstaller(const std::string& url, const std::string& version,
                                      const std::string& path, const InstallSteps& steps) {
    if (CreateFolderTree(ParentFolder(path)) != 0) return InstallResult::FolderFailed;
    platform::deleteFile(path);
    ForgetCachedUrl(url);
    if (DownloadUrlToFile(url, path) != 0) {
        platform::deleteFile(path);  // nothing half-written stays behind
        return InstallResult::DownloadFailed;
    }
    base::DebugLog("Authenticating %s\n", path.c_str());
    if (platform::verifySignature(path, kInstallerSigner) != platform::SignatureCheck::Verified) {
        platform::deleteFile(path);
        return InstallResult::NotVerified;
    }
    if (steps.releaseInstance) steps.releaseInstance();
    // The version counts as installed only once the installer is running: an installer that
    // cannot be started leaves the program running and the next check tries again.
    if (RunProgram(path, "/S") != 0) {
        platform::deleteFile(path);
        return InstallResult::RunFailed;
    }
    if (steps.remember) steps.remember(version);
    platform::sleepMs(steps.handOverMs);
    platform::exitProcess(0);
}

InstallResult InstallUpdate(const std::string& url, const std::string& version,
                            const InstallSteps& steps) {
    if (platform::installStyle() == platform::InstallStyle::OpenPage) {
        OpenInBrowser(url, yt::ShellRun::InBackground);
        if (steps.remember) steps.remember(version);
        return InstallResult::PageOpened;
    }
    return DownloadAndRunInstaller(url, version, platform::installerPath(), steps);
}

}  // namespace tintel
