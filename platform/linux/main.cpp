// The Linux program entry: the arguments joined by single blanks make the command line that the
// Windows build receives whole.
#include <string>

#include "app/entry.h"

int main(int argc, char** argv) {
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) commandLine += ' ';
        commandLine += argv[i];
    }
    return tintel::tintelMain(nullptr, commandLine);
}
