// The running process: its executable's path, child processes, environment.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Full path of the running executable (the module file name).
std::string modulePath();

// The executable's base name: file name without directory and extension ("tintel").
std::string baseNameOf(const std::string& path);

// A started child process; waitProcess reaps it.
struct ChildProcess {
    intptr_t handle = 0;
    bool valid() const { return handle != 0; }
};

// Starts `program` with `args` (each passed as one argument, no shell involved).
ChildProcess spawnProcess(const std::string& program, const std::vector<std::string>& args);

// Waits for the child to end and answers its exit code (-1 when it cannot be told).
int waitProcess(ChildProcess& child);

// Reads an environment variable; empty when unset.
std::string environmentVariable(const char* name);

// Sets an environment variable for this process and the children it starts.
void setEnvironmentVariable(const char* name, const std::string& value);

// Identifier of the calling process.
uint32_t currentProcessId();

}  // namespace platform
