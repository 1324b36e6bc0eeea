// Shows a window built from the program's artwork (res/ beside this program) on the display, for
// screenshots of the artwork with sample contents:
//   artwork_view BASE [settings] [night] [nolocation] [seconds=N] [at=X,Y]
// BASE is "tintel" (the settings window) or "magictoken" (the overlay). "settings" opens the
// settings page, "night" puts the moon where the sun would be at night, "nolocation" highlights
// the location toggle. The sky is laid out as the program does for a day of about 14 hours. The
// window closes on Escape or after N seconds (default 30). Prints "ready" once it is shown.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/messages.h"
#include "platform/window_host.h"
#include "toolkit/button_node.h"
#include "toolkit/draw_ui.h"
#include "toolkit/nodes.h"
#include "toolkit/resource_table.h"
#include "toolkit/text_node.h"
#include "toolkit/toolkit.h"
#include "toolkit/window.h"

namespace {

constexpr double kPi = 3.141592653589;

class ViewDocument : public yt::ytDrawUI {
public:
    int OnTimer(double) override { return 50; }
    intptr_t HandleInput(yt::ytMessage& message) override {
        if (message.message == base::kWmKeyDown && message.wParam == platform::kVkEscape) {
            Window()->PostClose();
            return base::kHandled;
        }
        return yt::ytDrawUI::HandleInput(message);
    }
};

void setText(const std::string& name, const std::string& text) {
    if (yt::ytTextNode* node = yt::Resources().FindText(name)) node->SetText(text);
}

// The day curve and the warm area as the program lays them out for a day of `dayMinutes`.
void layOutSky(double dayMinutes, double x, bool night) {
    yt::ytResourceTable& table = yt::Resources();
    yt::ytBitmapNode* wave = table.FindBitmap("tintel/wave");
    yt::ytBitmapNode* warm = table.FindBitmap("tintel/warm");
    if (!wave || !warm) return;
    const double phase = (1 - dayMinutes / 720) * kPi / 2;
    const double h = 0.5 - 0.4 * std::sin(phase);
    yt::ytBitmap bitmap = wave->bitmap();
    const int w = bitmap.width(), ht = bitmap.height();
    for (int row = 0; row < ht; ++row)
        for (int col = 0; col < w; ++col)
            bitmap.row(row)[col] = 0;
    for (int col = 0; col < w; ++col) {
        const int top = static_cast<int>(ht * h);
        const int y =
            static_cast<int>(std::lround(ht * (0.5 - 0.4 * std::sin(2 * kPi * col / w + phase))));
        for (int row = std::min(top, y); row <= std::max(top, y); ++row)
            if (row >= 0 && row < ht) bitmap.row(row)[col] = 0xAF9F9E9Cu;
        for (int d = -1; d <= 1; ++d)
            if (y + d >= 0 && y + d < ht) bitmap.row(y + d)[col] = 0xBFBFBFBFu;
    }
    wave->SetBitmap(std::move(bitmap));
    warm->SetPosition(0, static_cast<float>(ht * h));
    warm->SetScale(1, static_cast<float>(ht * (1 - h) / warm->bitmap().height()));
    // The sun (or the moon) at fraction x of the day.
    const double y = 0.5 - 0.4 * std::sin(2 * kPi * x + phase);
    yt::ytBitmapNode* shown = table.FindBitmap(night ? "tintel/moon" : "tintel/sun");
    yt::ytBitmapNode* other = table.FindBitmap(night ? "tintel/sun" : "tintel/moon");
    if (other) other->Hide();
    if (shown)
        shown->SetPosition(static_cast<float>(x * w - shown->bitmap().width() / 2.0),
                           static_cast<float>(y * ht - shown->bitmap().height() / 2.0));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const std::string base = argv[1];
    bool settings = false, night = false, noLocation = false;
    int seconds = 30, left = 100, top = 100;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "settings") settings = true;
        if (arg == "night") night = true;
        if (arg == "nolocation") noLocation = true;
        if (arg.rfind("seconds=", 0) == 0) seconds = std::atoi(arg.c_str() + 8);
        if (arg.rfind("at=", 0) == 0) std::sscanf(arg.c_str() + 3, "%d,%d", &left, &top);
    }
    if (yt::Start(nullptr, false) != 0) return 1;
    auto* document = new ViewDocument();
    if (yt::Resources().LoadArtwork(base, document) != 0) return 1;
    yt::Resources().LoadLayout(base);
    auto* root = dynamic_cast<yt::ytBitmapNode*>(document->Root());
    if (!root) return 1;
    const int width = root->bitmap().width(), height = root->bitmap().height();
    document->Resize(width, height);

    if (base == "tintel") {
        setText("tintel/current", night ? "2700K" : "6500K");
        setText("tintel/hours", night ? "Sunrise in 7 hours: currently 2700K (night)"
                                      : "Sunset in 3 hours: currently 6500K (day)");
        setText("tintel/latitude", noLocation ? "Your location: 0.0\xB0N, 0.0\xB0"
                                                "E (Click to set Location)"
                                              : "Your location: 47.6\xB0N, 122.3\xB0W");
        setText("tintel/loc", "Location: 47.6\xB0N, 122.3\xB0W (North America)");
        setText("tintel/daytext", "6500K");
        setText("tintel/nighttext", "2700K");
        yt::ytSliderHandler::SetValue(yt::Resources().FindNode("tintel/slider1"), 1.0f);
        yt::ytSliderHandler::SetValue(yt::Resources().FindNode("tintel/slider2"), 0.0f);
        if (yt::ytButtonNode* b = yt::Resources().FindButton("tintel/changeloc2"))
            b->SetChecked(noLocation);
        yt::Resources().PressButton("tintel/fast");
        layOutSky(14 * 60, night ? 0.82 : 0.3, night);
        if (settings) yt::Resources().PressButton("tintel/change");
    } else {
        setText("magictoken/title", "3400K");
        setText("magictoken/text", "Dimmed to 70%");
        if (yt::ytDrawNode* level = yt::Resources().FindNode("magictoken/level"))
            level->SetScale(0.7f, 1);
    }

    auto* window = new yt::ytWindow();
    window->Create("Artwork", yt::WindowKind::Main, yt::Sizing::Fixed, left, top, left + width,
                   top + height);
    window->SetDocument(document);
    window->SetTopmost();
    window->Show(true);
    document->Render(nullptr);
    struct Closer : yt::ytCallBase {
        yt::ytWindow* window;
        double end;
        int Run() override {
            if (yt::Clock() < end) return 100;
            window->PostClose();
            return yt::kCallbackRemove;
        }
    };
    auto* closer = new Closer();
    closer->window = window;
    closer->end = yt::Clock() + seconds;
    yt::AddCallback(closer);
    std::printf("ready %d %d %d %d\n", left, top, width, height);
    std::fflush(stdout);
    yt::RunLoop(20);
    yt::Stop();
    return 0;
}
