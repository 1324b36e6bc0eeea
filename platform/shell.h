// The platform shell's "open": a URL in the user's browser, a program with its parameters.
#pragma once

#include <string>

namespace platform {

// Opens `target` the way the shell's "open" verb does, shown normally: a program file is started
// with `parameters` (its command-line tail), anything else (a URL) goes to its handler, the
// user's browser. No command interpreter is involved, so no character of the target or the
// parameters can start another command. Texts are Windows-1252. True when the shell accepted the
// target (ShellExecute's result above 32; on Linux, the program or xdg-open was started).
bool shellOpen(const std::string& target, const std::string& parameters);

}  // namespace platform
