// Test support only (built into the tests, never into the program): makes the HTTP code trust a
// root certificate made for a test, for as long as the object lives.
//
// Linux: the HTTP code itself reads the environment variable TINTEL_TEST_CA_FILE, so nothing is
// done here. Windows: the certificate is added to the current user's trusted roots and removed
// again; the tests run in a private Wine prefix, so no real user's trust store is touched (on a
// real Windows desktop the system would ask the user first).
#pragma once

#include <string>

namespace platform::testing {

class TrustedRoot {
public:
    // `pemFile`: the certificate in PEM form.
    explicit TrustedRoot(const std::string& pemFile);
    ~TrustedRoot();
    TrustedRoot(const TrustedRoot&) = delete;
    TrustedRoot& operator=(const TrustedRoot&) = delete;

    // True when the certificate is trusted now; `Error` says why not.
    bool Ok() const { return ok_; }
    const std::string& Error() const { return error_; }

private:
    bool ok_ = false;
    std::string error_;
    void* store_ = nullptr;  // the platform's trust store, while the certificate is in it
    void* added_ = nullptr;  // the platform's record of the added certificate
};

}  // namespace platform::testing
