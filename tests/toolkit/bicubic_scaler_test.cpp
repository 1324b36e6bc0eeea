// The picture behind a bicubic node: sources (bitmap, JPEG file and memory, an image provider),
// rebuilds on a new size, the background worker with its notices, and failures that do not loop.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/pixels.h"
#include "toolkit/bicubic_scaler.h"

namespace yt {
namespace {

using testsupport::filled;

struct RecordingHost : ytScalerHost {
    std::vector<std::string> notices;
    int dirty = 0;
    void SendNamedNotice(const char* text) override { notices.push_back(text); }
    void MarkPictureDirty() override { ++dirty; }
};

// Image n is a solid picture of colour 0xFF000000 + n; image 13 cannot be made.
struct NumberedImages : ytImageProvider {
    std::atomic<int> calls{0};
    std::atomic<bool> onWindowThread{false};
    std::thread::id windowThread = std::this_thread::get_id();
    int32_t GetImage(int32_t number, ytBitmap& bitmap, int, int, int) override {
        ++calls;
        if (std::this_thread::get_id() == windowThread) onWindowThread = true;
        if (number == 13) return 5;
        bitmap = filled(40, 20, 0xFF000000u + static_cast<uint32_t>(number));
        return 0;
    }
};

// Runs frames until the worker has delivered (a bounded wait, not a timing assertion).
void frameUntilIdle(ytBicubicScaler& scaler, RecordingHost& host, int width, int height) {
    for (int i = 0; i < 2000; ++i) {
        scaler.Update(width, height, host);
        if (!scaler.WorkerBusy()) {
            scaler.Update(width, height, host);
            if (!scaler.WorkerBusy()) return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    FAIL() << "the worker never finished";
}

TEST(BicubicScalerTest, SourcesRebuildForTheirSizeOnTheWindowThread) {
    const std::string file = std::string(TINTEL_JPEG_DATA) + "/im-baseline.jpg";
    const std::vector<uint8_t> bytes = testsupport::readBytes(file);
    ASSERT_FALSE(bytes.empty());

    for (int source = 0; source < 3; ++source) {
        ytBicubicScaler scaler;
        if (source == 0)
            scaler.SetSource(filled(97, 61, 0xFF336699u));
        else if (source == 1)
            scaler.SetFile(file);
        else
            scaler.SetMemory(bytes.data(), bytes.size());
        RecordingHost host;
        EXPECT_TRUE(scaler.Update(50, 50, host)) << source;
        EXPECT_EQ(scaler.sourceWidth(), 97);
        // Crop-to-fit (the default) fills the box: the visible part is the whole box.
        EXPECT_EQ(scaler.scaled().width(), 50) << source;
        EXPECT_EQ(scaler.scaled().height(), 50) << source;
        EXPECT_FALSE(scaler.Update(50, 50, host)) << "same size: nothing to do";
        scaler.SetCropToFit(false);
        EXPECT_TRUE(scaler.Update(50, 50, host));
        EXPECT_EQ(scaler.scaled().width(), 50);
        EXPECT_EQ(scaler.scaled().height(), 31);  // 61 x 50 / 97, bands above and below
        EXPECT_EQ(scaler.fit().y, 9);
        EXPECT_TRUE(scaler.Update(200, 100, host)) << "a new size rebuilds";
        EXPECT_EQ(scaler.scaled().height(), 100);
        EXPECT_TRUE(host.notices.empty()) << "no worker without background scaling";
        EXPECT_EQ(host.dirty, 3);

        // Drawn at its size it lands pixel for pixel; at another size the mipmap stretches it.
        ytBitmap screen = filled(220, 120, 0xFF000000u);
        scaler.Draw(screen, ytRect{0, 0, 220, 120}, 10, 10, 200, 100, 256);
        const int left = 10 + scaler.fit().x;
        EXPECT_EQ(screen.at(left + 5, 50), scaler.scaled().at(5, 40));
        EXPECT_EQ(screen.at(left - 1, 50), 0xFF000000u)
            << "the band beside the picture is left alone";
    }

    ytBicubicScaler missing;
    missing.SetFile(std::string(TINTEL_JPEG_DATA) + "/no-such.jpg");
    RecordingHost host;
    EXPECT_FALSE(missing.Update(50, 50, host));
    EXPECT_FALSE(missing.Update(60, 50, host)) << "a failed source is not read again every frame";
    EXPECT_TRUE(missing.scaled().empty());
}

TEST(BicubicScalerTest, ProviderImagesComeFromTheWorkerWithNotices) {
    NumberedImages images;
    RecordingHost host;
    {
        ytBicubicScaler scaler;
        scaler.SetBackgroundScaling(1.0f);
        scaler.SetProvider(&images, 7);
        frameUntilIdle(scaler, host, 30, 30);
        EXPECT_EQ(scaler.deliveredImage(), 7);
        EXPECT_EQ(scaler.scaled().at(3, 3), 0xFF000007u);
        EXPECT_FALSE(images.onWindowThread) << "the provider runs on the worker";
        EXPECT_EQ(host.notices,
                  (std::vector<std::string>{"BicubicBeginThread", "BicubicEndThread"}));

        // Another image; then one the provider cannot make, which is not asked for again.
        scaler.SetImageNumber(8);
        frameUntilIdle(scaler, host, 30, 30);
        EXPECT_EQ(scaler.scaled().at(3, 3), 0xFF000008u);
        scaler.SetImageNumber(13);
        frameUntilIdle(scaler, host, 30, 30);
        const int calls = images.calls;
        frameUntilIdle(scaler, host, 30, 30);
        EXPECT_EQ(images.calls, calls);
        EXPECT_EQ(scaler.scaled().at(3, 3), 0xFF000008u) << "the last good picture stays";

        // A new size with a picture there: the worker resamples, the provider is not asked.
        frameUntilIdle(scaler, host, 60, 40);
        EXPECT_EQ(images.calls, calls);
        EXPECT_EQ(scaler.scaledForWidth(), 60);
        EXPECT_EQ(scaler.scaled().width(), 60);
    }
    // Without background scaling the provider is asked on the window thread, without notices.
    ytBicubicScaler scaler;
    RecordingHost quiet;
    scaler.SetProvider(&images, 9);
    EXPECT_TRUE(scaler.Update(30, 30, quiet));
    EXPECT_EQ(scaler.scaled().at(0, 0), 0xFF000009u);
    EXPECT_TRUE(images.onWindowThread);
    EXPECT_TRUE(quiet.notices.empty());
}

}  // namespace
}  // namespace yt
