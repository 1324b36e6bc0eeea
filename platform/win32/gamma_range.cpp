#include <windows.h>
#include <shellapi.h>

#include "platform/gamma_range.h"
#include "platform/process.h"

namespace platform {
namespace {

constexpr const char* kIcmKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ICM\\";
constexpr const char* kRangeValue = "GdiICMGammaRange";
constexpr DWORD kRangeOn = 256;
// The program's own view first, then the 64-bit one, so the setting is where the platform reads.
constexpr REGSAM kViews[] = {0, KEY_WOW64_64KEY};

// Reads "GdiICMGammaRange" from one registry view; false when the key or value cannot be read.
bool readRangeValue(REGSAM view, DWORD* value) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kIcmKey, 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return false;
    DWORD type = 0, size = sizeof *value;
    const LONG status =
        RegQueryValueExA(key, kRangeValue, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS && type == REG_DWORD && size == sizeof *value;
}

}  // namespace

// On when the value exists and is not 0, in the default view or else in the 64-bit view.
bool isWideGammaRangeEnabled() {
    DWORD value = 0;
    if (readRangeValue(0, &value) || readRangeValue(KEY_WOW64_64KEY, &value)) return value != 0;
    return false;
}

bool gammaRangeSwitchable() {
    return true;
}

bool writeWideGammaRange(bool on) {
    bool bothOpened = true;
    for (const REGSAM view : kViews) {
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kIcmKey, 0, nullptr, 0, KEY_ALL_ACCESS | view,
                            nullptr, &key, nullptr) != ERROR_SUCCESS) {
            bothOpened = false;
            continue;
        }
        if (on)
            RegSetValueExA(key, kRangeValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&kRangeOn),
                           sizeof kRangeOn);
        else
            RegDeleteValueA(key, kRangeValue);
        RegCloseKey(key);
    }
    return bothOpened;
}

bool isUserAdministrator() {
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                  DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &administrators))
        throw PlatformError("AllocateAndInitializeSid", GetLastError());
    BOOL member = FALSE;
    // A null token: the thread's impersonation token, else the process's.
    const BOOL checked = CheckTokenMembership(nullptr, administrators, &member);
    const DWORD error = GetLastError();
    FreeSid(administrators);
    if (!checked) throw PlatformError("CheckTokenMembership", error);
    return member != FALSE;
}

// GetVersionEx answers what the executable's manifest claims; ntdll's RtlGetVersion does not.
int platformMajorVersion() {
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (HMODULE ntdll = GetModuleHandleA("ntdll.dll")) {
        auto* get = reinterpret_cast<RtlGetVersionFn>(
            reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")));
        if (get && get(&info) == 0) return static_cast<int>(info.dwMajorVersion);
    }
    return static_cast<int>(LOBYTE(LOWORD(GetVersion())));
}

bool startElevated(const std::string& parameters, bool wait) {
    const std::string program = modulePath();
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = wait ? SEE_MASK_NOCLOSEPROCESS : 0;
    info.lpVerb = "runas";
    info.lpFile = program.c_str();
    info.lpParameters = parameters.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExA(&info)) return false;
    if (wait && info.hProcess) {
        WaitForSingleObject(info.hProcess, INFINITE);
        CloseHandle(info.hProcess);
    }
    return true;
}

int32_t restartComputer() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return -1;
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid))
        AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    CloseHandle(token);
    const DWORD reason = SHTDN_REASON_FLAG_PLANNED | SHTDN_REASON_MAJOR_OPERATINGSYSTEM |
                         SHTDN_REASON_MINOR_RECONFIG;
    return ExitWindowsEx(EWX_REBOOT | EWX_FORCEIFHUNG, reason) ? 0 : -1;
}

}  // namespace platform
