// A Windows-side probe for the end-to-end tests, run under Wine beside the program:
//   winprobe window CLASS TITLE   prints "none", "hidden" or "visible"
//   winprobe close CLASS TITLE    posts WM_CLOSE to the window (as the tray menu's exit item does)
//   winprobe dump KEY             prints every value of HKCU\KEY as "name=type:hexbytes"
//   winprobe delete KEY           deletes HKCU\KEY and everything below it
//   winprobe hklm-dword KEY NAME VALUE|-   sets (or with "-" deletes) a machine-wide DWORD
//   winprobe hklm-get KEY NAME    prints a machine-wide DWORD in the default and the 64-bit
//                                 registry views, "-" where it is absent
//   winprobe hkcu-dword KEY NAME VALUE     sets a DWORD of the current user (VALUE may be negative)
//   winprobe answer TITLE ID      answers the message box titled TITLE with button ID (6 yes, 7 no)
//   winprobe icon EXE             prints "icon 101:" and the square sizes of the icon group 101 in
//                                 the program EXE, each as Windows picks it for that size
//   winprobe gamma-set R G B      loads a ramp scaled by the three factors (in percent) on the
//                                 screen
//   winprobe gamma-get            prints the screen ramp's top entries of red, green and blue
//   winprobe layered CLASS TITLE  prints "layered" (per-pixel alpha), "plain" or "none"
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {

int window(const char* cls, const char* title) {
    HWND hwnd = FindWindowA(cls, title);
    std::puts(!hwnd ? "none" : IsWindowVisible(hwnd) ? "visible" : "hidden");
    return 0;
}

// Whether the window draws with per-pixel alpha (WS_EX_LAYERED): "layered", "plain" or "none".
int layered(const char* cls, const char* title) {
    HWND hwnd = FindWindowA(cls, title);
    std::puts(!hwnd                                                    ? "none"
              : (GetWindowLongPtrA(hwnd, GWL_EXSTYLE) & WS_EX_LAYERED) ? "layered"
                                                                       : "plain");
    return 0;
}

int close(const char* cls, const char* title) {
    HWND hwnd = FindWindowA(cls, title);
    if (!hwnd) return 1;
    return PostMessageA(hwnd, WM_CLOSE, 0, 0) ? 0 : 1;
}

int dump(const char* key) {
    HKEY k;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &k) != ERROR_SUCCESS) return 1;
    for (DWORD i = 0;; ++i) {
        char name[512];
        BYTE data[8192];
        DWORD nameSize = sizeof name, dataSize = sizeof data, type = 0;
        if (RegEnumValueA(k, i, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS)
            break;
        std::printf("%s=%lu:", name, static_cast<unsigned long>(type));
        for (DWORD b = 0; b < dataSize; ++b)
            std::printf("%02x", data[b]);
        std::printf("\n");
    }
    RegCloseKey(k);
    return 0;
}

int setDword(HKEY hive, const char* key, const char* name, const char* value) {
    HKEY k;
    if (RegCreateKeyExA(hive, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr) !=
        ERROR_SUCCESS)
        return 1;
    LONG status;
    if (std::strcmp(value, "-") == 0) {
        status = RegDeleteValueA(k, name);
        if (status == ERROR_FILE_NOT_FOUND) status = ERROR_SUCCESS;
    } else {
        const DWORD v = static_cast<DWORD>(std::strtol(value, nullptr, 10));
        status = RegSetValueExA(k, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
    }
    RegCloseKey(k);
    return status == ERROR_SUCCESS ? 0 : 1;
}

int hklmGet(const char* key, const char* name) {
    const REGSAM views[] = {0, KEY_WOW64_64KEY};
    for (REGSAM view : views) {
        HKEY k;
        DWORD value = 0, size = sizeof value, type = 0;
        LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ | view, &k);
        if (status == ERROR_SUCCESS) {
            status =
                RegQueryValueExA(k, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
            RegCloseKey(k);
        }
        if (status == ERROR_SUCCESS)
            std::printf("%lu ", static_cast<unsigned long>(value));
        else
            std::printf("- ");
    }
    std::printf("\n");
    return 0;
}

int gammaSet(int r, int g, int b) {
    WORD ramp[768];
    const int scale[3] = {r, g, b};
    for (int i = 0; i < 768; ++i)
        ramp[i] = static_cast<WORD>((i % 256) * 257 * scale[i / 256] / 100);
    HDC dc = GetDC(nullptr);
    const BOOL ok = SetDeviceGammaRamp(dc, ramp);
    ReleaseDC(nullptr, dc);
    return ok ? 0 : 1;
}

int gammaGet() {
    WORD ramp[768];
    HDC dc = GetDC(nullptr);
    const BOOL ok = GetDeviceGammaRamp(dc, ramp);
    ReleaseDC(nullptr, dc);
    if (!ok) return 1;
    std::printf("%u %u %u\n", ramp[255], ramp[511], ramp[767]);
    return 0;
}

}  // namespace

// The icon group 101 of a program, read as the shell reads it: for each size, the picture
// Windows chooses from the group must be exactly that size.
int icon(const char* program) {
    HMODULE module = LoadLibraryExA(program, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return 1;
    std::printf("icon 101:");
    HRSRC group =
        FindResourceA(module, MAKEINTRESOURCEA(101), MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
    HGLOBAL loaded = group ? LoadResource(module, group) : nullptr;
    auto* directory = loaded ? static_cast<BYTE*>(LockResource(loaded)) : nullptr;
    for (const int size : {16, 20, 24, 32, 48, 256}) {
        if (!directory) break;
        const int id = LookupIconIdFromDirectoryEx(directory, TRUE, size, size, LR_DEFAULTCOLOR);
        HRSRC picture = id ? FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(3))
                           : nullptr;  // RT_ICON
        HGLOBAL bits = picture ? LoadResource(module, picture) : nullptr;
        HICON handle = bits ? CreateIconFromResourceEx(static_cast<BYTE*>(LockResource(bits)),
                                                       SizeofResource(module, picture), TRUE,
                                                       0x00030000, size, size, LR_DEFAULTCOLOR)
                            : nullptr;
        ICONINFO info{};
        BITMAP colour{};
        if (handle && GetIconInfo(handle, &info) &&
            GetObjectA(info.hbmColor, sizeof colour, &colour) && colour.bmWidth == size &&
            colour.bmHeight == size)
            std::printf(" %d", size);
        if (info.hbmColor) DeleteObject(info.hbmColor);
        if (info.hbmMask) DeleteObject(info.hbmMask);
        if (handle) DestroyIcon(handle);
    }
    std::printf("\n");
    FreeLibrary(module);
    return 0;
}

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "window") == 0) return window(argv[2], argv[3]);
    if (argc == 4 && std::strcmp(argv[1], "close") == 0) return close(argv[2], argv[3]);
    if (argc == 4 && std::strcmp(argv[1], "layered") == 0) return layered(argv[2], argv[3]);
    if (argc == 3 && std::strcmp(argv[1], "dump") == 0) return dump(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "delete") == 0) {
        const LONG s = RegDeleteTreeA(HKEY_CURRENT_USER, argv[2]);
        return s == ERROR_SUCCESS || s == ERROR_FILE_NOT_FOUND ? 0 : 1;
    }
    if (argc == 4 && std::strcmp(argv[1], "answer") == 0) {
        HWND box = FindWindowA("#32770", argv[2]);
        return box && PostMessageA(box, WM_COMMAND, std::strtoul(argv[3], nullptr, 10), 0) ? 0 : 1;
    }
    if (argc == 5 && std::strcmp(argv[1], "gamma-set") == 0)
        return gammaSet(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]));
    if (argc == 2 && std::strcmp(argv[1], "gamma-get") == 0) return gammaGet();
    if (argc == 3 && std::strcmp(argv[1], "icon") == 0) return icon(argv[2]);
    if (argc == 5 && std::strcmp(argv[1], "hklm-dword") == 0)
        return setDword(HKEY_LOCAL_MACHINE, argv[2], argv[3], argv[4]);
    if (argc == 4 && std::strcmp(argv[1], "hklm-get") == 0) return hklmGet(argv[2], argv[3]);
    if (argc == 5 && std::strcmp(argv[1], "hkcu-dword") == 0)
        return setDword(HKEY_CURRENT_USER, argv[2], argv[3], argv[4]);
    std::fputs("usage: winprobe window|close|dump|delete|hklm-dword ...\n", stderr);
    return 2;
}
