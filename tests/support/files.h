// Small file and environment helpers shared by the tests (header-only: no library to link).
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace testsupport {

// The variable's value, or "" when it is not set.
inline std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// The file's bytes, or "" when it cannot be read.
inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Writes the bytes, making the folders above the file first.
inline void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace testsupport
