#include <windows.h>

#include <cstdlib>

#include "platform/process.h"

namespace platform {
namespace {

// Quotes one argument so the C runtime's parser gives it back unchanged.
std::string quoteArgument(const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
    std::string out = "\"";
    size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, '\\');
    return out + "\"";
}

}  // namespace

std::string modulePath() {
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, n < MAX_PATH ? n : 0);
}

std::string baseNameOf(const std::string& path) {
    char name[_MAX_FNAME];
    if (_splitpath_s(path.c_str(), nullptr, 0, nullptr, 0, name, sizeof name, nullptr, 0) != 0)
        return {};
    return name;
}

ChildProcess spawnProcess(const std::string& program, const std::vector<std::string>& args) {
    std::string commandLine = quoteArgument(program);
    for (const std::string& a : args)
        commandLine += " " + quoteArgument(a);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info))
        return {};
    CloseHandle(info.hThread);
    return ChildProcess{reinterpret_cast<intptr_t>(info.hProcess)};
}

int waitProcess(ChildProcess& child) {
    if (!child.valid()) return -1;
    HANDLE process = reinterpret_cast<HANDLE>(child.handle);
    child.handle = 0;
    WaitForSingleObject(process, INFINITE);
    DWORD code = static_cast<DWORD>(-1);
    GetExitCodeProcess(process, &code);
    CloseHandle(process);
    return static_cast<int>(code);
}

std::string environmentVariable(const char* name) {
    char buffer[32768];
    const DWORD n = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    return n > 0 && n < sizeof buffer ? std::string(buffer, n) : std::string();
}

void setEnvironmentVariable(const char* name, const std::string& value) {
    SetEnvironmentVariableA(name, value.c_str());
    _putenv_s(name, value.c_str());
}

uint32_t currentProcessId() {
    return GetCurrentProcessId();
}

}  // namespace platform
