// Test roots on Linux: libcurl is pointed at the file by TINTEL_TEST_CA_FILE
// (platform/linux/http.cpp).
#include <stdlib.h>

#include "platform/testing/trusted_root.h"

namespace platform::testing {

TrustedRoot::TrustedRoot(const std::string& pemFile) {
    const char* set = getenv("TINTEL_TEST_CA_FILE");
    ok_ = set && pemFile == set;
    if (!ok_) error_ = "TINTEL_TEST_CA_FILE does not name " + pemFile;
}

TrustedRoot::~TrustedRoot() = default;

}  // namespace platform::testing
