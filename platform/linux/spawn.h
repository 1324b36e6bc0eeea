// Starting another program from this one with posix_spawn, as every child of the program starts:
// no signals blocked and SIGPIPE back at its default (the program itself ignores it, and the
// pump's threads may block signals the child must see).
#pragma once

#include <signal.h>
#include <spawn.h>
#include <unistd.h>

#include <string>
#include <vector>

extern char** environ;

namespace platform {

// Starts `path` (searched on PATH when `search`) with `argv`, in a session of its own when
// `newSession`, and with `stdio` as its standard input and output when it is not -1. Answers the
// child's pid, or 0 when it could not be started.
inline pid_t spawnProgram(const std::string& path, const std::vector<std::string>& argv,
                          bool search, bool newSession, int stdio = -1) {
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    if (stdio != -1) {
        posix_spawn_file_actions_adddup2(&files, stdio, STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&files, stdio, STDOUT_FILENO);
    }
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF |
                                              (newSession ? POSIX_SPAWN_SETSID : 0));
    pid_t pid = 0;
    const int failed =
        search ? posix_spawnp(&pid, path.c_str(), &files, &attributes, args.data(), environ)
               : posix_spawn(&pid, path.c_str(), &files, &attributes, args.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&files);
    return failed ? 0 : pid;
}

}  // namespace platform
