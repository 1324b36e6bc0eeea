// COM for the calling thread for the life of a scope (apartment-threaded unless told otherwise).
#pragma once

#include <objbase.h>

namespace platform {

class ComScope {
public:
    explicit ComScope(DWORD flags = COINIT_APARTMENTTHREADED)
        : ok_(SUCCEEDED(CoInitializeEx(nullptr, flags))) {}
    ~ComScope() {
        if (ok_) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    bool ok_;
};

}  // namespace platform
