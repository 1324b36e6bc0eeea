#include "base/debug_log.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>

namespace base {
namespace {

std::atomic<DebugSink> g_debugSink{nullptr};

}  // namespace

// Formats one line and hands it to the sink, when one is installed.
void DebugLog(const char* format, ...) {
    DebugSink sink = g_debugSink.load();
    if (!sink) return;
    char line[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    sink(line);
}

void SetDebugSink(DebugSink sink) {
    g_debugSink = sink;
}

}  // namespace base
