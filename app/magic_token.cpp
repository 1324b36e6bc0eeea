// The notification overlay: its nodes, its thread-safe setters and its per-frame fade.
//
// Contents
//   1. building the nodes
//   2. the setters (any thread)
//   3. the per-frame update (the pump's thread)
//   4. the window
#include "app/magic_token.h"

#include <algorithm>
#include <cmath>

#include "toolkit/nodes.h"
#include "toolkit/resource_table.h"
#include "toolkit/text_node.h"
#include "toolkit/toolkit.h"
#include "toolkit/window.h"

namespace tintel {
namespace {

constexpr double kLevelSeconds = 0.5;
constexpr double kFadeInSeconds = 0.2;
constexpr double kFadeOutSeconds = 1.0;
// The window and its content are invisible below this alpha; the window hides.
constexpr double kHiddenAlpha = 1.0 / 512.0;

// The fallback card's look: a white rounded card with a soft shadow, the level as a blue bar.
constexpr uint32_t kCardColour = 0xF8FFFFFFu;
constexpr uint32_t kTrackColour = 0xFFE3E8F2u;
constexpr float kBarLeft = 30, kBarTop = 150, kBarWidth = 140, kBarHeight = 8;

}  // namespace

MagicToken::MagicToken(yt::ytAnimValue::ClockSource clock)
    : clock_(clock), level_(0, clock), alpha_(0, clock) {}

MagicToken::~MagicToken() {
    // The names go with the nodes, so that another overlay can be built under them.
    if (Root()) yt::Resources().UnregisterTree(Root());
}

double MagicToken::now() const {
    return clock_ ? clock_() : yt::Clock();
}

// ---- 1. building the nodes ----------------------------------------------------------------------

void MagicToken::Build() {
    yt::ytResourceTable& table = yt::Resources();
    if (table.LoadArtwork("magictoken", this) == 0) {
        table.LoadLayout("magictoken");
        titleNode_ = table.FindText("magictoken/title");
        textNode_ = table.FindText("magictoken/text");
        levelNode_ = table.FindNode("magictoken/level");
    }
    if (!Root() || !titleNode_ || !textNode_) {
        buildFallback();
    } else {
        // The artwork's root carries the content scale, about the canvas's centre.
        content_ = Root();
    }
    content_->SetPivot(kSize / 2.0f, kSize / 2.0f);
    titleNode_->SetFontName("Calibri");
    titleNode_->SetFontSize(36);
    titleNode_->SetFontWeight(700);
    titleNode_->SetColour(0xFF000000u);
    titleNode_->SetText(kDefaultTitle);
    textNode_->SetFontName("Calibri");
    textNode_->SetFontSize(14);
    textNode_->SetColour(kTextColour);
    if (levelNode_) {
        levelIsRect_ = dynamic_cast<yt::ytColorRectNode*>(levelNode_) != nullptr;
        levelWidth_ = levelNode_->LocalBounds().width();
    }
    Resize(kSize, kSize);
}

void MagicToken::buildFallback() {
    auto* root = new yt::ytDrawNode();
    SetRoot(root);
    auto* card = new yt::ytColorRectNode(kSize - 20.0f, kSize - 20.0f, kCardColour);
    card->SetPosition(10, 10);
    card->SetCornerRadius(18);
    card->SetShadow({8.0f, 0.35f, 0.0f, 3.0f});
    root->AddChild(card);
    content_ = card;
    // The card sits 10 pixels in; its children are placed in card coordinates.
    titleNode_ = new yt::ytTextNode(kDefaultTitle, kSize - 20.0f, 60);
    titleNode_->SetPosition(0, 40);
    card->AddChild(titleNode_);
    textNode_ = new yt::ytTextNode("", kSize - 20.0f, 30);
    textNode_->SetPosition(0, 100);
    card->AddChild(textNode_);
    auto* track = new yt::ytColorRectNode(kBarWidth, kBarHeight, kTrackColour);
    track->SetPosition(kBarLeft - 10, kBarTop - 10);
    track->SetCornerRadius(kBarHeight / 2);
    card->AddChild(track);
    auto* bar = new yt::ytColorRectNode(kBarWidth, kBarHeight, kTextColour);
    bar->SetCornerRadius(kBarHeight / 2);
    track->AddChild(bar);
    levelNode_ = bar;
    // The card scales about the window's centre: its own centre.
    content_->SetPivot(kSize / 2.0f - 10, kSize / 2.0f - 10);
}

// ---- 2. the setters -----------------------------------------------------------------------------

void MagicToken::SetTitle(const std::string& title) {
    Lock();
    pendingTitle_ = title;
    Unlock();
    wake();
}

void MagicToken::SetText(const std::string& text) {
    Lock();
    pendingText_ = text;
    Unlock();
    wake();
}

void MagicToken::SetLevel(double level) {
    Lock();
    pendingLevel_ = std::clamp(std::isfinite(level) ? level : 0.0, 0.0, 1.0);
    levelChanged_ = true;
    Unlock();
    wake();
}

void MagicToken::Notify(const std::string& title, const std::string& text, double level,
                        double seconds) {
    Lock();
    pendingTitle_ = title;
    pendingText_ = text;
    pendingLevel_ = std::clamp(std::isfinite(level) ? level : 0.0, 0.0, 1.0);
    levelChanged_ = true;
    // A duration that is no number shows nothing rather than forever.
    requestedSeconds_ = std::isfinite(seconds) ? std::max(seconds, 0.0) : 0.0;
    showRequested_ = true;
    Unlock();
    wake();
}

std::string MagicToken::title() const {
    auto* self = const_cast<MagicToken*>(this);
    self->Lock();
    std::string t = pendingTitle_;
    self->Unlock();
    return t;
}

std::string MagicToken::text() const {
    auto* self = const_cast<MagicToken*>(this);
    self->Lock();
    std::string t = pendingText_;
    self->Unlock();
    return t;
}

double MagicToken::levelTarget() const {
    auto* self = const_cast<MagicToken*>(this);
    self->Lock();
    const double l = pendingLevel_;
    self->Unlock();
    return l;
}

double MagicToken::duration() const {
    return duration_;
}

void MagicToken::wake() {
    // The pump sleeps up to a second while the overlay is hidden; a posted message wakes it.
    if (yt::ytWindow* window = Window()) window->Post(kWakeMessage, 0, 0);
}

// ---- 3. the per-frame update --------------------------------------------------------------------

void MagicToken::applyPending(double t) {
    Lock();
    const std::string title = pendingTitle_, text = pendingText_;
    const bool levelChanged = levelChanged_, show = showRequested_;
    const double level = pendingLevel_, seconds = requestedSeconds_;
    levelChanged_ = showRequested_ = false;
    Unlock();
    if (titleNode_ && titleNode_->text() != title) titleNode_->SetText(title);
    if (textNode_ && textNode_->text() != text) textNode_->SetText(text);
    if (levelChanged)
        level_.animateTo({yt::Viscous, level_.finalValue(), level, t, t + kLevelSeconds},
                         yt::ytBlend::Additive);
    if (show) {
        duration_ = seconds;
        stopwatchStart_ = t;
    }
}

int MagicToken::OnTimer(double) {
    const double t = now();
    applyPending(t);
    const bool running = stopwatchStart_ >= 0 && t - stopwatchStart_ < duration_;
    if (!running) stopwatchStart_ = -1;
    const double target = running ? 1.0 : 0.0;
    alpha_.animateTo({yt::Viscous, alpha_.finalValue(), target, t,
                      t + (running ? kFadeInSeconds : kFadeOutSeconds)},
                     yt::ytBlend::Additive);
    shownAlpha_ = std::clamp(alpha_.get(t), 0.0, 1.0);
    if (shownAlpha_ < kHiddenAlpha && !running) shownAlpha_ = 0;

    const float scale = contentScale();
    if (content_ && (content_->scaleX() != scale || content_->scaleY() != scale))
        content_->SetScale(scale, scale);
    if (levelNode_) {
        const float l = static_cast<float>(std::clamp(level_.get(t), 0.0, 1.0));
        // The bar shows the level by its width: a rectangle is sized, anything else stretched.
        if (levelIsRect_) {
            auto* bar = static_cast<yt::ytColorRectNode*>(levelNode_);
            if (bar->width() != levelWidth_ * l) bar->SetSize(levelWidth_ * l, bar->height());
        } else if (levelNode_->stretchX() != l) {
            levelNode_->SetStretch(l, 1);
        }
    }

    yt::ytWindow* window = Window();
    if (!window) return shownAlpha_ > 0 || running ? 16 : 1000;
    if (shownAlpha_ > 0) {
        SetAlpha(static_cast<int>(255 * shownAlpha_));
        if (!window->IsVisible()) {
            window->Show(true);
            window->SetTopmost();
        }
        Render(nullptr);
        return 16;
    }
    if (window->IsVisible()) window->Show(false);
    return running ? 16 : 1000;
}

intptr_t MagicToken::HandleInput(yt::ytMessage& message) {
    if (message.message == kWakeMessage) {
        OnTimer(now());
        return base::kHandled;
    }
    return yt::ytDrawUI::HandleInput(message);
}

bool MagicToken::visible() const {
    yt::ytWindow* window = Window();
    return window ? window->IsVisible() : shownAlpha_ > 0;
}

// ---- 4. the window ------------------------------------------------------------------------------

MagicTokenWindow::MagicTokenWindow(yt::ytAnimValue::ClockSource clock) {
    token_ = new MagicToken(clock);
    token_->Build();
    // Centred, in the lower third of the primary display's work area.
    const platform::ScreenRect work = platform::primaryWorkArea();
    const int left = (work.left + work.right - MagicToken::kSize) / 2;
    const int top = work.top + (work.bottom - work.top) * 2 / 3 - MagicToken::kSize / 2;
    auto* window = new yt::ytWindow();
    if (!window->Create("Tintelnote", yt::WindowKind::Popup, yt::Sizing::Fixed, left, top,
                        left + MagicToken::kSize, top + MagicToken::kSize)) {
        window->Release();
        return;
    }
    window_ = window;
    window_->SetDocument(token_);
}

MagicTokenWindow::~MagicTokenWindow() {
    if (window_) {
        // Destroying the window deletes the overlay and lets the window go.
        if (platform::NativeWindow* native = window_->Native()) native->destroy();
    } else {
        delete token_;
    }
}

}  // namespace tintel
