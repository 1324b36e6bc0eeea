// readBacklight on Linux against folder trees laid out like /sys/class/backlight: a device, two
// devices, a device reached through a link, none, and devices whose files cannot be read.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
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
        fs::create_directories(root_);
        platform::setBacklightClassRoot(root_.string());
    }
    void TearDown() override {
        platform::setBacklightClassRoot("");
        fs::remove_all(base_);
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

    // readBacklight with outputs that hold something else first.
    int32_t read() {
        levelFraction_ = 0.125f;
        position_ = 0.375f;
        return tintel::readBacklight(&levelFraction_, &position_);
    }
    void expectNoReading() {
        EXPECT_EQ(read(), -1);
        EXPECT_EQ(levelFraction_, 1.0f);
        EXPECT_EQ(position_, 1.0f);
    }

    fs::path base_;
    fs::path root_;
    float levelFraction_ = 0;
    float position_ = 0;
};

}  // namespace

TEST_F(BacklightSysfs, ReadsTheFirstDeviceByName) {
    device("intel_backlight", "1200\n", "4800\n");
    ASSERT_EQ(read(), 0);
    EXPECT_FLOAT_EQ(levelFraction_, 0.25f);
    EXPECT_FLOAT_EQ(position_, 0.25f);

    device("acpi_video0", "3\n", "10\n");
    ASSERT_EQ(read(), 0);
    EXPECT_FLOAT_EQ(position_, 0.3f) << "acpi_video0 sorts before intel_backlight";
}

TEST_F(BacklightSysfs, FollowsTheLinkToTheDeviceFolder) {
    // The kernel's class folder holds links into /sys/devices; a stray file there is no device.
    fs::create_directories(base_ / "devices" / "panel");
    std::ofstream(base_ / "devices" / "panel" / "brightness") << "0\n";
    std::ofstream(base_ / "devices" / "panel" / "max_brightness") << "255\n";
    std::ofstream(root_ / "aaa-not-a-device") << "x";
    fs::create_directory_symlink(base_ / "devices" / "panel", root_ / "panel");
    ASSERT_EQ(read(), 0);
    EXPECT_EQ(position_, 0.0f);
    EXPECT_EQ(levelFraction_, 0.0f);
}

TEST_F(BacklightSysfs, NoDeviceGivesNoReading) {
    expectNoReading();
    platform::setBacklightClassRoot((base_ / "missing").string());
    expectNoReading();
}

TEST_F(BacklightSysfs, UnreadableOrDamagedFilesGiveNoReading) {
    // The tests may run as root, who reads any file: unreadable here means a folder where the
    // file should be, a link to nowhere, or a missing file.
    fs::create_directories(root_ / "a" / "brightness");
    attribute("a", "max_brightness", "100\n");
    expectNoReading();
    fs::remove_all(root_ / "a");

    fs::create_directories(root_ / "b");
    fs::create_symlink(base_ / "nowhere", root_ / "b" / "brightness");
    attribute("b", "max_brightness", "100\n");
    expectNoReading();
    fs::remove_all(root_ / "b");

    attribute("c", "brightness", "50\n");
    expectNoReading();
    fs::remove_all(root_ / "c");

    const std::pair<const char*, const char*> damaged[] = {
        {"", "100\n"},
        {"fifty\n", "100\n"},
        {"50 %\n", "100\n"},
        {"-5\n", "100\n"},
        {"50\n", "0\n"},
        {"101\n", "100\n"},
        {"50\n", "99999999999999999999999\n"},
    };
    for (const auto& [brightness, max] : damaged) {
        SCOPED_TRACE(std::string("brightness '") + brightness + "', max_brightness '" + max + "'");
        device("d", brightness, max);
        expectNoReading();
    }
    device("d", "50\n", "100\n");
    EXPECT_EQ(read(), 0) << "the same device reads once its files are sound";
}
