// printf-style diagnostics shared by every layer. Switched off: lines go nowhere unless a sink is
// installed (tests do).
#pragma once

#if defined(__GNUC__) || defined(__clang__)
#define YT_PRINTF_FORMAT(f, a) __attribute__((format(gnu_printf, f, a)))
#else
#define YT_PRINTF_FORMAT(f, a)
#endif

namespace base {

void DebugLog(const char* format, ...) YT_PRINTF_FORMAT(1, 2);
using DebugSink = void (*)(const char* line);
void SetDebugSink(DebugSink sink);

}  // namespace base
