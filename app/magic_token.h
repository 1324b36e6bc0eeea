// MagicToken: the notification overlay. A small topmost window ("Tintelnote", 200 x 200) that
// shows a title, a line of text and a level bar for a few seconds, fading and growing in and
// shrinking and fading out again. Any thread may ask it to show something: the setters only
// store what is asked under the overlay's lock and wake the pump; the nodes and the window are
// changed on the pump's thread by the overlay's own per-frame update.
#pragma once

#include <cstdint>
#include <string>

#include "toolkit/anim_value.h"
#include "toolkit/draw_ui.h"

namespace yt {
class ytTextNode;
class ytWindow;
}  // namespace yt

namespace tintel {

class MagicToken : public yt::ytDrawUI {
public:
    static constexpr int kSize = 200;
    // The title shown until the first notification.
    static constexpr const char* kDefaultTitle = "2808K";
    static constexpr uint32_t kTextColour = 0xFF5174D0u;

    explicit MagicToken(yt::ytAnimValue::ClockSource clock = nullptr);
    ~MagicToken() override;

    // Builds the overlay's nodes: the artwork and layout "magictoken" when the runtime folder
    // has them (nodes "magictoken/title", "magictoken/text", "magictoken/level"), else a plain
    // card drawn from code. The title and the text get their fonts and colours either way.
    void Build();

    // ---- thread-safe: any thread ----
    void SetTitle(const std::string& title);
    void SetText(const std::string& text);
    // Glides the level bar to `level` (0 .. 1) over half a second.
    void SetLevel(double level);
    // Title, text and level, then shows the overlay for `seconds`.
    void Notify(const std::string& title, const std::string& text, double level, double seconds);

    // ---- the pump's thread ----
    // Applies what the setters stored, animates the alpha (in over 0.2 s while the display
    // stopwatch runs, out over 1 s after it), sets the window alpha and the content scale, and
    // hides the window once the alpha is 0. Answers 16 ms while visible, else 1000.
    int OnTimer(double now) override;
    intptr_t HandleInput(yt::ytMessage& message) override;

    // State, for tests.
    std::string title() const;
    std::string text() const;
    double levelTarget() const;
    double duration() const;
    yt::ytAnimValue& level() { return level_; }
    double alpha() const { return shownAlpha_; }
    float contentScale() const { return 0.3f + 0.7f * static_cast<float>(shownAlpha_); }
    bool visible() const;
    // The nodes the overlay writes (null before Build).
    yt::ytTextNode* titleNode() const { return titleNode_; }
    yt::ytTextNode* textNode() const { return textNode_; }
    yt::ytDrawNode* levelNode() const { return levelNode_; }

    // The window message that wakes the overlay after a setter ran on another thread.
    static constexpr uint32_t kWakeMessage = 0x8000 + 0x51;

private:
    double now() const;
    void applyPending(double now);
    void buildFallback();
    void wake();

    yt::ytAnimValue::ClockSource clock_;
    // Under the lock: what the setters asked for.
    std::string pendingTitle_ = kDefaultTitle;
    std::string pendingText_;
    double pendingLevel_ = 0;
    bool levelChanged_ = false;
    bool showRequested_ = false;
    double requestedSeconds_ = 3.0;
    // The pump's thread only.
    yt::ytAnimValue level_;
    yt::ytAnimValue alpha_;
    double duration_ = 3.0;
    double stopwatchStart_ = -1;  // the display stopwatch: start time, -1 when stopped
    double shownAlpha_ = 0;
    yt::ytDrawNode* content_ = nullptr;  // scaled by the content scale (the tree holds it)
    yt::ytTextNode* titleNode_ = nullptr;
    yt::ytTextNode* textNode_ = nullptr;
    yt::ytDrawNode* levelNode_ = nullptr;
    float levelWidth_ = 0;
    bool levelIsRect_ = false;
};

// The overlay with its window: creates the window (hidden, topmost, centred low on the primary
// work area) and destroys it, with the overlay, when it goes.
class MagicTokenWindow {
public:
    explicit MagicTokenWindow(yt::ytAnimValue::ClockSource clock = nullptr);
    ~MagicTokenWindow();
    MagicTokenWindow(const MagicTokenWindow&) = delete;
    MagicTokenWindow& operator=(const MagicTokenWindow&) = delete;
    // False when the window could not be created (the overlay then still works without one).
    bool created() const { return window_ != nullptr; }
    MagicToken* token() const { return token_; }
    yt::ytWindow* window() const { return window_; }

private:
    yt::ytWindow* window_ = nullptr;
    MagicToken* token_ = nullptr;  // owned by the window once it exists
};

}  // namespace tintel
