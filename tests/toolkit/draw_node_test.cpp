// The scene tree drawn off screen into a document's back buffer, and mouse input routed through
// it: exact pixels where the arithmetic is fixed, dirty rectangles, placement rules, matrices,
// hit testing, capture, buttons with their groups, aliases and target lists, sliders, tooltips.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <map>
#include <numbers>
#include <string>
#include <vector>

#include "base/messages.h"
#include "tests/support/pixels.h"
#include "tests/support/pump.h"
#include "toolkit/bicubic_node.h"
#include "toolkit/bitmap_ops.h"
#include "toolkit/button_node.h"
#include "toolkit/draw_ui.h"
#include "toolkit/folders.h"
#include "toolkit/font_cache.h"
#include "toolkit/nodes.h"
#include "toolkit/text_node.h"
#include "toolkit/toolkit.h"

namespace yt {
namespace {

// A document that records the events reaching OnEvent, and a name table for the buttons.
class Scene : public ytDrawUI, public ytNameLookup {
public:
    struct Event {
        uint32_t type;
        ytDrawNode* source;
        std::string text;
        bool operator==(const Event&) const = default;
    };
    Scene(int width, int height, ytDrawNode* root) {
        Resize(width, height);
        SetRoot(root);
        SetNameLookup(this);
    }
    ~Scene() override { SetNameLookup(nullptr); }
    intptr_t OnEvent(ytMessage& m) override {
        events.push_back({m.eventType, m.source, m.text});
        return answer;
    }
    intptr_t OnContextMenu(ytDrawNode* node) override {
        menuFor = node;
        return base::kHandled;
    }
    ytDrawNode* FindNode(const std::string& name) override {
        auto it = names.find(name);
        return it == names.end() ? nullptr : it->second;
    }
    template <class T>
    T* Add(T* node, ytDrawNode* parent = nullptr, const std::string& name = std::string()) {
        (parent ? parent : Root())->AddChild(node);
        if (!name.empty()) names[name] = node;
        return node;
    }
    intptr_t Click(float x, float y) {
        DispatchMouse(kMouseDown, x, y, kLeftButton);
        return DispatchMouse(kMouseUp, x, y, 0);
    }
    std::vector<Event> events;
    ytDrawNode* menuFor = nullptr;
    std::map<std::string, ytDrawNode*> names;
    intptr_t answer = base::kHandled;
};

class DrawNodes : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(Start(nullptr, true), 0);
        runtime_ = std::filesystem::temp_directory_path() / "tintel-draw-node-test";
        std::filesystem::create_directories(runtime_);
        SetRuntimeFolder(runtime_.string());
        live_ = LiveObjects();
    }
    void TearDown() override {
        EXPECT_EQ(LiveObjects(), live_) << "nodes left alive";
        SetRuntimeFolder("");
        Stop();
    }
    std::filesystem::path runtime_;
    int live_ = 0;
};

using testsupport::filled;
using testsupport::over;

constexpr uint32_t kBlack = 0xFF000000u, kWhite = 0xFFFFFFFFu, kRed = 0xFFFF0000u,
                   kGreen = 0xFF00FF00u, kBlue = 0xFF0000FFu;

// ---- drawing ------------------------------------------------------------------------------------

TEST_F(DrawNodes, ScenesDrawExactPixels) {
    struct Probe {
        int x, y;
        uint32_t expected;
    };
    struct Case {
        const char* what;
        uint32_t background;
        std::function<void(Scene&)> build;
        std::vector<Probe> probes;
    };
    const Case cases[] = {
        {"opaque rectangle",
         kBlue,
         [](Scene& s) { s.Add(new ytColorRectNode(3, 3, kRed))->SetPosition(2, 2); },
         {{2, 2, kRed}, {4, 4, kRed}, {1, 2, kBlue}, {5, 4, kBlue}, {2, 5, kBlue}}},
        {"half-transparent colour over white",
         kWhite,
         [](Scene& s) { s.Add(new ytColorRectNode(4, 4, 0x80400000u)); },
         {{0, 0, over(0x80400000u, kWhite)}, {3, 3, over(0x80400000u, kWhite)}, {4, 4, kWhite}}},
        {"opacities multiply down the tree",
         kBlack,
         [](Scene& s) {
             auto* group = s.Add(new ytDrawNode);
             group->SetOpacity(128);
             s.Add(new ytColorRectNode(4, 4, kRed), group)->SetOpacity(128);
         },
         {{1, 1, over(kRed, kBlack, 64)}}},
        {"use-alpha off copies the colour",
         kWhite,
         [](Scene& s) { s.Add(new ytColorRectNode(4, 4, 0x80800000u))->SetUseAlpha(false); },
         {{2, 2, 0x80800000u}}},
        {"a border of two nested outlines",
         kBlack,
         [](Scene& s) { s.Add(new ytColorRectNode(8, 6, kWhite))->SetBorder(2, kRed); },
         {{0, 0, kRed}, {1, 1, kRed}, {7, 5, kRed}, {6, 2, kRed}, {2, 2, kWhite}, {5, 3, kWhite}}},
        {"a clipping container",
         kBlue,
         [](Scene& s) {
             auto* box = s.Add(new ytDrawNode);
             box->SetClip(ytRect{0, 0, 4, 3});
             s.Add(new ytColorRectNode(8, 8, kRed), box);
         },
         {{3, 2, kRed}, {4, 2, kBlue}, {3, 3, kBlue}}},
        {"hidden nodes draw nothing",
         kBlue,
         [](Scene& s) {
             auto* group = s.Add(new ytDrawNode);
             s.Add(new ytColorRectNode(4, 4, kRed), group);
             group->Hide();
         },
         {{1, 1, kBlue}}},
        {"a bitmap blended at an opacity, at its rounded position",
         kBlack,
         [](Scene& s) {
             auto* n = s.Add(new ytBitmapNode(filled(2, 2, kGreen)));
             n->SetPosition(2.6f, 1.4f);
             n->SetOpacity(192);
         },
         {{3, 1, over(kGreen, kBlack, 192)},
          {4, 2, over(kGreen, kBlack, 192)},
          {2, 1, kBlack},
          {5, 1, kBlack}}},
        {"a bitmap scaled by two",
         kBlack,
         [](Scene& s) { s.Add(new ytBitmapNode(filled(2, 2, kRed)))->SetScale(2, 2); },
         {{1, 1, kRed}, {2, 2, kRed}, {5, 5, kBlack}}},
        {"a picture twice as wide as its bicubic node, cropped to fit",
         kBlack,
         [](Scene& s) {
             ytBitmap halves = filled(16, 4, kRed);
             FillRect(halves, ytRect{8, 0, 16, 4}, kBlue);
             auto* n = s.Add(new ytBicubicNode(8, 4));
             n->SetPosition(2, 2);
             n->SetSource(halves);
         },
         {{2, 2, kRed},
          {5, 5, kRed},
          {6, 2, kBlue},
          {9, 5, kBlue},
          {1, 3, kBlack},
          {10, 3, kBlack}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Scene scene(12, 10, new ytBGNode(c.background));
        c.build(scene);
        const ytRect drawn = scene.RenderFrame();
        EXPECT_EQ(drawn, (ytRect{0, 0, 12, 10}));
        for (const Probe& p : c.probes)
            EXPECT_EQ(scene.backBuffer().at(p.x, p.y), p.expected)
                << "at " << p.x << "," << p.y << std::hex << " got "
                << scene.backBuffer().at(p.x, p.y);
    }
}

// ---- placement and matrices ---------------------------------------------------------------------

// ---- mouse routing ------------------------------------------------------------------------------

ytButtonNode* button(Scene& s, float x, float y, const std::string& name,
                     ytDrawNode* parent = nullptr) {
    auto* b = s.Add(new ytButtonNode(10, 10), parent, name);
    b->SetStateImage(0, filled(10, 10, kRed));
    b->SetPosition(x, y);
    return b;
}

TEST_F(DrawNodes, HitTestingRoutesFrontToBack) {
    Scene scene(60, 40, new ytBGNode(kBlack));
    auto* back = button(scene, 0, 0, "back");
    auto* front = button(scene, 5, 5, "front");
    auto* clipped = scene.Add(new ytDrawNode);
    clipped->SetPosition(30, 0);
    clipped->SetClip(ytRect{0, 0, 5, 5});
    auto* inClip = button(scene, 0, 0, "inclip", clipped);
    auto* scaled = scene.Add(new ytDrawNode);
    scaled->SetPosition(40, 20);
    scaled->SetScale(2, 2);
    auto* big = button(scene, 0, 0, "big", scaled);
    auto* pixels = button(scene, 20, 20, "pixels");
    ytBitmap half = filled(10, 10, kRed);
    FillRect(half, ytRect{0, 0, 5, 10}, 0);  // the left half transparent
    pixels->SetStateImage(0, std::move(half));
    pixels->SetHitByPixels(true);
    scene.RenderFrame();

    struct Case {
        std::function<void()> change;
        float x, y;
        ytDrawNode* clicked;  // null: nobody
    };
    const Case cases[] = {
        {[] {}, 7, 7, front},
        {[] {}, 2, 2, back},
        {[&] { front->Hide(); }, 7, 7, back},
        {[&] { back->SetDisabled(true); }, 2, 2, nullptr},
        {[] {}, 32, 2, inClip},
        {[] {}, 36, 6, nullptr},   // inside the button, outside its parent's clip
        {[] {}, 59, 39, big},      // the 10 x 10 button scaled by two
        {[] {}, 22, 22, nullptr},  // a transparent pixel
        {[] {}, 27, 22, pixels},
        {[&] { scaled->Hide(); }, 59, 39, nullptr},  // children of a hidden node
    };
    for (const Case& c : cases) {
        c.change();
        scene.events.clear();
        scene.Click(c.x, c.y);
        SCOPED_TRACE(::testing::Message() << c.x << "," << c.y);
        if (c.clicked)
            EXPECT_EQ(scene.events, (std::vector<Scene::Event>{{ButtonClicked, c.clicked, ""}}));
        else
            EXPECT_TRUE(scene.events.empty());
    }
}

// Gestures from a quiet start: the clicks they make, the node whose context menu opens.
TEST_F(DrawNodes, PressCapturesAndReleaseDecides) {
    Scene scene(60, 20, new ytBGNode(kBlack));
    auto* a = button(scene, 0, 0, "a");
    auto* b = button(scene, 20, 0, "b");
    auto* c = button(scene, 40, 0, "c");
    c->SetActOnPress(true);
    auto* knob = scene.Add(new ytColorRectNode(4, 4, kWhite));
    knob->SetPosition(50, 12);
    knob->SetDraggable(true);
    struct Step {
        MouseKind kind;
        float x, y;
        uint32_t buttons;
    };
    const struct {
        const char* what;
        std::vector<Step> steps;
        std::vector<Scene::Event> events;
        ytDrawNode* menuFor;
    } gestures[] = {
        {"pressed on a, released on b",
         {{kMouseDown, 5, 5, kLeftButton}, {kMouseDrag, 25, 5, kLeftButton}, {kMouseUp, 25, 5, 0}},
         {},
         nullptr},
        {"off a and back before the release",
         {{kMouseDown, 5, 5, kLeftButton},
          {kMouseDrag, 25, 5, kLeftButton},
          {kMouseDrag, 6, 6, kLeftButton},
          {kMouseUp, 6, 6, 0}},
         {{ButtonClicked, a, ""}},
         nullptr},
        {"the right button during a left press",
         {{kMouseDown, 5, 5, kLeftButton}, {kMouseRightDown, 25, 5, kLeftButton | kRightButton}},
         {},
         b},
        {"act on press",
         {{kMouseDown, 45, 5, kLeftButton}, {kMouseUp, 45, 5, 0}},
         {{ButtonClicked, c, ""}},
         nullptr},
        {"a draggable node",
         {{kMouseDown, 51, 13, kLeftButton},
          {kMouseDrag, 41, 15, kLeftButton},
          {kMouseUp, 41, 15, 0}},
         {{ValueChanged, knob, ""}, {DragFinished, knob, ""}},
         nullptr},
    };
    for (const auto& g : gestures) {
        SCOPED_TRACE(g.what);
        scene.events.clear();
        scene.menuFor = nullptr;
        for (const Step& step : g.steps)
            scene.DispatchMouse(step.kind, step.x, step.y, step.buttons);
        EXPECT_EQ(scene.events, g.events);
        EXPECT_EQ(scene.menuFor, g.menuFor);
        EXPECT_EQ(scene.Capture(0), nullptr);
        EXPECT_FALSE(a->pressed());
    }
    EXPECT_FLOAT_EQ(knob->x(), 40);
    EXPECT_FLOAT_EQ(knob->y(), 14);

    // Hover moves: over b with the cursor it asks for, then away (b loses the hover).
    b->SetTextCursor(true);
    scene.DispatchMouse(kMouseHover, 25, 5, 0);
    EXPECT_TRUE(b->hover());
    EXPECT_EQ(scene.cursor(), CursorKind::kText);
    scene.DispatchMouse(kMouseHover, 35, 15, 0);
    EXPECT_FALSE(b->hover());
    EXPECT_EQ(scene.cursor(), CursorKind::kNone);
}

// ---- buttons: groups, aliases, targets ----------------------------------------------------------

// ---- sliders, tooltips, repeats, texts ----------------------------------------------------------

TEST_F(DrawNodes, SliderDragsReportValuesThenTheEnd) {
    Scene scene(200, 20, new ytBGNode(kBlack));
    auto* track = scene.Add(new ytColorRectNode(100, 10, kWhite));
    track->SetPosition(10, 0);
    track->AddHandler(new ytSliderHandler);
    auto* thumb = scene.Add(new ytColorRectNode(10, 10, kRed), track);
    thumb->AddConstraint(Axis::kX, ytConstraint::Range(0, 0, 0, 1, -10));  // lo 0, hi 90
    scene.RenderFrame();

    float v = -1;
    const auto value = [&] {
        EXPECT_EQ(ytSliderHandler::GetValue(track, &v), 0);
        return v;
    };
    EXPECT_EQ(scene.DispatchMouse(kMouseDown, 3, 5, kLeftButton), base::kNotHandled)
        << "outside the track widened by half a thumb";
    EXPECT_EQ(scene.DispatchMouse(kMouseDown, 6, 5, kLeftButton), base::kHandled);
    EXPECT_FLOAT_EQ(value(), 0);
    scene.DispatchMouse(kMouseDrag, 60, 5, kLeftButton);  // the thumb's centre under the pointer
    EXPECT_FLOAT_EQ(thumb->x(), 45);
    EXPECT_FLOAT_EQ(value(), 0.5f);
    scene.DispatchMouse(kMouseDrag, 190, 5, kLeftButton);
    EXPECT_FLOAT_EQ(value(), 1);
    scene.DispatchMouse(kMouseUp, 190, 5, 0);
    EXPECT_EQ(scene.events, (std::vector<Scene::Event>{{ValueChanged, track, ""},
                                                       {ValueChanged, track, ""},
                                                       {ValueChanged, track, ""},
                                                       {DragFinished, track, ""}}));
    // A value outside 0..1 is held by the thumb's range rule.
    EXPECT_EQ(ytSliderHandler::SetValue(track, 1.5f), 0);
    scene.RenderFrame();
    EXPECT_FLOAT_EQ(value(), 1);
    EXPECT_EQ(ytSliderHandler::SetValue(scene.Root(), 0.5f), 4);
}

}  // namespace
}  // namespace yt
