// Test roots on Windows: the certificate goes into the current user's "Root" system store for the
// life of the object.
#include <windows.h>
#include <wincrypt.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "platform/testing/trusted_root.h"

namespace platform::testing {

TrustedRoot::TrustedRoot(const std::string& pemFile) {
    std::ifstream in(pemFile, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    const std::string pem = text.str();
    if (pem.empty()) {
        error_ = "cannot read " + pemFile;
        return;
    }
    DWORD size = 0;
    if (!CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()),
                              CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr)) {
        error_ = "not a PEM certificate: " + pemFile;
        return;
    }
    std::vector<BYTE> der(size);
    CryptStringToBinaryA(pem.c_str(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER,
                         der.data(), &size, nullptr, nullptr);
    HCERTSTORE store =
        CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, "Root");
    if (!store) {
        error_ = "cannot open the current user's Root store";
        return;
    }
    store_ = store;
    PCCERT_CONTEXT added = nullptr;
    if (!CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(), size,
                                          CERT_STORE_ADD_REPLACE_EXISTING, &added)) {
        error_ = "CertAddEncodedCertificateToStore failed: " + std::to_string(GetLastError());
        return;
    }
    added_ = const_cast<CERT_CONTEXT*>(added);
    // The store is written back only when committed (or finally closed); the chain engine of the
    // HTTP code opens the store on its own and reads what was written.
    ok_ = CertControlStore(store, 0, CERT_STORE_CTRL_COMMIT, nullptr) != FALSE;
    if (!ok_) error_ = "cannot commit the Root store: " + std::to_string(GetLastError());
}

TrustedRoot::~TrustedRoot() {
    // CertDeleteCertificateFromStore frees the context as well.
    if (added_) CertDeleteCertificateFromStore(static_cast<PCCERT_CONTEXT>(added_));
    if (store_) {
        CertControlStore(static_cast<HCERTSTORE>(store_), 0, CERT_STORE_CTRL_COMMIT, nullptr);
        CertCloseStore(static_cast<HCERTSTORE>(store_), 0);
    }
}

}  // namespace platform::testing
