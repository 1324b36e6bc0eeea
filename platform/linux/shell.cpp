// The shell's "open" on Linux: a program file is started directly with its parameters split the
// way the Windows C runtime splits a command line; anything else goes to xdg-open, which hands a
// URL to the user's browser. Both are started with posix_spawn, never through /bin/sh.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <thread>
#include <vector>

#include "platform/shell.h"
#include "platform/linux/spawn.h"
#include "base/text.h"

namespace platform {
namespace {

// Splits a command-line tail into arguments by the Microsoft C runtime's rules: blanks separate
// arguments outside double quotes; 2n backslashes before a quote give n backslashes and the quote
// toggles quoting; 2n+1 give n backslashes and a literal quote; other backslashes are literal.
std::vector<std::string> splitParameters(const std::string& text) {
    std::vector<std::string> args;
    std::string current;
    bool inArgument = false;
    bool quoted = false;
    for (size_t i = 0; i < text.size();) {
        const char c = text[i];
        if ((c == ' ' || c == '\t') && !quoted) {
            if (inArgument) args.push_back(current);
            current.clear();
            inArgument = false;
            ++i;
            continue;
        }
        inArgument = true;
        if (c == '\\') {
            size_t run = 0;
            while (i < text.size() && text[i] == '\\') {
                ++run;
                ++i;
            }
            if (i < text.size() && text[i] == '"') {
                current.append(run / 2, '\\');
                if (run % 2 == 1) {
                    current += '"';
                    ++i;
                }
            } else {
                current.append(run, '\\');
            }
            continue;
        }
        if (c == '"') {
            quoted = !quoted;
        } else {
            current += c;
        }
        ++i;
    }
    if (inArgument) args.push_back(current);
    return args;
}

// True when the text begins with a URL scheme ("http:", "mailto:"), RFC 3986 section 3.1.
bool hasScheme(const std::string& text) {
    const size_t colon = text.find(':');
    if (colon == std::string::npos || colon == 0 || !isalpha(static_cast<unsigned char>(text[0])))
        return false;
    for (size_t i = 1; i < colon; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (!isalnum(c) && c != '+' && c != '-' && c != '.') return false;
    }
    return true;
}

// True for a regular file the user may run.
bool isProgram(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           access(path.c_str(), X_OK) == 0;
}

// Starts argv[0] (searched on PATH when `search`) in a session of its own, with no signals
// blocked; a detached thread reaps it when it ends, as the shell does not wait for what it opens.
bool spawnDetached(const std::vector<std::string>& argv, bool search) {
    const pid_t pid = spawnProgram(argv[0], argv, search, true);
    if (pid == 0) return false;
    std::thread([pid] {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return true;
}

}  // namespace

bool shellOpen(const std::string& target, const std::string& parameters) {
    const std::string file = base::cp1252ToUtf8(target);
    if (isProgram(file)) {
        std::vector<std::string> argv{file};
        for (std::string& a : splitParameters(parameters))
            argv.push_back(base::cp1252ToUtf8(a));
        return spawnDetached(argv, false);
    }
    // xdg-open would read a leading '-' as an option of its own. A path that names nothing fails
    // here, as ShellExecute fails at once with "file not found".
    if (file.empty() || file[0] == '-') return false;
    struct stat info {};
    if (!hasScheme(file) && stat(file.c_str(), &info) != 0) return false;
    return spawnDetached({"xdg-open", file}, true);
}

}  // namespace platform
