// The end of every generator of committed source: write the generated text to OUTPUT, or with
// --check FILE compare it line by line with the committed file (line ends aside) and name the first
// line that differs, so a test can prove the committed table is the generator's output.
#pragma once

#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace tools {

// The lines of a text, without their ends (LF or CR LF).
inline std::vector<std::string> sourceLines(const std::string& text) {
    std::vector<std::string> result;
    std::string line;
    std::istringstream in(text);
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        result.push_back(line);
    }
    return result;
}

// Runs a generator's command line: `name OUTPUT` or `name --check FILE`. `generate` makes the
// text (false when it cannot, having said why). Exit codes: 0 done or equal, 1 failed or
// different, 2 wrong usage.
inline int writeOrCheck(const char* name, int argc, char** argv,
                        const std::function<bool(std::string*)>& generate) {
    const bool checking = argc == 3 && std::strcmp(argv[1], "--check") == 0;
    if (argc != 2 && !checking) {
        std::fprintf(stderr, "usage: %s OUTPUT | %s --check FILE\n", name, name);
        return 2;
    }
    std::string source;
    if (!generate(&source)) return 1;
    const char* path = argv[checking ? 2 : 1];
    if (!checking) {
        std::ofstream out(path, std::ios::binary);
        out << source;
        out.close();
        if (out) return 0;
        std::fprintf(stderr, "%s: cannot write %s\n", name, path);
        return 1;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "%s: cannot read %s\n", name, path);
        return 1;
    }
    std::ostringstream text;
    text << in.rdbuf();
    const std::vector<std::string> want = sourceLines(source), have = sourceLines(text.str());
    for (size_t i = 0; i < want.size() || i < have.size(); ++i) {
        const char* w = i < want.size() ? want[i].c_str() : "(end)";
        const char* h = i < have.size() ? have[i].c_str() : "(end)";
        if (std::strcmp(w, h) == 0) continue;
        std::fprintf(stderr, "%s: %s differs at line %zu\n  generated: %s\n  file:      %s\n", name,
                     path, i + 1, w, h);
        return 1;
    }
    return 0;
}

}  // namespace tools
