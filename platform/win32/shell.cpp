// The shell's "open" on Windows: ShellExecuteW with the texts converted from Windows-1252.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include "platform/shell.h"
#include "toolkit/text.h"

namespace platform {
namespace {

// Windows-1252 to UTF-16 for the wide shell call.
std::wstring wide(const std::string& text) {
    std::wstring out;
    out.reserve(text.size());
    for (char c : text)
        out += static_cast<wchar_t>(yt::cp1252ToCodepoint(static_cast<uint8_t>(c)));
    return out;
}

// COM for the calling thread while the shell runs its handlers (ShellExecute asks for it).
class ComScope {
public:
    ComScope()
        : ok_(SUCCEEDED(
              CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
    ~ComScope() {
        if (ok_) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    bool ok_;
};

}  // namespace

bool shellOpen(const std::string& target, const std::string& parameters) {
    ComScope com;
    const std::wstring file = wide(target);
    const std::wstring params = wide(parameters);
    const HINSTANCE result =
        ShellExecuteW(nullptr, L"open", file.c_str(), params.empty() ? nullptr : params.c_str(),
                      nullptr, SW_SHOW);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace platform
