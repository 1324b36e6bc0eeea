// Installer verification under Wine with real signed files (tests/update/release_test.py makes
// them with openssl and osslsigncode and serves them from 127.0.0.1): the signature and the
// signer's exact name decide; a file that fails is deleted; the folder is made on the way.
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

namespace {

class Installer : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(env("TINTEL_TEST_SIGNED_DIR").empty())
            << "run through tests/update/release_test.py, which signs the files";
        ASSERT_TRUE(root_.Ok()) << root_.Error();
    }
    std::string signedFile(const std::string& name) {
        return env("TINTEL_TEST_SIGNED_DIR") + "\\" + name + ".exe";
    }
    platform::testing::TrustedRoot root_{env("TINTEL_TEST_SIGN_ROOT")};
};

}  // namespace

TEST_F(Installer, OnlyTheRightSignerWithAnIntactSignaturePasses) {
    const struct {
        const char* file;
        SignatureCheck expected;
    } cases[] = {
        {"good", SignatureCheck::Verified},          {"lowercase", SignatureCheck::WrongSigner},
        {"unsigned", SignatureCheck::BadSignature},  {"tampered", SignatureCheck::BadSignature},
        {"untrusted", SignatureCheck::BadSignature},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        EXPECT_EQ(platform::verifySignature(signedFile(c.file), kInstallerSigner), c.expected);
    }
    // The name is compared exactly: another expected name fails the same good file.
    EXPECT_EQ(platform::verifySignature(signedFile("good"), "brisbel"),
              SignatureCheck::WrongSigner);
    // A good signature whose signer cannot be examined is not trusted: no certificate library, or
    // one without the functions the name check needs.
    for (const char* library : {"no-such-library.dll", "kernel32.dll"}) {
        SCOPED_TRACE(library);
        EXPECT_EQ(platform::verifySignature(signedFile("good"), kInstallerSigner, library),
                  SignatureCheck::CheckFailed);
    }
}

TEST_F(Installer, FailedDownloadsAndChecksLeaveNothingAndRememberNothing) {
    const std::string base = env("TINTEL_TEST_SCRATCH") + "\\installs";
    const std::string site = "http://127.0.0.1:" + env("TINTEL_TEST_HTTP_PORT") + "/site/signed/";
    const struct {
        const char* name;
        const char* served;
        InstallResult expected;
    } cases[] = {
        {"unsigned", "unsigned.exe", InstallResult::NotVerified},
        {"tampered", "tampered.exe", InstallResult::NotVerified},
        {"wrong signer", "lowercase.exe", InstallResult::NotVerified},
        {"untrusted", "untrusted.exe", InstallResult::NotVerified},
        {"missing", "missing.exe", InstallResult::DownloadFailed},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // Two folders above the installer are missing.
        const std::string folder = base + "\\" + std::to_string(++n) + "\\program\\update";
        const std::string path = folder + "\\setup.exe";
        bool remembered = false, released = false;
        InstallSteps steps;
        steps.remember = [&](const std::string&) { remembered = true; };
        steps.releaseInstance = [&] { released = true; };
        EXPECT_EQ(DownloadAndRunInstaller(site + c.served, "9.9", path, steps), c.expected);
        EXPECT_TRUE(std::filesystem::is_directory(folder));
        EXPECT_FALSE(std::filesystem::exists(path));
        EXPECT_FALSE(remembered);
        EXPECT_FALSE(released);
    }
}
