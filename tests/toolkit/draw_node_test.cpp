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

// Rounded rectangles with borders and ellipses, every pixel against their coverage worked out
// here: the pixel's centre against the shape, with a one-pixel linear edge on the curves.
TEST_F(DrawNodes, ShapesMatchTheirCoverageEverywhere) {
    const auto rounded = [](double x, double y, double w, double h, double r, double inset) {
        x -= inset, y -= inset, w -= 2 * inset, h -= 2 * inset, r = std::max(r - inset, 0.0);
        if (x < 0 || y < 0 || x >= w || y >= h) return 0.0;
        const double cx = std::clamp(x, r, w - r), cy = std::clamp(y, r, h - r);
        if (r == 0 || cx == x || cy == y) return 1.0;
        return std::clamp(r - std::hypot(x - cx, y - cy) + 0.5, 0.0, 1.0);
    };
    const auto ellipse = [](double x, double y, double w, double h) {
        if (x < 0 || y < 0 || x >= w || y >= h) return 0.0;
        const double d = std::hypot((x - w / 2) / (w / 2), (y - h / 2) / (h / 2));
        return std::clamp((1 - d) * std::min(w, h) / 2 + 0.5, 0.0, 1.0);
    };
    const uint32_t fill = 0xC0806040u, line = 0xFF2040FFu, bg = 0xFF101010u;
    Scene scene(40, 30, new ytBGNode(bg));
    auto* rect = scene.Add(new ytColorRectNode(20, 14, fill));
    rect->SetPosition(1, 2);
    rect->SetCornerRadius(5);
    rect->SetBorder(2, line);
    rect->SetOpacity(200);
    auto* oval = scene.Add(new ytColorCircleNode(15, 25, 0xFF00FF00u));
    oval->SetPosition(23, 3);
    scene.RenderFrame();
    const auto cover = [](double c) { return int(std::lround(c * 256)); };
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            uint32_t expected = bg;
            const double outer = rounded(x + 0.5 - 1, y + 0.5 - 2, 20, 14, 5, 0);
            const double inner = rounded(x + 0.5 - 1, y + 0.5 - 2, 20, 14, 5, 2);
            if (inner > 0) expected = over(fill, expected, 200 * cover(inner) / 256);
            if (cover(outer) > cover(inner))
                expected = over(line, expected, 200 * (cover(outer) - cover(inner)) / 256);
            const double o = ellipse(x + 0.5 - 23, y + 0.5 - 3, 15, 25);
            if (x >= 23 && o > 0) expected = over(0xFF00FF00u, expected, cover(o));
            ASSERT_EQ(scene.backBuffer().at(x, y), expected) << x << "," << y;
        }
}

TEST_F(DrawNodes, FramesRedrawOnlyWhatChanged) {
    Scene scene(40, 20, new ytBGNode(kBlack));
    auto* a = scene.Add(new ytColorRectNode(5, 5, kRed));
    auto* b = scene.Add(new ytColorRectNode(5, 5, kGreen));
    b->SetPosition(30, 10);
    EXPECT_EQ(scene.RenderFrame(), (ytRect{0, 0, 40, 20}));
    EXPECT_TRUE(scene.RenderFrame().empty()) << "nothing changed";

    // A marker outside every change survives the frames below: they do not touch it.
    const uint32_t marker = 0xFF123456u;
    scene.backBuffer().row(15)[20] = marker;

    a->SetColour(kBlue);
    EXPECT_EQ(scene.RenderFrame(), (ytRect{0, 0, 5, 5}));
    EXPECT_EQ(scene.backBuffer().at(2, 2), kBlue);

    b->SetPosition(25, 12);  // the old and the new place
    EXPECT_EQ(scene.RenderFrame(), (ytRect{25, 10, 35, 17}));
    EXPECT_EQ(scene.backBuffer().at(32, 10), kBlack);
    EXPECT_EQ(scene.backBuffer().at(25, 16), kGreen);

    a->Hide();
    EXPECT_EQ(scene.RenderFrame(), (ytRect{0, 0, 5, 5}));
    EXPECT_EQ(scene.backBuffer().at(2, 2), kBlack);

    b->Show();  // already visible: nothing to do
    EXPECT_EQ(b->dirty() & kDirtyAll, 0u);
    EXPECT_TRUE(scene.RenderFrame().empty());
    EXPECT_EQ(scene.backBuffer().at(20, 15), marker);

    // Two changes far apart stay two rectangles; taking a node out redraws where it was.
    a->Show();
    b->SetColour(kWhite);
    scene.RenderFrame();
    EXPECT_EQ(scene.lastDirtyRects().size(), 2u);
    scene.Root()->RemoveChild(b);
    EXPECT_EQ(scene.RenderFrame(), (ytRect{25, 12, 30, 17}));
    EXPECT_EQ(scene.backBuffer().at(27, 14), kBlack);
    EXPECT_EQ(scene.backBuffer().at(20, 15), marker);
}

// ---- placement and matrices ---------------------------------------------------------------------

TEST_F(DrawNodes, PlacementRulesFollowTheParent) {
    struct Case {
        const char* what;
        std::vector<ytConstraint> rules;
        float start;  // the child's x before the rules apply
        float x100, stretch100, x200, stretch200;
    };
    const ytConstraint left5 = ytConstraint::Rule(0, 0, 5), right5 = ytConstraint::Rule(1, 1, -5),
                       range = ytConstraint::Range(0, 0, 10, 1, -30),
                       left99 = ytConstraint::Rule(0, 0, 99);
    const Case cases[] = {
        {"right edge anchor (0, 1, -10)", {ytConstraint::Rule(0, 1, -10)}, 0, 90, 1, 190, 1},
        {"centred (0.5, 0.5, 0)", {ytConstraint::Rule(0.5f, 0.5f, 0)}, 0, 40, 1, 90, 1},
        {"stretched between (0, 0, 5) and (1, 1, -5)", {left5, right5}, 0, 5, 4.5f, 5, 9.5f},
        {"range (0, 0, 10) to (1, -30) kept inside", {range}, 50, 50, 1, 50, 1},
        {"range from below", {range}, 0, 10, 1, 10, 1},
        {"range from above", {range}, 95, 70, 1, 70, 1},
        {"a third rule drops the oldest", {left99, left5, right5}, 0, 5, 4.5f, 5, 9.5f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Scene scene(300, 60, new ytBGNode(kBlack));
        auto* parent = scene.Add(new ytColorRectNode(100, 50, kBlack));
        auto* child = scene.Add(new ytColorRectNode(20, 10, kRed), parent);
        child->SetPosition(c.start, 3);
        for (const ytConstraint& r : c.rules)
            child->AddConstraint(Axis::kX, r);
        EXPECT_LE(child->ConstraintCount(Axis::kX), 2);
        scene.RenderFrame();
        EXPECT_FLOAT_EQ(child->x(), c.x100);
        EXPECT_FLOAT_EQ(child->stretchX(), c.stretch100);
        EXPECT_FLOAT_EQ(child->y(), 3);
        parent->SetSize(200, 50);
        scene.RenderFrame();
        EXPECT_FLOAT_EQ(child->x(), c.x200);
        EXPECT_FLOAT_EQ(child->stretchX(), c.stretch200);
        // What is drawn follows: the child's pixels span its placed and stretched extent.
        const ytRect bounds = child->WindowBounds();
        EXPECT_EQ(bounds.left, int(c.x200));
        EXPECT_EQ(bounds.right, int(std::lround(c.x200 + 20 * c.stretch200)));
    }
}

TEST_F(DrawNodes, MatricesComposePivotRotationScaleAndStretch) {
    auto* root = new ytDrawNode;
    Scene scene(10, 10, root);
    auto* group = scene.Add(new ytDrawNode);
    group->SetPosition(100, 50);
    auto* n = scene.Add(new ytColorRectNode(4, 4, kRed), group);
    const float x = 10, y = 20, px = 3, py = 5, a = 0.7f, sx = 2, sy = 1.5f, tx = 1.25f, ty = 3;
    n->SetPosition(x, y);
    n->SetPivot(px, py);
    n->SetAngle(a);
    n->SetScale(sx, sy);
    n->SetStretch(tx, ty);
    scene.RenderFrame();
    // translate(x + px, y + py) . scale(sx, sy) . rotate(a) . scale(tx, ty) . translate(-px, -py),
    // applied to points one step at a time.
    const auto expect = [&](double u, double v) {
        u -= px, v -= py;
        u *= tx, v *= ty;
        const double ru = u * std::cos(a) - v * std::sin(a), rv = u * std::sin(a) + v * std::cos(a);
        return std::pair{ru * sx + x + px, rv * sy + y + py};
    };
    for (auto [u, v] : {std::pair{0.0, 0.0}, {3.0, 5.0}, {4.0, -2.0}, {-7.5, 1.0}}) {
        const ytPointF local = n->localMatrix().Map(float(u), float(v));
        const auto [eu, ev] = expect(u, v);
        EXPECT_NEAR(local.x, eu, 1e-4);
        EXPECT_NEAR(local.y, ev, 1e-4);
        const ytPointF world = n->worldMatrix().Map(float(u), float(v));
        EXPECT_NEAR(world.x, eu + 100, 1e-3);
        EXPECT_NEAR(world.y, ev + 50, 1e-3);
        // The inverse brings the window point back.
        const ytPointF back = n->FromWindow(world.x, world.y);
        EXPECT_NEAR(back.x, u, 1e-3);
        EXPECT_NEAR(back.y, v, 1e-3);
    }
}

TEST_F(DrawNodes, TreeKeepsReferencesAndRefusesCycles) {
    auto* root = new ytDrawNode;
    {
        Scene scene(10, 10, root);
        auto* a = scene.Add(new ytDrawNode);
        auto* b = scene.Add(new ytDrawNode, a);
        EXPECT_EQ(a->AddChild(a), -1);
        EXPECT_EQ(b->AddChild(a), -1) << "an ancestor under its descendant";
        EXPECT_EQ(a->AddChild(b), 0);
        EXPECT_EQ(a->children().size(), 1u);
        EXPECT_EQ(b->RefCount(), 1);
        ytMessage m;
        EXPECT_EQ(b->SendEvent(m), base::kHandled) << "bubbles to the document";
        EXPECT_EQ(ytRef<ytDrawNode>(new ytDrawNode)->SendEvent(m), 4);
    }
    // The scene is gone: TearDown checks that every node went with it.
}

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

TEST_F(DrawNodes, ToggleGroupsAliasesAndTargetListsAct) {
    Scene scene(100, 40, new ytBGNode(kBlack));
    auto* group = scene.Add(new ytButtContainer);
    ytButtonNode* radio[2];
    for (int i = 0; i < 2; ++i) {
        radio[i] = button(scene, float(i * 20), 20, "r" + std::to_string(i), group);
        radio[i]->SetToggle(true);
    }
    scene.Click(5, 25);
    scene.Click(25, 25);
    scene.Click(25, 25);
    EXPECT_FALSE(radio[0]->checked()) << "one radio of a group checked";
    EXPECT_TRUE(radio[1]->checked()) << "a checked radio stays";

    auto* orphan = button(scene, 0, 0, "orphan");
    orphan->SetAlias("nobody");
    auto* real = button(scene, 20, 0, "real");
    button(scene, 40, 0, "forwarder")->SetAlias("real");
    auto* panel = scene.Add(new ytColorRectNode(5, 5, kWhite), nullptr, "panel");
    auto* other = scene.Add(new ytColorRectNode(5, 5, kWhite), nullptr, "other");
    auto* field = scene.Add(new ytColorRectNode(5, 5, kWhite), nullptr, "field");
    auto* pushed = button(scene, 80, 10, "pushed");
    scene.events.clear();
    scene.Click(5, 5);
    scene.Click(45, 5);
    EXPECT_EQ(scene.events,
              (std::vector<Scene::Event>{{ButtonClicked, orphan, ""}, {ButtonClicked, real, ""}}))
        << "an alias to a missing node leaves the click to the button";

    auto* toggle = button(scene, 60, 0, "toggle");
    toggle->SetToggle(true);
    toggle->AddShowTarget("panel");
    toggle->AddHideTarget("other");
    toggle->AddDisableTarget("field");
    toggle->AddPushTarget("pushed");
    toggle->AddShowTarget("missing");  // names nothing: skipped
    panel->Hide();
    scene.events.clear();
    scene.Click(65, 5);  // checked now
    EXPECT_FALSE(panel->hidden());
    EXPECT_TRUE(other->hidden());
    EXPECT_TRUE(field->disabled());
    EXPECT_EQ(scene.events, (std::vector<Scene::Event>{{ButtonClicked, toggle, ""},
                                                       {ButtonClicked, pushed, ""}}));
    scene.Click(65, 5);  // unchecked: the lists reverse, nothing is pushed
    EXPECT_TRUE(panel->hidden());
    EXPECT_FALSE(other->hidden());
    EXPECT_EQ(scene.events.size(), 3u);

    // The application's handled-and-stop ends the click before the lists.
    button(scene, 0, 10, "enabler")->AddEnableTarget("field");
    scene.answer = base::kHandledStop;
    scene.Click(5, 15);
    EXPECT_TRUE(field->disabled());
    scene.answer = base::kHandled;
    scene.Click(5, 15);
    EXPECT_FALSE(field->disabled());

    // A button pushing itself stops after a few rounds.
    button(scene, 20, 10, "ping")->AddPushTarget("ping");
    scene.events.clear();
    scene.Click(25, 15);
    EXPECT_GT(scene.events.size(), 1u);
    EXPECT_LT(scene.events.size(), 20u);
}

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

TEST_F(DrawNodes, TooltipsShowOverTheirButtonAndHideWhenLeft) {
    Scene scene(100, 60, new ytBGNode(kBlack));
    auto* tip = scene.Add(new ytToolTip, nullptr, "tooltip");
    auto* help = button(scene, 10, 10, "help");
    help->SetTooltip("Shows help");
    button(scene, 50, 10, "quiet");
    const struct {
        float x;
        uint32_t buttons;
        bool shown;
    } moves[] = {{55, 0, false}, {15, kLeftButton, false}, {15, 0, true}, {55, 0, false}};
    for (const auto& m : moves) {
        scene.DispatchMouse(kMouseHover, m.x, 15, m.buttons);
        EXPECT_EQ(tip->hidden(), !m.shown) << m.x << " with buttons " << m.buttons;
        if (!m.shown) continue;
        EXPECT_EQ(tip->text(), "Shows help");
        EXPECT_EQ(tip->owner(), help);
        scene.RenderFrame();  // text on its box below the pointer
        const ytRect box = tip->WindowBounds();
        EXPECT_GE(box.top, 15);
        int inked = 0;
        for (int y = box.top; y < box.bottom; ++y)
            for (int x = box.left; x < box.right; ++x)
                inked += scene.backBuffer().at(x, y) != 0xFFFFFFE1u;
        EXPECT_GT(inked, 20);
    }
}

TEST_F(DrawNodes, HeldAutoRepeatButtonsClickThroughThePump) {
    Scene scene(40, 20, new ytBGNode(kBlack));
    button(scene, 0, 0, "repeat")->SetAutoRepeat(true);
    const auto clicks = [&] { return scene.events.size(); };
    scene.DispatchMouse(kMouseDown, 5, 5, kLeftButton);
    EXPECT_EQ(clicks(), 1u) << "the first click comes with the press";
    testsupport::pumpUntil([&] { return clicks() >= 3; }, 10);
    EXPECT_GE(clicks(), 3u) << "held: the pump clicks again";
    scene.DispatchMouse(kMouseUp, 5, 5, 0);
    const size_t released = clicks();
    testsupport::pumpUntil([] { return false; }, 0.6);
    EXPECT_EQ(clicks(), released) << "released: no more clicks";
}

TEST_F(DrawNodes, TextNodesMeasureLabelAndEdit) {
    Scene scene(200, 40, new ytBGNode(kWhite));
    auto* caption = scene.Add(new ytTextNode("Sunset in 10 minutes"));
    const float wide = caption->TextExtent().width();
    EXPECT_EQ(wide, float(caption->Font()->Measure("Sunset in 10 minutes")));
    caption->SetText("Sunset");
    EXPECT_LT(caption->TextExtent().width(), wide) << "automatic size follows the text";
    scene.RenderFrame();
    const ytRect drawn = caption->WindowBounds();
    int ink = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 200; ++x)
            if (scene.backBuffer().at(x, y) != kWhite) {
                ASSERT_TRUE(x < drawn.right && y < drawn.bottom) << "ink outside the text's extent";
                ++ink;
            }
    EXPECT_GT(ink, 30);

    // A button's label takes the label colour of the button's state.
    auto* apply = button(scene, 100, 0, "apply");
    apply->SetLabel("Apply");
    apply->SetLabelColours(0xFF000000u, 0xFF0000FFu, 0xFFFFFFFFu);
    scene.DispatchMouse(kMouseHover, 105, 5, 0);
    EXPECT_EQ(apply->label()->colour(), 0xFF0000FFu);
    scene.DispatchMouse(kMouseDown, 105, 5, kLeftButton);
    EXPECT_EQ(apply->label()->colour(), 0xFFFFFFFFu);
    scene.DispatchMouse(kMouseUp, 105, 5, 0);

    // The editable line: a click focuses it; typing, Backspace, Home and Delete edit at the caret.
    auto* edit = scene.Add(new ytTextEditNode(80, 16));
    edit->SetPosition(0, 20);
    scene.RenderFrame();
    scene.Click(40, 28);
    EXPECT_EQ(scene.focus(), edit);
    scene.events.clear();
    for (char c : std::string("9021x"))
        edit->HandleKey(base::kWmChar, uint8_t(c));
    edit->HandleKey(base::kWmChar, 0x08);
    edit->HandleKey(base::kWmKeyDown, 0x24);  // Home
    edit->HandleKey(base::kWmKeyDown, 0x2E);  // Delete
    edit->HandleKey(base::kWmChar, '1');
    EXPECT_EQ(edit->text(), "1021");
    EXPECT_EQ(edit->caret(), 1u);
    EXPECT_EQ(scene.events.size(), 8u) << "one ValueChanged per change";
}

// A provider's picture is made on the bicubic node's worker; its notices reach the document.
TEST_F(DrawNodes, BicubicProviderImagesArriveWithNotices) {
    struct Green : ytImageProvider {
        int32_t GetImage(int32_t, ytBitmap& bitmap, int, int, int) override {
            bitmap = filled(16, 16, kGreen);
            return 0;
        }
    } provider;
    Scene scene(40, 40, new ytBGNode(kBlack));
    auto* node = scene.Add(new ytBicubicNode(20, 20));
    node->SetPosition(10, 10);
    node->SetBackgroundScaling(1.0f);
    node->SetProvider(&provider, 1);
    testsupport::pumpUntil(
        [&] {
            scene.RenderFrame();
            return scene.events.size() >= 2;
        },
        10);
    scene.RenderFrame();
    std::vector<std::string> notices;
    for (const Scene::Event& e : scene.events)
        notices.push_back(e.type == NamedNotice ? e.text : "other");
    EXPECT_EQ(notices, (std::vector<std::string>{"BicubicBeginThread", "BicubicEndThread"}));
    EXPECT_EQ(scene.backBuffer().at(15, 15), kGreen);
}

}  // namespace
}  // namespace yt
