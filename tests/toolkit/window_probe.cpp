// A toolkit window for the window tests to drive from outside (xdotool,
// import): its scene is a red node (the root, 200 x 120) with a blue right
// half, a green 20 x 20 button at 20,20, a hidden button at 60,20 and two
// focusable nodes. It logs every mouse event a node gets, focus changes and
// hotkeys to a file, and ends on Escape.
//   window_probe LOG [noperpixel] [alpha=N] [activate]
// noperpixel: as without per-pixel alpha (no layered functions, no compositor);
// alpha=N: the window alpha set once the first frame is shown (logged as
// "alpha" and the alpha in force); activate: the owner and a second main window are
// shown too (framed, at 400,110 and 500,110) and every window logs WM_ACTIVATEAPP.
#include <cstdlib>
#include <string>

#include "base/messages.h"
#include "platform/testing/layered_windows.h"
#include "toolkit/draw_ui.h"
#include "toolkit/nodes.h"
#include "toolkit/toolkit.h"
#include "toolkit/window.h"
#include "tests/support/pump.h"
#include "tests/toolkit/probe_log.h"

namespace {

using probe::logLine;
using probe::withNumbers;

constexpr int kLeft = 120, kTop = 110, kWidth = 200, kHeight = 120;
constexpr int kHotKeyId = 7;

// A coloured node that logs the mouse events it gets; a "button" takes presses
// (and with them the capture), the background takes the wheel.
class ProbeNode : public yt::ytColorRectNode {
public:
    ProbeNode(float width, float height, uint32_t colour, std::string name, bool button,
              bool focusable = false)
        : ytColorRectNode(width, height, colour),
          name_(std::move(name)),
          button_(button),
          focusable_(focusable) {}
    bool Focusable() const override { return focusable_; }
    const std::string& name() const { return name_; }

    intptr_t HandleEvent(yt::ytMouseEvent& event) override {
        if (!HitTest(event.lx, event.ly) && event.kind != yt::kMouseDrag &&
            event.kind != yt::kMouseUp && event.kind != yt::kMouseMiddleUp)
            return base::kNotHandled;
        const bool captured = event.document && (event.document->Capture(0) == this ||
                                                 event.document->Capture(2) == this);
        if (event.kind != yt::kMouseHover || name_ != "background")
            logLine(withNumbers("mouse " + name_, {event.kind, long(event.x), long(event.y)}) +
                    " captured=" + std::to_string(captured) +
                    " notches=" + std::to_string(event.wheel));
        if (button_) return event.kind == yt::kMouseHover ? base::kNotHandled : base::kHandled;
        return event.kind == yt::kMouseWheel ? base::kHandled : base::kNotHandled;
    }

private:
    std::string name_;
    bool button_, focusable_;
};

class ProbeDocument : public yt::ytDrawUI {
public:
    explicit ProbeDocument(std::string name = "popup") : name_(std::move(name)) {}
    int OnTimer(double) override { return 50; }

    intptr_t HandleKey(yt::ytMessage& message) override {
        yt::ytDrawNode* before = focus();
        const intptr_t result = yt::ytDrawUI::HandleKey(message);
        if (focus() != before && focus())
            logLine("focus " + static_cast<ProbeNode*>(focus())->name());
        return result;
    }

    intptr_t HandleInput(yt::ytMessage& message) override {
        if (message.message == platform::kWmHotKey) {
            logLine("hotkey " + std::to_string(message.wParam));
            Window()->UnregisterHotKey(static_cast<int>(message.wParam));
            return base::kHandled;
        }
        if (message.message == base::kWmActivateApp)
            logLine("activateapp " + name_ + " " + std::to_string(message.wParam));
        if (message.message == base::kWmKeyDown && message.wParam == platform::kVkEscape) {
            Window()->PostClose();
            return base::kHandled;
        }
        return yt::ytDrawUI::HandleInput(message);
    }

private:
    std::string name_;
};

// A framed main window of its own, shown, whose document logs what it gets.
yt::ytWindow* showFramed(yt::ytWindow* window, const std::string& name) {
    auto* document = new ProbeDocument(name);
    document->SetRoot(new ProbeNode(60, 40, 0xFF808080u, name, false));
    window->SetDocument(document);
    window->Show(true);
    return window;
}

}  // namespace

int main(int argc, char** argv) {
    if (!probe::openLog(argc, argv)) return 2;
    int alpha = -1;
    bool activate = false;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "noperpixel") platform::testing::forgetPerPixelAlpha();
        if (arg.rfind("alpha=", 0) == 0) alpha = std::atoi(arg.c_str() + 6);
        if (arg == "activate") activate = true;
    }
    std::string why;
    if (yt::Start(nullptr, false, &why) != 0) {
        logLine("error " + why);
        return 1;
    }
    // A main window ends the pump when it goes; the popup (frameless, so its
    // client area is where the test expects it) is the one looked at.
    auto* owner = new yt::ytWindow();
    owner->Create("Probe owner", yt::WindowKind::Main, yt::Sizing::Fixed, 400, 110, 460, 150);
    yt::ytWindow* secondWindow = nullptr;
    if (activate) {
        showFramed(owner, "owner");
        secondWindow = new yt::ytWindow();
        secondWindow->Create("Probe second", yt::WindowKind::Main, yt::Sizing::Fixed, 500, 110, 560,
                             150);
        showFramed(secondWindow, "second");
    }
    auto* window = new yt::ytWindow();
    window->Create("Probe", yt::WindowKind::Popup, yt::Sizing::Fixed, kLeft, kTop, kLeft + kWidth,
                   kTop + kHeight, owner);
    auto* document = new ProbeDocument();
    auto* root = new ProbeNode(kWidth, kHeight, 0xFFFF0000u, "background", false);
    auto* right = new ProbeNode(kWidth / 2, kHeight, 0xFF0000FFu, "right", false);
    right->SetPosition(kWidth / 2, 0);
    auto* button = new ProbeNode(20, 20, 0xFF00FF00u, "button", true);
    button->SetPosition(20, 20);
    auto* hidden = new ProbeNode(20, 20, 0xFFFFFF00u, "hidden", true);
    hidden->SetPosition(60, 20);
    hidden->Hide();
    auto* first = new ProbeNode(10, 10, 0xFFFF0000u, "first", false, true);
    auto* second = new ProbeNode(10, 10, 0xFFFF0000u, "second", false, true);
    first->SetPosition(0, 100), second->SetPosition(10, 100);
    for (ProbeNode* n : {right, button, hidden, first, second})
        root->AddChild(n);
    document->SetRoot(root);
    window->SetDocument(document);
    window->SetTopmost();
    window->Show(true);
    const bool hotKey = window->RegisterHotKey(kHotKeyId, platform::kModAlt, platform::kVkNext);
    // Escape closes the popup; the owner follows, which ends the pump.
    window->AddRef();  // the closer looks at the popup after it is gone
    testsupport::addCallback([=] {
        if (window->Native()) return 50;
        window->Release();
        owner->PostClose();
        if (secondWindow) secondWindow->PostClose();
        return yt::kCallbackRemove;
    });
    document->Render(nullptr);
    logLine(withNumbers("ready", {kLeft, kTop, kWidth, kHeight}) + " perpixel=" +
            std::to_string(document->PerPixelAlpha()) + " hotkey=" + std::to_string(hotKey));
    const platform::ScreenRect work = platform::primaryWorkArea();
    logLine(withNumbers("workarea", {work.left, work.top, work.right, work.bottom}));
    if (alpha >= 0) {
        document->SetAlpha(alpha);
        logLine(withNumbers("alpha", {document->Alpha()}));
    }
    yt::RunLoop(20);
    yt::Stop();
    return probe::closeLog();
}
