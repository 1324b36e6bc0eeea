// Installer verification under Wine with real signed files (tests/update/release_test.py makes
// them with openssl and osslsigncode and serves them from 127.0.0.1): the signature and the
// signer's exact name decide; a download that fails either is deleted and nothing runs.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/installer.h"
#include "platform/testing/trusted_root.h"
#include "tests/support/files.h"
#include "update/installer.h"

using namespace tintel;
using platform::SignatureCheck;
using testsupport::env;

TEST(Installer, OnlyTheRightSignerWithAnIntactSignatureIsRun) {
    const std::string dir = env("TINTEL_TEST_SIGNED_DIR");
    ASSERT_FALSE(dir.empty()) << "run through tests/update/release_test.py, which signs the files";
    platform::testing::TrustedRoot root{env("TINTEL_TEST_SIGN_ROOT")};
    ASSERT_TRUE(root.Ok()) << root.Error();
    const std::string site = "http://127.0.0.1:" + env("TINTEL_TEST_HTTP_PORT") + "/site/signed/";
    const struct {
        const char* file;
        const char* signer;
        const char* library;  // the certificate library, when not the usual one
        SignatureCheck check;
    } cases[] = {
        {"good", kInstallerSigner, nullptr, SignatureCheck::Verified},
        {"good", "brisbel", nullptr, SignatureCheck::WrongSigner},  // names compare exactly
        {"lowercase", kInstallerSigner, nullptr, SignatureCheck::WrongSigner},
        {"unsigned", kInstallerSigner, nullptr, SignatureCheck::BadSignature},
        {"tampered", kInstallerSigner, nullptr, SignatureCheck::BadSignature},
        {"untrusted", kInstallerSigner, nullptr, SignatureCheck::BadSignature},
        // A signer that cannot be examined is not trusted.
        {"good", kInstallerSigner, "no-such-library.dll", SignatureCheck::CheckFailed},
        {"good", kInstallerSigner, "kernel32.dll", SignatureCheck::CheckFailed},
        {"missing", kInstallerSigner, nullptr, SignatureCheck::BadSignature},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " by " + c.signer);
        const std::string file = dir + "\\" + c.file + ".exe";
        if (std::filesystem::exists(file)) {
            EXPECT_EQ(c.library ? platform::verifySignature(file, c.signer, c.library)
                                : platform::verifySignature(file, c.signer),
                      c.check);
        }
        if (c.check == SignatureCheck::Verified || c.library || c.signer != kInstallerSigner)
            continue;
        // Downloaded below two missing folders, checked, deleted; nothing remembered or released.
        const std::string folder =
            env("TINTEL_TEST_SCRATCH") + "\\installs\\" + std::to_string(++n) + "\\program\\update";
        bool remembered = false, released = false;
        const InstallSteps steps{[&](const std::string&) { remembered = true; },
                                 [&] { released = true; }};
        EXPECT_EQ(
            DownloadAndRunInstaller(site + c.file + ".exe", "9.9", folder + "\\setup.exe", steps),
            std::filesystem::exists(file) ? InstallResult::NotVerified
                                          : InstallResult::DownloadFailed);
        EXPECT_TRUE(std::filesystem::is_directory(folder));
        EXPECT_FALSE(std::filesystem::exists(folder + "\\setup.exe"));
        EXPECT_FALSE(remembered || released);
    }
}
