// The bicubic node in a real scene drawn off screen: crop-to-fit and fitting place the picture
// where the geometry says, the scale clamp keeps a small picture small, and a provider's image
// arrives through the worker with its notices reaching the document.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "toolkit/bicubic_node.h"
#include "toolkit/draw_ui.h"
#include "toolkit/nodes.h"
#include "toolkit/toolkit.h"

namespace yt {
namespace {

constexpr uint32_t kBlack = 0xFF000000u, kRed = 0xFFFF0000u, kBlue = 0xFF0000FFu,
                   kGreen = 0xFF00FF00u;

class Scene : public ytDrawUI {
public:
    Scene(int width, int height) {
        Resize(width, height);
        SetRoot(new ytBGNode(kBlack));
    }
    intptr_t OnEvent(ytMessage& m) override {
        if (m.eventType == NamedNotice) notices.push_back(m.text);
        return 1000001;
    }
    std::vector<std::string> notices;
};

// w x h, the left half red and the right half blue.
ytBitmap halves(int w, int h) {
    ytBitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.row(y)[x] = x < w / 2 ? kRed : kBlue;
    return b;
}

// The toolkit runs (documents register their tick with it), and every node is gone at the end.
class BicubicNodeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(Start(nullptr, true), 0);
        live_ = LiveObjects();
    }
    void TearDown() override {
        EXPECT_EQ(LiveObjects(), live_) << "nodes left alive";
        Stop();
    }
    int live_ = 0;
};

struct Solid : ytImageProvider {
    int32_t GetImage(int32_t number, ytBitmap& bitmap, int, int, int) override {
        bitmap = ytBitmap(16, 16);
        std::fill(bitmap.pixels(), bitmap.pixels() + 256, number == 1 ? kGreen : kRed);
        return 0;
    }
};

TEST_F(BicubicNodeTest, PicturesFillFitOrStayWithinTheClamp) {
    const struct {
        const char* what;
        bool crop;
        float clamp;
        ytBitmap picture;
        // Points of the 60 x 40 window and the colour each must have.
        std::vector<std::pair<std::pair<int, int>, uint32_t>> expect;
    } cases[] = {
        // Twice as wide as the 40 x 20 node at (10, 10): cropped at both sides, the middle shown,
        // red left of the node's middle (x 30) and blue right of it, top to bottom.
        {"crop",
         true,
         0,
         halves(80, 20),
         {{{11, 10}, kRed},
          {{27, 29}, kRed},
          {{33, 10}, kBlue},
          {{48, 29}, kBlue},
          {{9, 15}, kBlack},
          {{50, 15}, kBlack}}},
        // Fitted: 40 x 10, with 5-pixel bands above and below.
        {"fit",
         false,
         0,
         halves(80, 20),
         {{{11, 15}, kRed},
          {{48, 24}, kBlue},
          {{20, 14}, kBlack},
          {{20, 25}, kBlack},
          {{10, 10}, kBlack}}},
        // A 10 x 10 picture with clamp 1: not enlarged, centred at (25, 15).
        {"clamp",
         true,
         1.0f,
         halves(10, 10),
         {{{25, 15}, kRed},
          {{34, 24}, kBlue},
          {{24, 20}, kBlack},
          {{35, 20}, kBlack},
          {{30, 14}, kBlack},
          {{30, 25}, kBlack}}},
    };
    for (const auto& c : cases) {
        Scene scene(60, 40);
        auto* node = new ytBicubicNode(40, 20);
        scene.Root()->AddChild(node);
        node->SetPosition(10, 10);
        node->SetCropToFit(c.crop);
        node->SetScaleClamp(c.clamp);
        node->SetSource(c.picture);
        scene.RenderFrame();
        for (const auto& [point, colour] : c.expect)
            EXPECT_EQ(scene.backBuffer().at(point.first, point.second), colour)
                << c.what << " at " << point.first << "," << point.second;
        EXPECT_TRUE(scene.notices.empty()) << c.what;
    }
}

TEST_F(BicubicNodeTest, ProviderImagesArriveThroughTheWorkerWithNotices) {
    Solid provider;
    Scene scene(40, 40);
    auto* node = new ytBicubicNode(20, 20);
    scene.Root()->AddChild(node);
    node->SetPosition(10, 10);
    node->SetBackgroundScaling(1.0f);
    node->SetProvider(&provider, 1);
    for (int i = 0; i < 2000 && scene.notices.size() < 2; ++i) {
        scene.RenderFrame();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    scene.RenderFrame();
    EXPECT_EQ(scene.notices, (std::vector<std::string>{"BicubicBeginThread", "BicubicEndThread"}));
    EXPECT_EQ(scene.backBuffer().at(15, 15), kGreen);
    EXPECT_EQ(scene.backBuffer().at(5, 5), kBlack);
}

}  // namespace
}  // namespace yt
