// ytDrawUI: message routing, the window-facing slots (paint, resize, render and present, region,
// alpha), mouse routing with capture, and keyboard focus.
#include "toolkit/draw_ui.h"

#include <algorithm>

#include "toolkit/toolkit.h"
#include "toolkit/window.h"

namespace yt {
namespace {

constexpr uint32_t kWmRButtonUp = 0x0205;

// The union of two rectangles; an empty one adds nothing.
ytRect unite(const ytRect& a, const ytRect& b) {
    if (a.empty()) return b;
    if (b.empty()) return a;
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

ytRect intersect(const ytRect& a, const ytRect& b) {
    const ytRect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                   std::min(a.bottom, b.bottom)};
    return r.empty() ? ytRect{} : r;
}

// The signed 16-bit halves of a packed point.
int lowWord(intptr_t value) {
    return static_cast<int16_t>(static_cast<uint16_t>(value & 0xFFFF));
}
int highWord(intptr_t value) {
    return static_cast<int16_t>(static_cast<uint16_t>((value >> 16) & 0xFFFF));
}

}  // namespace

// The pump's entry for one document: each run calls the document's OnTimer with the clock, and
// the answer becomes the next interval. A deleted document leaves it to be removed.
class DocumentTick : public ytCallBase {
public:
    explicit DocumentTick(ytDrawUI* document) : document_(document) {}
    // The list destroys this entry after a -1 or at toolkit stop: the document must forget it.
    ~DocumentTick() override {
        if (document_) document_->tick_ = nullptr;
    }
    int Run() override { return document_ ? document_->OnTimer(Clock()) : kCallbackRemove; }
    void Detach() { document_ = nullptr; }

private:
    ytDrawUI* document_;
};

ytDrawUI::ytDrawUI() : tick_(new DocumentTick(this)) {
    CountObject(1);
    AddCallback(tick_);
}

ytDrawUI::~ytDrawUI() {
    if (tick_) tick_->Detach();
    CountObject(-1);
}

platform::NativeWindow* ytDrawUI::native() const {
    return window_ ? window_->Native() : nullptr;
}

// ---- the window-facing slots --------------------------------------------------------------------

void ytDrawUI::Invalidate(const ytRect* area) {
    const ytRect r = area && !(area->left == -1 && area->top == -1 && area->right == -1 &&
                               area->bottom == -1)
                         ? intersect(*area, clip_)
                         : clip_;
    dirty_ = unite(dirty_, r);
    platform::NativeWindow* window = native();
    if (!window || r.empty()) return;
    // A per-pixel-alpha window has no WM_PAINT of its own to wait for: it is drawn now.
    if (window->perPixelAlpha()) {
        if (window->isVisible()) Render(&r);
        return;
    }
    const platform::ScreenRect s{r.left, r.top, r.right, r.bottom};
    window->invalidate(&s);
}

void ytDrawUI::Paint(void* context, const ytRect& area) {
    platform::NativeWindow* window = native();
    if (!window || backBuffer_.empty()) return;
    Lock();
    RenderFrame(clip_);
    window->paint(context, backBuffer_.pixels(), backBuffer_.width(), backBuffer_.height(),
                  {area.left, area.top, area.right, area.bottom});
    Unlock();
}

void ytDrawUI::Resize(const ytRect& client) {
    if (client == clip_ && backBuffer_.width() == client.width() &&
        backBuffer_.height() == client.height())
        return;
    Lock();
    clip_ = client;
    backBuffer_ = ytBitmap(static_cast<int>(client.width()), static_cast<int>(client.height()));
    dirty_ = clip_;
    Unlock();
    if (window_ && window_->IsVisible()) Render(nullptr);
}

void ytDrawUI::Render(const ytRect* area) {
    if (backBuffer_.empty()) return;
    Lock();
    const ytRect changed = RenderFrame(area ? intersect(*area, clip_) : clip_);
    if (!changed.empty()) present(changed);
    Unlock();
}

ytRect ytDrawUI::RenderFrame(const ytRect& area) {
    const ytRect changed = intersect(dirty_, area);
    if (!changed.empty() && changed == dirty_) dirty_ = {};
    return changed;
}

void ytDrawUI::present(const ytRect& area) {
    platform::NativeWindow* window = native();
    if (!window) return;
    if (window->present(backBuffer_.pixels(), backBuffer_.width(), backBuffer_.height(),
                        {area.left, area.top, area.right, area.bottom}))
        ++framesPresented_;
}

void ytDrawUI::FitWindowRegion() {
    if (platform::NativeWindow* window = native()) {
        const platform::ScreenRect r{clip_.left, clip_.top, clip_.right, clip_.bottom};
        window->setRegion(&r);
    }
}

bool ytDrawUI::PerPixelAlpha() const {
    platform::NativeWindow* window = native();
    return window && window->perPixelAlpha();
}

void ytDrawUI::SetAlpha(int alpha) {
    platform::NativeWindow* window = native();
    if (!window || !window->setAlpha(alpha)) return;
    alpha_ = std::clamp(alpha, 0, 255);
}

void ytDrawUI::SetCursor(platform::PointerShape shape) {
    cursorSet_ = true;
    if (platform::NativeWindow* window = native()) window->setCursor(shape);
}

void ytDrawUI::SetFocus(ytDrawNode* node) {
    focus_ = node ? node : defaultFocus_;
}

// ---- message routing ----------------------------------------------------------------------------

intptr_t ytDrawUI::HandleMessage(ytMessage& message) {
    if (message.eventType != kPlatformMessage) return OnEvent(message);
    if (message.message == base::kWmCommand && message.lParam == 0) return OnCommand(message);
    if (message.message == base::kWmTimer) {
        OnTimer(Clock());
        return base::kHandled;
    }
    return HandleInput(message);
}

intptr_t ytDrawUI::HandleInput(ytMessage& message) {
    platform::NativeWindow* window = native();
    MouseEvent event;
    event.x = lowWord(message.lParam);
    event.y = highWord(message.lParam);
    ytDrawNode* node = nullptr;
    intptr_t result = base::kNotHandled;
    auto handled = [](intptr_t r) { return r == base::kHandled || r == base::kHandledStop; };
    cursorSet_ = false;
    switch (message.message) {
        case base::kWmLButtonDown:
            event.kind = kMousePress;
            result = DispatchMouse(message, event, nullptr, &node);
            if (handled(result) && node) {
                capture_[kCaptureLeft] = node;
                if (window) window->setCapture(true);
            }
            break;
        case base::kWmLButtonUp:
        case base::kWmRButtonDown: {
            if (window && !capture_[kCaptureMiddle]) window->setCapture(false);
            if (ytDrawNode* captured = capture_[kCaptureLeft]) {
                capture_[kCaptureLeft] = nullptr;
                event.kind = kMouseRelease;
                result = DispatchMouse(message, event, captured, &node);
            }
            if (message.message == base::kWmRButtonDown) {
                event.kind = kMouseRightPress;
                node = nullptr;
                result = DispatchMouse(message, event, nullptr, &node);
                OnContextMenu(node);
            }
            break;
        }
        case kWmRButtonUp:
            return base::kNotHandled;
        case base::kWmLButtonDblClk:
            event.kind = kMouseDoubleClick;
            result = DispatchMouse(message, event, nullptr, &node);
            break;
        case base::kWmMButtonDown:
            event.kind = kMouseMiddlePress;
            result = DispatchMouse(message, event, nullptr, &node);
            if (handled(result) && node) {
                capture_[kCaptureMiddle] = node;
                if (window) window->setCapture(true);
            }
            break;
        case base::kWmMButtonUp:
            if (ytDrawNode* captured = capture_[kCaptureMiddle]) {
                capture_[kCaptureMiddle] = nullptr;
                if (window && !capture_[kCaptureLeft]) window->setCapture(false);
                event.kind = kMouseMiddleRelease;
                result = DispatchMouse(message, event, captured, &node);
            }
            break;
        case base::kWmMouseMove: {
            ytDrawNode* captured =
                capture_[kCaptureLeft] ? capture_[kCaptureLeft] : capture_[kCaptureMiddle];
            event.kind = captured ? kMouseDrag : kMouseHover;
            result = DispatchMouse(message, event, captured, &node);
            if (!cursorSet_ && window) window->setCursor(platform::PointerShape::Arrow);
            break;
        }
        case base::kWmMouseWheel: {
            // The point of a wheel message is in screen coordinates.
            event.kind = kMouseWheel;
            event.wheelNotches = highWord(static_cast<intptr_t>(message.wParam)) / 120;
            if (window) window->screenToClient(&event.x, &event.y);
            result = DispatchMouse(message, event, nullptr, &node);
            break;
        }
        default:
            return base::kNotHandled;
    }
    // The nodes changed what they show: the whole window is drawn again.
    if (handled(result)) Render(nullptr);
    return result;
}

intptr_t ytDrawUI::HandleKey(ytMessage& message) {
    if (platform::isKeyDown(platform::kVkControl)) return base::kNotHandled;
    if (message.message == base::kWmKeyDown) {
        const uintptr_t key = message.wParam;
        if (key != platform::kVkClear && (key < platform::kVkSpace || key > platform::kVkDown))
            return base::kNotHandled;
        return focus_ ? SendKey(focus_, message) : base::kNotHandled;
    }
    if (message.message == base::kWmChar) {
        if (message.wParam == platform::kVkTab) {
            SetFocus(NextFocus(focus_, platform::isKeyDown(platform::kVkShift)));
            return base::kHandled;
        }
        return focus_ ? SendKey(focus_, message) : base::kNotHandled;
    }
    return base::kNotHandled;
}

intptr_t ytDrawUI::DispatchMouse(ytMessage&, const MouseEvent&, ytDrawNode*, ytDrawNode**) {
    return base::kNotHandled;
}
intptr_t ytDrawUI::SendKey(ytDrawNode*, ytMessage&) {
    return base::kNotHandled;
}
ytDrawNode* ytDrawUI::NextFocus(ytDrawNode*, bool) {
    return nullptr;
}
void ytDrawUI::OnContextMenu(ytDrawNode*) {}

intptr_t ytDrawUI::OnEvent(ytMessage&) {
    return base::kNotHandled;
}
intptr_t ytDrawUI::OnCommand(ytMessage&) {
    return base::kNotHandled;
}
int ytDrawUI::OnTimer(double) {
    return kCallbackRemove;
}

}  // namespace yt
