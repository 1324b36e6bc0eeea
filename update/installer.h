// Installing an update the feed offers: download the installer beside the program, check its
// Authenticode signature and signer, remember the version, hand over to the installer and end the
// program (Windows); or open the installer page in the browser and remember the version (Linux).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/installer.h"

namespace tintel {

// The signer whose installers are run.
inline constexpr const char* kInstallerSigner = "Brisbel";

// Creates the folder that `path` names and, first, every missing folder above it, from the
// outermost inward. Answers 0 (also when it exists), or the platform's error code.
uint32_t CreateFolderTree(const std::string& path);

// The folder part of a path (everything before the last '\' or '/'); empty when there is none.
std::string ParentFolder(const std::string& path);

// What the installer needs from its caller.
struct InstallSteps {
    // Stores the version as "lastwebmod".
    std::function<void(const std::string& version)> remember;
    // Releases the single-instance lock, so that the installer may start the new program.
    std::function<void()> releaseInstance;
    // Pause between starting the installer and ending the process.
    int handOverMs = 1000;
};

// What became of one attempt (a successful Windows install never returns).
enum class InstallResult {
    PageOpened,  // Linux: the installer page went to the browser
    FolderFailed,
    DownloadFailed,
    NotVerified,  // the file was deleted
    RunFailed,    // verified, but the installer could not be started
};

// Installs `version` from `url` in the platform's style (platform::installStyle()).
InstallResult InstallUpdate(const std::string& url, const std::string& version,
                            const InstallSteps& steps);

// The Windows style on its own: download to `path`, verify, hand over. Tests call it with a path
// of their own.
InstallResult DownloadAndRunInstaller(const std::string& url, const std::string& version,
                                      const std::string& path, const InstallSteps& steps);

}  // namespace tintel
