// Frames of a scene shaped like the settings window (554 x 243): a background picture, panels
// with rounded corners and borders, a shadowed panel, bitmaps blended at opacities, buttons with
// labels, text, a slider track with its thumb: 30 nodes. Full frames, one small change, and the
// bitmap routines on both paths.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "toolkit/bitmap_ops.h"
#include "toolkit/button_node.h"
#include "toolkit/draw_ui.h"
#include "toolkit/nodes.h"
#include "toolkit/text_node.h"

namespace {

using namespace yt;

constexpr int kWidth = 554, kHeight = 243;

ytBitmap gradient(int w, int h, uint32_t alpha) {
    ytBitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t r = uint32_t(x * 255 / w) * alpha / 255,
                           g = uint32_t(y * 255 / h) * alpha / 255;
            b.row(y)[x] = (alpha << 24) | (r << 16) | (g << 8) | (alpha / 2);
        }
    return b;
}

struct Window : ytDrawUI {
    ytColorRectNode* changing = nullptr;
    int nodes = 0;

    Window() {
        Resize(kWidth, kHeight);
        SetRoot(new ytBGBitmapNode(gradient(kWidth, kHeight, 255)));
        nodes = 1;
        const auto add = [&](ytDrawNode* n, float x, float y, ytDrawNode* parent = nullptr) {
            (parent ? parent : Root())->AddChild(n);
            n->SetPosition(x, y);
            ++nodes;
            return n;
        };
        auto* panel =
            static_cast<ytColorRectNode*>(add(new ytColorRectNode(250, 200, 0xE0202020u), 10, 10));
        panel->SetCornerRadius(8);
        panel->SetBorder(2, 0xFF808080u);
        auto* side =
            static_cast<ytColorRectNode*>(add(new ytColorRectNode(260, 120, 0xC0303040u), 280, 10));
        side->SetShadow(ytShadow{});
        for (int i = 0; i < 6; ++i) {
            auto* r = static_cast<ytColorRectNode*>(
                add(new ytColorRectNode(30, 20, 0xFF000000u | uint32_t(i * 40) << 8),
                    20.0f + i * 38, 20));
            if (i == 0) changing = r;
        }
        for (int i = 0; i < 6; ++i) {
            auto* b = add(new ytBitmapNode(gradient(40, 40, 200)), 290.0f + i * 42, 140);
            b->SetOpacity(160 + i * 16);
        }
        auto* circle = add(new ytColorCircleNode(50, 50, 0xFFFFCC00u), 470, 30);
        (void)circle;
        for (int i = 0; i < 4; ++i) {
            auto* button =
                static_cast<ytButtonNode*>(add(new ytButtonNode(60, 24), 20.0f + i * 60, 200));
            button->SetStateImage(0, gradient(60, 24, 255));
            button->SetLabel("Button");
        }
        nodes += 4;  // the labels
        for (int i = 0; i < 3; ++i)
            add(new ytTextNode("Sunset in 10 minutes"), 20, 60.0f + i * 20);
        auto* track = add(new ytColorRectNode(200, 8, 0xFF606060u), 30, 140);
        track->AddHandler(new ytSliderHandler);
        auto* thumb = add(new ytColorRectNode(12, 16, 0xFFE0E0E0u), 0, -4, track);
        thumb->AddConstraint(Axis::kX, ytConstraint::Range(0, 0, 0, 1, -12));
        add(new ytTiledBitmapNode(gradient(16, 16, 128), 100, 30), 300, 200);
    }
};

Window& window() {
    static Window w;
    return w;
}

void BM_FullFrame(benchmark::State& state) {
    Window& w = window();
    ForcePixelPath(state.range(0) ? PixelPath::kVector : PixelPath::kScalar);
    w.RenderFrame();
    for (auto _ : state) {
        w.Invalidate(ytRect{-1, -1, -1, -1});
        benchmark::DoNotOptimize(w.RenderFrame());
    }
    state.counters["nodes"] = w.nodes;
    state.SetLabel(state.range(0) ? "sse2" : "scalar");
    ForcePixelPath(PixelPath::kVector);
}
BENCHMARK(BM_FullFrame)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

void BM_SmallDirtyRect(benchmark::State& state) {
    Window& w = window();
    w.RenderFrame();
    uint32_t colour = 0xFF102030u;
    for (auto _ : state) {
        w.changing->SetColour(colour ^= 0x00FFFFFFu);  // a 30 x 20 rectangle changes
        benchmark::DoNotOptimize(w.RenderFrame());
    }
}
BENCHMARK(BM_SmallDirtyRect)->Unit(benchmark::kMicrosecond);

void BM_BlendWindow(benchmark::State& state) {
    ForcePixelPath(state.range(0) ? PixelPath::kVector : PixelPath::kScalar);
    ytBitmap target = gradient(kWidth, kHeight, 255), picture = gradient(kWidth, kHeight, 180);
    for (auto _ : state) {
        BlendBitmap(target, 0, 0, picture, int(state.range(1)));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kWidth * kHeight * 4);
    state.SetLabel(state.range(0) ? "sse2" : "scalar");
    ForcePixelPath(PixelPath::kVector);
}
BENCHMARK(BM_BlendWindow)
    ->Args({1, 256})
    ->Args({0, 256})
    ->Args({1, 200})
    ->Args({0, 200})
    ->Unit(benchmark::kMicrosecond);

void BM_FillWindow(benchmark::State& state) {
    ForcePixelPath(state.range(0) ? PixelPath::kVector : PixelPath::kScalar);
    ytBitmap target = gradient(kWidth, kHeight, 255);
    for (auto _ : state) {
        BlendFillRect(target, ytRect{0, 0, kWidth, kHeight}, 0x80402010u, 256);
        benchmark::ClobberMemory();
    }
    state.SetLabel(state.range(0) ? "sse2" : "scalar");
    ForcePixelPath(PixelPath::kVector);
}
BENCHMARK(BM_FillWindow)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

void BM_MultiplyWindow(benchmark::State& state) {
    ForcePixelPath(state.range(0) ? PixelPath::kVector : PixelPath::kScalar);
    ytBitmap target = gradient(kWidth, kHeight, 255), picture = gradient(kWidth, kHeight, 180);
    for (auto _ : state) {
        MultiplyBitmap(target, 0, 0, picture, 256);
        benchmark::ClobberMemory();
    }
    state.SetLabel(state.range(0) ? "sse2" : "scalar");
    ForcePixelPath(PixelPath::kVector);
}
BENCHMARK(BM_MultiplyWindow)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

}  // namespace
