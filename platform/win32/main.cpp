// The Windows program entry (GUI subsystem).
#include <windows.h>

#include "app/entry.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    return tintel::tintelMain(instance, commandLine ? commandLine : "");
}
