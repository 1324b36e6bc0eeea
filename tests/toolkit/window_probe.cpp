// A toolkit window for the window tests to drive from outside (xdotool, import): it shows a known
// picture (left half red, right half blue, a green 20 x 20 "button" at 20,20), logs every mouse
// event, key, focus change and hotkey it receives to a file, and ends on Escape.
//   window_probe LOG [noperpixel] [alpha=N]
// noperpixel: as without per-pixel alpha (no layered functions, no compositor); alpha=N: the
// window alpha set once the first frame is shown (logged as "alpha" and the alpha in force).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/messages.h"
#include "platform/testing/layered_windows.h"
#include "toolkit/draw_ui.h"
#include "toolkit/toolkit.h"
#include "toolkit/window.h"

namespace {

constexpr int kLeft = 120, kTop = 110, kWidth = 200, kHeight = 120;
constexpr int kHotKeyId = 7;
FILE* g_log = nullptr;

void logLine(const std::string& line) {
    std::fprintf(g_log, "%s\n", line.c_str());
    std::fflush(g_log);
}

// Stand-ins for nodes: the document only compares their addresses.
int g_button, g_focusables[3];

class ProbeDocument : public yt::ytDrawUI {
public:
    int OnTimer(double) override { return 50; }

protected:
    yt::ytRect RenderFrame(const yt::ytRect& area) override {
        const yt::ytRect changed = yt::ytDrawUI::RenderFrame(area);
        yt::ytBitmap& buffer = backBuffer();
        for (int y = 0; y < buffer.height(); ++y)
            for (int x = 0; x < buffer.width(); ++x)
                buffer.row(y)[x] = x >= 20 && x < 40 && y >= 20 && y < 40 ? 0xFF00FF00u
                                   : x < buffer.width() / 2                ? 0xFFFF0000u
                                                                           : 0xFF0000FFu;
        return changed;
    }

    // The button handles presses on it; every event is logged with whether it came captured.
    intptr_t DispatchMouse(yt::ytMessage&, const yt::MouseEvent& event, yt::ytDrawNode* captured,
                           yt::ytDrawNode** handledBy) override {
        char line[128];
        std::snprintf(line, sizeof line, "mouse %d %d %d captured=%d notches=%d", event.kind,
                      event.x, event.y, captured != nullptr, event.wheelNotches);
        logLine(line);
        const bool onButton = event.x >= 20 && event.x < 40 && event.y >= 20 && event.y < 40;
        if (captured || onButton) {
            *handledBy = captured ? captured : reinterpret_cast<yt::ytDrawNode*>(&g_button);
            return base::kHandled;
        }
        return base::kNotHandled;
    }

    yt::ytDrawNode* NextFocus(yt::ytDrawNode* from, bool backwards) override {
        int index = 0;
        for (int i = 0; i < 3; ++i)
            if (from == reinterpret_cast<yt::ytDrawNode*>(&g_focusables[i])) index = i;
        index = (index + (backwards ? 2 : 1)) % 3;
        logLine("focus " + std::to_string(index));
        return reinterpret_cast<yt::ytDrawNode*>(&g_focusables[index]);
    }

    intptr_t HandleInput(yt::ytMessage& message) override {
        if (message.message == platform::kWmHotKey) {
            logLine("hotkey " + std::to_string(message.wParam));
            Window()->UnregisterHotKey(static_cast<int>(message.wParam));
            return base::kHandled;
        }
        if (message.message == base::kWmKeyDown && message.wParam == platform::kVkEscape) {
            Window()->PostClose();
            return base::kHandled;
        }
        return yt::ytDrawUI::HandleInput(message);
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || !(g_log = std::fopen(argv[1], "w"))) return 2;
    int alpha = -1;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "noperpixel") platform::testing::forgetPerPixelAlpha();
        if (arg.rfind("alpha=", 0) == 0) alpha = std::atoi(arg.c_str() + 6);
    }
    std::string why;
    if (yt::Start(nullptr, false, &why) != 0) {
        logLine("error " + why);
        return 1;
    }
    auto* window = new yt::ytWindow();
    // A main window closes the pump when it goes; popup style keeps it frameless, so the client
    // area is where the test expects it. Both are made: the popup is the one looked at.
    auto* owner = new yt::ytWindow();
    owner->Create("Probe owner", yt::WindowKind::Main, yt::Sizing::Fixed, 0, 0, 10, 10);
    window->Create("Probe", yt::WindowKind::Popup, yt::Sizing::Fixed, kLeft, kTop, kLeft + kWidth,
                   kTop + kHeight, owner);
    owner->SetMessageForward(window);
    auto* document = new ProbeDocument();
    window->SetDocument(document);
    window->SetTopmost();
    window->Show(true);
    const bool hotKey = window->RegisterHotKey(kHotKeyId, platform::kModAlt, platform::kVkNext);
    // Escape on the popup closes the owner, which ends the pump.
    struct CloseOwner : yt::ytCallBase {
        yt::ytWindow* popup;
        yt::ytWindow* owner;
        int Run() override {
            if (popup->Native()) return 50;
            owner->PostClose();
            return yt::kCallbackRemove;
        }
    };
    auto* closer = new CloseOwner();
    closer->popup = window;
    closer->owner = owner;
    yt::AddCallback(closer);
    document->Render(nullptr);
    char line[160];
    std::snprintf(line, sizeof line, "ready %d %d %d %d perpixel=%d hotkey=%d", kLeft, kTop, kWidth,
                  kHeight, document->PerPixelAlpha(), hotKey);
    logLine(line);
    if (alpha >= 0) {
        document->SetAlpha(alpha);
        logLine("alpha " + std::to_string(document->Alpha()));
    }
    yt::RunLoop(20);
    logLine("end");
    yt::Stop();
    std::fclose(g_log);
    return 0;
}
