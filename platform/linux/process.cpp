#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "platform/process.h"

extern char** environ;

namespace platform {

std::string modulePath() {
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return {};
    return std::string(path, static_cast<size_t>(n));
}

std::string baseNameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot != 0) name.resize(dot);
    return name;
}

ChildProcess spawnProcess(const std::string& program, const std::vector<std::string>& args) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return {};
    return ChildProcess{pid};
}

int waitProcess(ChildProcess& child) {
    if (!child.valid()) return -1;
    int status = 0;
    const pid_t pid = static_cast<pid_t>(child.handle);
    child.handle = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string environmentVariable(const char* name) {
    const char* value = getenv(name);
    return value ? value : "";
}

void setEnvironmentVariable(const char* name, const std::string& value) {
    setenv(name, value.c_str(), 1);
}

uint32_t currentProcessId() {
    return static_cast<uint32_t>(getpid());
}

}  // namespace platform
