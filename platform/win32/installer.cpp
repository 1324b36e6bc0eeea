// The updater's system services on Windows: the installer's folder beside the program, folder
// creation with GetLastError codes, WinVerifyTrust and the signer's name through Crypt32 (loaded
// by name at run time), and ExitProcess.
#include <windows.h>
// wintrust.h and softpub.h need windows.h first.
#include <softpub.h>
#include <wintrust.h>

#include <string>
#include <vector>

#include "platform/installer.h"

namespace platform {
namespace {

std::wstring wide(const std::string& text) {
    const int n =
        MultiByteToWideChar(1252, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    if (n > 0)
        MultiByteToWideChar(1252, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

// The Authenticode signature alone: no window, no revocation checks, the file by path.
bool signatureHolds(const std::wstring& path) {
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    WINTRUST_FILE_INFO file = {};
    file.cbStruct = sizeof file;
    file.pcwszFilePath = path.c_str();
    WINTRUST_DATA data = {};
    data.cbStruct = sizeof data;
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwStateAction = 0;
    return WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data) == 0;
}

// Crypt32's functions as the signer check uses them, looked up by name.
using QueryObject = BOOL(WINAPI*)(DWORD, const void*, DWORD, DWORD, DWORD, DWORD*, DWORD*, DWORD*,
                                  HCERTSTORE*, HCRYPTMSG*, const void**);
using MsgGetParam = BOOL(WINAPI*)(HCRYPTMSG, DWORD, DWORD, void*, DWORD*);
using FindCertificate = PCCERT_CONTEXT(WINAPI*)(HCERTSTORE, DWORD, DWORD, DWORD, const void*,
                                                PCCERT_CONTEXT);
using GetNameString = DWORD(WINAPI*)(PCCERT_CONTEXT, DWORD, DWORD, void*, LPWSTR, DWORD);
using FreeCertificate = BOOL(WINAPI*)(PCCERT_CONTEXT);
using CloseStore = BOOL(WINAPI*)(HCERTSTORE, DWORD);
using MsgClose = BOOL(WINAPI*)(HCRYPTMSG);

// A function pointer from the library; null when it is not there.
template <typename F>
F lookUp(HMODULE library, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

// The name check: the simple display name of the certificate that signed the file.
SignatureCheck checkSigner(HMODULE crypt32, const std::wstring& path, const std::wstring& signer) {
    const auto query = lookUp<QueryObject>(crypt32, "CryptQueryObject");
    const auto getParam = lookUp<MsgGetParam>(crypt32, "CryptMsgGetParam");
    const auto find = lookUp<FindCertificate>(crypt32, "CertFindCertificateInStore");
    const auto getName = lookUp<GetNameString>(crypt32, "CertGetNameStringW");
    const auto freeCertificate = lookUp<FreeCertificate>(crypt32, "CertFreeCertificateContext");
    const auto closeStore = lookUp<CloseStore>(crypt32, "CertCloseStore");
    const auto closeMessage = lookUp<MsgClose>(crypt32, "CryptMsgClose");
    // Without any of them the signer cannot be known, and an unknown signer is not trusted.
    if (!query || !getParam || !find || !getName || !freeCertificate || !closeStore ||
        !closeMessage)
        return SignatureCheck::CheckFailed;

    DWORD encoding = 0, contentType = 0, formatType = 0;
    HCERTSTORE store = nullptr;
    HCRYPTMSG message = nullptr;
    if (!query(CERT_QUERY_OBJECT_FILE, path.c_str(), CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED_EMBED,
               CERT_QUERY_FORMAT_FLAG_BINARY, 0, &encoding, &contentType, &formatType, &store,
               &message, nullptr))
        return SignatureCheck::WrongSigner;

    SignatureCheck result = SignatureCheck::WrongSigner;
    DWORD size = 0;
    if (getParam(message, CMSG_SIGNER_INFO_PARAM, 0, nullptr, &size) &&
        size >= sizeof(CMSG_SIGNER_INFO)) {
        std::vector<unsigned char> buffer(size);
        if (getParam(message, CMSG_SIGNER_INFO_PARAM, 0, buffer.data(), &size)) {
            const auto* info = reinterpret_cast<const CMSG_SIGNER_INFO*>(buffer.data());
            CERT_INFO wanted = {};
            wanted.Issuer = info->Issuer;
            wanted.SerialNumber = info->SerialNumber;
            if (PCCERT_CONTEXT certificate = find(store, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0,
                                                  CERT_FIND_SUBJECT_CERT, &wanted, nullptr)) {
                const DWORD length =
                    getName(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, nullptr, 0);
                if (length > 0) {
                    std::wstring name(length, L'\0');
                    getName(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name.data(),
                            length);
                    if (lstrcmpW(name.c_str(), signer.c_str()) == 0)
                        result = SignatureCheck::Verified;
                }
                freeCertificate(certificate);
            }
        }
    }
    closeMessage(message);
    closeStore(store, 0);
    return result;
}

}  // namespace

InstallStyle installStyle() {
    return InstallStyle::DownloadAndRun;
}

const char* updateFeedPath() {
    return "/update/windows.json";
}

std::string installerPath() {
    char module[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string path(module, n < MAX_PATH ? n : 0);
    const size_t slash = path.find_last_of("\\/");
    return (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) +
           "update\\setup.exe";
}

uint32_t createFolder(const std::string& path) {
    if (CreateDirectoryA(path.c_str(), nullptr)) return 0;
    return GetLastError();
}

bool isFileSystemRoot(const std::string& folder) {
    // "C:" or "C:\" (and "\\server\share" style roots are never created either).
    if (folder.size() == 2 && folder[1] == ':') return true;
    if (folder.size() == 3 && folder[1] == ':' && (folder[2] == '\\' || folder[2] == '/'))
        return true;
    return folder == "\\" || folder == "/";
}

bool deleteFile(const std::string& path) {
    return DeleteFileA(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
}

SignatureCheck verifySignature(const std::string& path, const std::string& signer) {
    return verifySignature(path, signer, "Crypt32.dll");
}

SignatureCheck verifySignature(const std::string& path, const std::string& signer,
                               const char* certificateLibrary) {
    const std::wstring widePath = wide(path);
    if (!signatureHolds(widePath)) return SignatureCheck::BadSignature;
    HMODULE crypt32 = LoadLibraryA(certificateLibrary);
    if (!crypt32) return SignatureCheck::CheckFailed;
    const SignatureCheck result = checkSigner(crypt32, widePath, wide(signer));
    FreeLibrary(crypt32);
    return result;
}

void exitProcess(int code) {
    ExitProcess(static_cast<UINT>(code));
}

}  // namespace platform
