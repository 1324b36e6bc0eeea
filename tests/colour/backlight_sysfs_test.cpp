// readBacklight on Linux against folder trees laid out like /sys/class/backlight: the device
// chosen by its type among several, a device reached through a link, none, and devices whose
// files cannot be read.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>

#include "colour/backlight.h"
#include "platform/linux/backlight_sysfs.h"

namespace fs = std::filesystem;

namespace {

class BacklightSysfs : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device random;
        base_ = fs::temp_directory_path() / ("tintel-backlight-" + std::to_string(random()));
        root_ = base_ / "class";
        platform::setBacklightClassRoot(root_.string());
    }
    void TearDown() override {
        platform::setBacklightClassRoot("");
        fs::remove_all(base_);
    }
    // An empty class folder.
    void reset() {
        fs::remove_all(base_);
        fs::create_directories(root_);
    }
    // Writes one attribute file of a device under the class folder.
    void attribute(const std::string& device, const std::string& name, const std::string& text) {
        fs::create_directories(root_ / device);
        std::ofstream(root_ / device / name, std::ios::binary) << text;
    }
    void device(const std::string& name, const std::string& brightness, const std::string& max) {
        attribute(name, "brightness", brightness);
        attribute(name, "max_brightness", max);
    }
    // readBacklight with outputs that hold something else first; no reading leaves full ones.
    int32_t read() {
        levelFraction_ = 0.125f;
        position_ = 0.375f;
        const int32_t result = tintel::readBacklight(&levelFraction_, &position_);
        if (result != 0) {
            EXPECT_EQ(levelFraction_, 1.0f);
            EXPECT_EQ(position_, 1.0f);
        }
        return result;
    }

    fs::path base_;
    fs::path root_;
    float levelFraction_ = 0;
    float position_ = 0;
};

}  // namespace

TEST_F(BacklightSysfs, ReadsTheDeviceOfTheBestTypeWhateverTheNames) {
    // Firmware before platform before raw before no type; names only break ties.
    const struct {
        const char* devices[3][2];  // name and type ("" for none); positions 0.1, 0.2, 0.3
        float position;
    } cases[] = {
        {{{"acpi_video0", "firmware"}, {"intel_backlight", "raw"}}, 0.1f},
        {{{"intel_backlight", "raw"}, {"zz_acpi_video0", "firmware"}}, 0.2f},
        {{{"a_raw", "raw"}, {"b_platform", "platform"}, {"c_none", ""}}, 0.2f},
        {{{"b", ""}, {"a", ""}, {"c", "raw"}}, 0.3f},
        {{{"b", "raw"}, {"a", "raw"}}, 0.2f},
    };
    for (const auto& c : cases) {
        reset();
        std::string trace;
        for (int i = 0; i < 3 && c.devices[i][0]; ++i) {
            device(c.devices[i][0], std::to_string(i + 1) + "\n", "10\n");
            if (*c.devices[i][1])
                attribute(c.devices[i][0], "type", c.devices[i][1] + std::string("\n"));
            trace += std::string(c.devices[i][0]) + " ";
        }
        SCOPED_TRACE(trace);
        ASSERT_EQ(read(), 0);
        EXPECT_FLOAT_EQ(position_, c.position);
    }
    // The kernel's class folder holds links into /sys/devices; a stray file there is no device.
    reset();
    fs::create_directories(base_ / "devices" / "panel");
    std::ofstream(base_ / "devices" / "panel" / "brightness") << "0\n";
    std::ofstream(base_ / "devices" / "panel" / "max_brightness") << "255\n";
    std::ofstream(root_ / "aaa-not-a-device") << "x";
    fs::create_directory_symlink(base_ / "devices" / "panel", root_ / "panel");
    ASSERT_EQ(read(), 0);
    EXPECT_EQ(position_, 0.0f);
    EXPECT_EQ(levelFraction_, 0.0f);
}

TEST_F(BacklightSysfs, MissingUnreadableOrDamagedFilesGiveNoReading) {
    // The tests may run as root, who reads any file: unreadable here means a folder where the
    // file should be, a link to nowhere, or a missing file.
    const std::pair<const char*, std::function<void()>> trees[] = {
        {"no class folder", [] {}},
        {"no device", [this] { reset(); }},
        {"a folder as brightness",
         [this] {
             reset();
             fs::create_directories(root_ / "a" / "brightness");
             attribute("a", "max_brightness", "100\n");
         }},
        {"a link to nowhere",
         [this] {
             reset();
             attribute("b", "max_brightness", "100\n");
             fs::create_symlink(base_ / "nowhere", root_ / "b" / "brightness");
         }},
        {"no max_brightness",
         [this] {
             reset();
             attribute("c", "brightness", "50\n");
         }},
    };
    for (const auto& [what, make] : trees) {
        make();
        EXPECT_EQ(read(), -1) << what;
    }
    const std::pair<const char*, const char*> damaged[] = {
        {"", "100\n"},
        {"fifty\n", "100\n"},
        {"50 %\n", "100\n"},
        {"-5\n", "100\n"},
        {"50\n", "0\n"},
        {"101\n", "100\n"},
        {"50\n", "99999999999999999999999\n"},
    };
    reset();
    for (const auto& [brightness, max] : damaged) {
        device("d", brightness, max);
        EXPECT_EQ(read(), -1) << "brightness '" << brightness << "', max_brightness '" << max;
    }
    device("d", "50\n", "100\n");
    EXPECT_EQ(read(), 0) << "the same device reads once its files are sound";
}
