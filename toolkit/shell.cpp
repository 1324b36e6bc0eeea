// Shell operations of the toolkit: OpenInShell, OpenUrl, ThreadedVisit.
#include "toolkit/shell.h"

#include "platform/shell.h"
#include "base/text.h"
#include "toolkit/toolkit.h"

namespace yt {
namespace {

// True for the ASCII characters RFC 3986 does not allow anywhere in a URL.
bool needsEncoding(uint8_t c) {
    if (c <= 0x20 || c >= 0x7F) return true;
    switch (c) {
        case '"':
        case '<':
        case '>':
        case '\\':
        case '^':
        case '`':
        case '{':
        case '|':
        case '}':
            return true;
        default:
            return false;
    }
}

// Appends %XX for one byte.
void appendEscape(std::string& out, uint8_t byte) {
    static const char kHex[] = "0123456789ABCDEF";
    out += '%';
    out += kHex[byte >> 4];
    out += kHex[byte & 15];
}

}  // namespace

std::string EncodeUrlForShell(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto byte = static_cast<uint8_t>(c);
        if (!needsEncoding(byte)) {
            out += c;
        } else if (byte < 0x80) {
            appendEscape(out, byte);
        } else {
            std::string utf8;
            base::appendUtf8(utf8, base::cp1252ToCodepoint(byte));
            for (char u : utf8)
                appendEscape(out, static_cast<uint8_t>(u));
        }
    }
    return out;
}

int ThreadedVisit::Run() {
    if (!platform::shellOpen(target_, parameters_))
        DebugLog("ShellExecute failed for %s\n", target_.c_str());
    return kDeleteWhenDone;
}

int32_t OpenInShell(const std::string& target, const std::string& parameters, ShellRun how) {
    if (how == ShellRun::Now) return platform::shellOpen(target, parameters) ? 0 : -1;
    auto* visit = new ThreadedVisit(target, parameters);
    if (visit->Start() != 0) {
        delete visit;
        return -1;
    }
    return 0;
}

int32_t OpenUrl(const std::string& text, ShellRun how) {
    if (text.compare(0, 4, "http") != 0) return -1;
    return OpenInShell(EncodeUrlForShell(text), std::string(), how);
}

}  // namespace yt
