// The Windows program entry (GUI subsystem).
#include <windows.h>

#include <cstdio>

#include "app/entry.h"
#include "platform/gamma_range.h"

// A failing platform check (the administrator test of the range switch) ends here at the latest:
// nothing is thrown out of WinMain.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    try {
        return tintel::tintelMain(instance, commandLine ? commandLine : "");
    } catch (const platform::PlatformError& error) {
        std::fprintf(stderr, "Tintel: %s failed with error %lu.\n", error.what(),
                     static_cast<unsigned long>(error.code()));
        return 0;
    }
}
