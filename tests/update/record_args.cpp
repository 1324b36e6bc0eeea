// A program the shell tests start: appends its argument count and then each argument on a line of
// its own to args.log in the folder TINTEL_TEST_SCRATCH names.
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    const char* scratch = std::getenv("TINTEL_TEST_SCRATCH");
    if (!scratch) return 2;
    std::FILE* log = std::fopen((std::string(scratch) + "/args.log").c_str(), "ab");
    if (!log) return 3;
    std::fprintf(log, "%d\n", argc - 1);
    for (int i = 1; i < argc; ++i)
        std::fprintf(log, "%s\n", argv[i]);
    std::fclose(log);
    return 0;
}
