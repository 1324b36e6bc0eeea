// The log a probe program writes for the driver that runs it: one line per event, flushed at
// once so that the driver reads what has happened while the probe still runs.
#pragma once

#include <cstdio>
#include <initializer_list>
#include <string>

namespace probe {

inline FILE*& logFile() {
    static FILE* file = nullptr;
    return file;
}

// Opens the log named first on the command line.
inline bool openLog(int argc, char** argv) {
    return argc >= 2 && (logFile() = std::fopen(argv[1], "w")) != nullptr;
}

inline void logLine(const std::string& line) {
    std::fprintf(logFile(), "%s\n", line.c_str());
    std::fflush(logFile());
}

// Words followed by numbers: "control 1 10 20 100 40".
inline std::string withNumbers(std::string line, std::initializer_list<long> numbers) {
    for (long n : numbers)
        line += " " + std::to_string(n);
    return line;
}

// The last line, "end", once the pump has ended.
inline int closeLog() {
    logLine("end");
    std::fclose(logFile());
    return 0;
}

}  // namespace probe
