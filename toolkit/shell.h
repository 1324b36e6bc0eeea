// Shell operations of the toolkit: "open" through the platform shell, now or on a worker thread
// (ThreadedVisit), and opening web addresses.
#pragma once

#include <cstdint>
#include <string>

#include "toolkit/base_thread.h"

namespace yt {

enum class ShellRun { Now, InBackground };

// "open" through the platform shell, shown normally. Now: 0 when the shell accepted the target,
// else -1. In background: a ThreadedVisit does it; 0 once that thread has started, -1 when it
// could not start.
int32_t OpenInShell(const std::string& target, const std::string& parameters, ShellRun how);

// Opens a web address in the user's browser: only a text beginning with "http" (else -1 and
// nothing opens). Characters that may not appear in a URL (blanks, controls, double quotes,
// angle brackets, braces, '|', '\', '^', '`' and non-ASCII text) are percent-encoded first
// (RFC 3986; non-ASCII as UTF-8, RFC 3987), so the address stays one piece on any command line.
int32_t OpenUrl(const std::string& text, ShellRun how);

// The percent-encoded form OpenUrl hands to the shell.
std::string EncodeUrlForShell(const std::string& text);

// A worker that performs one shell "open" on its own thread and then deletes itself.
class ThreadedVisit : public ytBaseThread {
public:
    ThreadedVisit(std::string target, std::string parameters)
        : target_(std::move(target)), parameters_(std::move(parameters)) {}

    // Opens the target; the answer kDeleteWhenDone ends the visit by deleting the object, whether
    // the shell accepted the target or not (nobody owns a visit once it is started).
    int Run() override;
    ~ThreadedVisit() override { Stop(0); }

private:
    std::string target_;
    std::string parameters_;
};

}  // namespace yt
