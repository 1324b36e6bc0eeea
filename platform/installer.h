// What the updater needs from the system: where the installer goes, folder creation with the
// platform's error codes, the Authenticode check of a downloaded installer, and ending the
// process once the installer has been handed over.
//
// Windows downloads the installer beside the program, checks its signature and its signer and runs
// it silently. Linux has no installer to run: an update there opens the feed's installer page in
// the browser instead.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

enum class InstallStyle {
    DownloadAndRun,  // download "update\setup.exe", verify, run with "/S", exit
    OpenPage,        // open the installer URL in the browser
};
InstallStyle installStyle();

// The feed's path on the update site: "/update/windows.json" or "/update/linux.json".
const char* updateFeedPath();

// "update\setup.exe" in the folder of the running program.
std::string installerPath();

// Folder error codes as Windows gives them (GetLastError): 0 success, 183 the folder exists,
// 3 a folder on the way is missing; anything else is another failure.
inline constexpr uint32_t kFolderExists = 183;
inline constexpr uint32_t kPathNotFound = 3;
// Creates one folder (not its parents).
uint32_t createFolder(const std::string& path);
// True for the root of a drive or file system ("C:", "C:\", "/"), which need not be created.
bool isFileSystemRoot(const std::string& folder);

// Deletes a file; true when it is gone (also when there was none).
bool deleteFile(const std::string& path);

// The outcome of checking a file's Authenticode signature and its signer's name.
enum class SignatureCheck {
    Verified,      // the signature holds and the signer's simple display name matches exactly
    BadSignature,  // no signature, a changed file, or an untrusted chain
    WrongSigner,   // a good signature by someone else
    CheckFailed,   // the signer could not be examined (a library or function missing): not
                   // verified, since an installer whose signer was never checked is unsafe
};
SignatureCheck verifySignature(const std::string& path, const std::string& signer);
// The same with the certificate library named (Windows: "Crypt32.dll" above); a library that
// cannot be loaded or lacks a function the name check needs gives CheckFailed.
SignatureCheck verifySignature(const std::string& path, const std::string& signer,
                               const char* certificateLibrary);

// Ends the process at once with `code`, without running the program's teardown.
[[noreturn]] void exitProcess(int code);

}  // namespace platform
