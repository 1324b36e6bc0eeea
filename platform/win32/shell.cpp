// The shell's "open" on Windows: ShellExecuteW with the texts converted from Windows-1252.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include "platform/win32/com_scope.h"
#include "platform/shell.h"
#include "base/text.h"

namespace platform {
namespace {

// Windows-1252 to UTF-16 for the wide shell call.
std::wstring wide(const std::string& text) {
    std::wstring out;
    out.reserve(text.size());
    for (char c : text)
        out += static_cast<wchar_t>(base::cp1252ToCodepoint(static_cast<uint8_t>(c)));
    return out;
}

}  // namespace

bool shellOpen(const std::string& target, const std::string& parameters) {
    ComScope com(COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    const std::wstring file = wide(target);
    const std::wstring params = wide(parameters);
    const HINSTANCE result =
        ShellExecuteW(nullptr, L"open", file.c_str(), params.empty() ? nullptr : params.c_str(),
                      nullptr, SW_SHOW);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace platform
