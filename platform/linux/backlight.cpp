// The panel backlight through the kernel's backlight class: one device under
// /sys/class/backlight, chosen by its "type" attribute, and its "brightness" and
// "max_brightness" files (decimal integers).
#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/backlight.h"
#include "platform/linux/backlight_sysfs.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

constexpr const char* kKernelRoot = "/sys/class/backlight";

std::mutex g_rootLock;
std::string g_root;  // empty: the kernel's folder

// Reads a sysfs attribute holding one non-negative decimal integer and a line end; nothing when
// the file cannot be read or holds anything else.
std::optional<int64_t> readAttribute(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    char text[64];
    in.read(text, sizeof text);
    const std::streamsize size = in.gcount();
    if (in.bad() || size <= 0 || size == static_cast<std::streamsize>(sizeof text))
        return std::nullopt;
    int64_t value = 0;
    const char* end = text + size;
    const auto [rest, error] = std::from_chars(text, end, value);
    if (error != std::errc() || value < 0) return std::nullopt;
    if (!std::all_of(rest, static_cast<const char*>(end),
                     [](char c) { return c == '\n' || c == ' ' || c == '\t' || c == '\r'; }))
        return std::nullopt;
    return value;
}

// How strongly a device is preferred, by its "type" attribute, lowest first. The kernel's
// documentation (ABI sysfs-class-backlight) asks user space to prefer firmware interfaces (ACPI)
// to platform ones and those to raw register access; a device without a known type comes last.
int typeRank(const fs::path& device) {
    std::ifstream in(device / "type", std::ios::binary);
    std::string type;
    if (!std::getline(in, type)) return 3;
    if (type == "firmware") return 0;
    if (type == "platform") return 1;
    if (type == "raw") return 2;
    return 3;
}

// The device folder to read under root: the best type, and among equals the name that sorts
// first; empty when there is none. The entries are normally links to the device's folder, so
// links are followed.
fs::path chooseDevice(const fs::path& root) {
    std::error_code error;
    fs::directory_iterator it(root, error);
    if (error) return {};
    std::vector<fs::path> devices;
    for (; it != fs::directory_iterator(); it.increment(error)) {
        if (error) break;
        std::error_code typeError;
        if (fs::is_directory(it->path(), typeError)) devices.push_back(it->path());
    }
    if (devices.empty()) return {};
    std::vector<std::pair<int, fs::path>> ranked;
    for (const fs::path& device : devices)
        ranked.emplace_back(typeRank(device), device);
    return std::min_element(ranked.begin(), ranked.end())->second;
}

}  // namespace

std::string backlightClassRoot() {
    std::lock_guard<std::mutex> hold(g_rootLock);
    return g_root.empty() ? std::string(kKernelRoot) : g_root;
}

void setBacklightClassRoot(const std::string& root) {
    std::lock_guard<std::mutex> hold(g_rootLock);
    g_root = root;
}

// Reads brightness and max_brightness of the preferred backlight device.
bool queryPanelBacklight(PanelBacklight* out) {
    const fs::path device = chooseDevice(backlightClassRoot());
    if (device.empty()) return false;
    const std::optional<int64_t> brightness = readAttribute(device / "brightness");
    const std::optional<int64_t> maxBrightness = readAttribute(device / "max_brightness");
    if (!brightness || !maxBrightness) return false;
    *out = PanelBacklight{};
    out->scale = PanelBacklight::Scale::Range;
    out->brightness = *brightness;
    out->maxBrightness = *maxBrightness;
    return true;
}

}  // namespace platform
