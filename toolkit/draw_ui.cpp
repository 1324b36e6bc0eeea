#include "toolkit/draw_ui.h"

#include <algorithm>

#include "toolkit/bitmap_ops.h"
#include "toolkit/toolkit.h"
#include "toolkit/window.h"

namespace yt {

// The pump's entry for one document: each run calls the document's OnTimer with
// the clock, and the answer becomes the next interval. A deleted document
// leaves it to be removed.
class DocumentTick : public ytCallBase {
public:
    explicit DocumentTick(ytDrawUI* document) : document_(document) {}
    // The list destroys this entry after a -1 or at toolkit stop: the document
    // must forget it.
    ~DocumentTick() override {
        if (document_) document_->tick_ = nullptr;
    }
    int Run() override {
        if (!document_) return kCallbackRemove;
        const int next = document_->OnTimer(Clock());
        if (document_) document_->RenderChanges();
        return next;
    }
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
    ReleaseCaptures();
    for (ytDrawNode* n : hovered_)
        n->Release();
    hovered_.clear();
    focus_.reset();
    defaultFocus_.reset();
    if (root_) root_->Release();
    CountObject(-1);
}

intptr_t ytDrawUI::HandleMessage(ytMessage& message) {
    if (message.eventType != kPlatformMessage) return OnEvent(message);
    if (message.message == base::kWmCommand && message.lParam == 0) return OnCommand(message);
    if (message.message == base::kWmTimer) {
        OnTimer(Clock());
        RenderChanges();
        return base::kHandled;
    }
    return HandleInput(message);
}

intptr_t ytDrawUI::HandleKey(ytMessage& message) {
    if (platform::isKeyDown(platform::kVkControl)) return base::kNotHandled;
    ytRef<ytDrawNode> focused(focus_.get());
    if (message.message == base::kWmKeyDown) {
        const uintptr_t key = message.wParam;
        if (key != platform::kVkClear && (key < platform::kVkSpace || key > platform::kVkDown))
            return base::kNotHandled;
        return focused ? focused->HandleKey(message.message, key) : intptr_t{base::kNotHandled};
    }
    if (message.message == base::kWmChar) {
        if (message.wParam == platform::kVkTab) {
            SetFocus(nextFocus(focused.get(), platform::isKeyDown(platform::kVkShift)));
            return base::kHandled;
        }
        return focused ? focused->HandleKey(message.message, message.wParam)
                       : intptr_t{base::kNotHandled};
    }
    return base::kNotHandled;
}

namespace {

// The focusable nodes of a tree in drawing order, hidden and disabled subtrees
// left out.
void collectFocusable(ytDrawNode* node, std::vector<ytDrawNode*>& out) {
    if (!node || node->hidden() || node->disabled()) return;
    if (node->Focusable()) out.push_back(node);
    for (ytDrawNode* child : node->children())
        collectFocusable(child, out);
}

// The signed 16-bit halves of a packed point.
int lowWord(intptr_t value) {
    return static_cast<int16_t>(static_cast<uint16_t>(value & 0xFFFF));
}
int highWord(intptr_t value) {
    return static_cast<int16_t>(static_cast<uint16_t>((value >> 16) & 0xFFFF));
}

}  // namespace

ytDrawNode* ytDrawUI::nextFocus(ytDrawNode* from, bool backwards) const {
    std::vector<ytDrawNode*> nodes;
    collectFocusable(root_, nodes);
    if (nodes.empty()) return nullptr;
    const auto it = std::find(nodes.begin(), nodes.end(), from);
    const size_t n = nodes.size();
    if (it == nodes.end()) return backwards ? nodes.back() : nodes.front();
    const size_t i = static_cast<size_t>(it - nodes.begin());
    return nodes[backwards ? (i + n - 1) % n : (i + 1) % n];
}

platform::NativeWindow* ytDrawUI::native() const {
    return window_ ? window_->Native() : nullptr;
}

void ytDrawUI::Paint(void* context, const ytRect& area) {
    platform::NativeWindow* window = native();
    if (!window || backBuffer_.empty()) return;
    Lock();
    RenderFrame();
    window->paint(context, backBuffer_.pixels(), backBuffer_.width(), backBuffer_.height(),
                  {area.left, area.top, area.right, area.bottom});
    Unlock();
}

void ytDrawUI::Render(const ytRect* area) {
    Lock();
    const ytRect changed = RenderFrame(area);
    if (!changed.empty()) present(changed);
    Unlock();
}

void ytDrawUI::RenderChanges() {
    // What a tick changed in the nodes reaches the screen now: a per-pixel alpha window gets no
    // WM_PAINT, and an opaque one would wait for the next unrelated one. Nothing is drawn when
    // nothing changed; a hidden window is drawn whole when it shows.
    if (window_ && window_->IsVisible()) Render(nullptr);
}

void ytDrawUI::present(const ytRect& area) {
    platform::NativeWindow* window = native();
    if (!window) return;
    if (window->present(backBuffer_.pixels(), backBuffer_.width(), backBuffer_.height(),
                        {area.left, area.top, area.right, area.bottom}))
        ++framesPresented_;
}

void ytDrawUI::FitWindowRegion() {
    platform::NativeWindow* window = native();
    if (!window) return;
    const ytRect clip =
        root_ && root_->clipping() ? root_->clipRect() : ytRect{0, 0, width_, height_};
    const platform::ScreenRect r{clip.left, clip.top, clip.right, clip.bottom};
    window->setRegion(&r);
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

void ytDrawUI::Resize(int width, int height) {
    width = std::max(width, 0), height = std::max(height, 0);
    const ytRect client{0, 0, width, height};
    if (width == width_ && height == height_ && backBuffer_.width() == width &&
        (!root_ || (root_->clipping() && root_->clipRect() == client)))
        return;
    Lock();
    width_ = width;
    height_ = height;
    backBuffer_ = ytBitmap(width, height);
    if (root_) root_->SetClip(client);
    invalid_ = client;
    Unlock();
    if (window_ && window_->IsVisible()) Render(nullptr);
}

intptr_t ytDrawUI::HandleInput(ytMessage& message) {
    int32_t kind = 0, wheel = 0;
    switch (message.message) {
        case base::kWmLButtonDown:
            kind = kMouseDown;
            break;
        case base::kWmLButtonUp:
            kind = kMouseUp;
            break;
        case base::kWmRButtonDown:
            kind = kMouseRightDown;
            break;
        case base::kWmLButtonDblClk:
            kind = kMouseDoubleClick;
            break;
        case base::kWmMButtonDown:
            kind = kMouseMiddleDown;
            break;
        case base::kWmMButtonUp:
            kind = kMouseMiddleUp;
            break;
        case base::kWmMouseMove:
            kind = kMouseHover;
            break;
        case base::kWmMouseWheel:
            kind = kMouseWheel;
            wheel = highWord(static_cast<intptr_t>(message.wParam)) / 120;
            break;
        default:
            return base::kNotHandled;
    }
    platform::NativeWindow* window = native();
    int x = lowWord(message.lParam), y = highWord(message.lParam);
    // The point of a wheel message is in screen coordinates.
    if (kind == kMouseWheel && window) window->screenToClient(&x, &y);
    uint32_t buttons = 0;
    if (message.wParam & 0x0001) buttons |= kLeftButton;
    if (message.wParam & 0x0002) buttons |= kRightButton;
    if (message.wParam & 0x0010) buttons |= kMiddleButton;
    const intptr_t result =
        DispatchMouse(kind, static_cast<float>(x), static_cast<float>(y), buttons, wheel);
    if (window) {
        // The window holds the mouse while a node holds a button.
        const bool capture = Capture(0) || Capture(2);
        if (capture != windowCaptured_) window->setCapture(capture);
        windowCaptured_ = capture;
        if (kind == kMouseHover) {
            const CursorKind wanted = cursor();
            window->setCursor(wanted == CursorKind::kText      ? platform::PointerShape::IBeam
                              : wanted == CursorKind::kProgram ? platform::PointerShape::Hand
                                                               : platform::PointerShape::Arrow);
        }
    }
    // The nodes may have changed what they show: the whole window is rendered.
    if (result == base::kHandled || result == base::kHandledStop) {
        const ytRect all{0, 0, width_, height_};
        Render(&all);
    }
    return result;
}
intptr_t ytDrawUI::OnEvent(ytMessage&) {
    return base::kNotHandled;
}
intptr_t ytDrawUI::OnCommand(ytMessage&) {
    return base::kNotHandled;
}
int ytDrawUI::OnTimer(double) {
    return kCallbackRemove;
}
intptr_t ytDrawUI::OnContextMenu(ytDrawNode*) {
    return base::kNotHandled;
}

// ---- the scene ---------------------------------------------------------------------------------

void ytDrawUI::SetRoot(ytDrawNode* root) {
    if (root == root_) return;
    Lock();
    if (root) {
        root->AddRef();
        root->SetRootOf(this);
        root->SetClip(ytRect{0, 0, width_, height_});
    }
    if (root_) root_->Release();
    root_ = root;
    invalid_ = ytRect{0, 0, width_, height_};
    Unlock();
}

void ytDrawUI::Invalidate(const ytRect& area) {
    const ytRect client{0, 0, width_, height_};
    if (area.left == -1 && area.top == -1 && area.right == -1 && area.bottom == -1)
        invalid_ = client;
    else
        invalid_ = Unite(invalid_, Intersect(area, client));
    platform::NativeWindow* window = native();
    if (!window || invalid_.empty()) return;
    if (window->perPixelAlpha()) {
        if (window->isVisible()) Render(nullptr);
        return;
    }
    const platform::ScreenRect r{invalid_.left, invalid_.top, invalid_.right, invalid_.bottom};
    window->invalidate(&r);
}

namespace {

// Brings every node up to date: a node whose parent moved recomputes its
// matrices too.
void updateTree(ytDrawNode* node, bool parentMoved) {
    if (parentMoved) node->MarkDirty(kDirtyTransform);
    const bool moves = (node->dirty() & kDirtyTransform) != 0;
    node->ClearFrameBounds();
    node->Update();
    for (ytDrawNode* c : node->children())
        updateTree(c, moves);
}

int64_t area(const ytRect& r) {
    return r.width() * r.height();
}

// Merges rectangles that overlap, or whose union costs little more than drawing
// both; more than eight left become their union.
void mergeRects(std::vector<ytRect>& rects) {
    bool merged = true;
    while (merged) {
        merged = false;
        for (size_t i = 0; i < rects.size() && !merged; ++i) {
            for (size_t j = i + 1; j < rects.size(); ++j) {
                const ytRect u = Unite(rects[i], rects[j]);
                const bool touch = !Intersect(rects[i], rects[j]).empty();
                if (touch || area(u) <= area(rects[i]) + area(rects[j]) + 256) {
                    rects[i] = u;
                    rects.erase(rects.begin() + static_cast<ptrdiff_t>(j));
                    merged = true;
                    break;
                }
            }
        }
    }
    if (rects.size() > 8) {
        ytRect u;
        for (const ytRect& r : rects)
            u = Unite(u, r);
        rects.assign(1, u);
    }
}

}  // namespace

void ytDrawUI::gatherDirty(ytDrawNode* node, bool subtree, std::vector<ytRect>& rects) {
    const uint32_t d = node->dirty();
    if (subtree || (d & (kDirtyContent | kDirtyBounds | kDirtyMoved))) {
        if (!node->drawnBounds().empty()) rects.push_back(node->drawnBounds());
        if (!node->frameBounds().empty()) rects.push_back(node->frameBounds());
    }
    const bool inner = subtree || node->subtreeDirty();
    for (ytDrawNode* c : node->children())
        gatherDirty(c, inner, rects);
}

void ytDrawUI::finishFrame(ytDrawNode* node) {
    node->FrameDone();
    for (ytDrawNode* c : node->children())
        finishFrame(c);
}

ytRect ytDrawUI::RenderFrame(const ytRect* wanted) {
    Lock();
    lastDirty_.clear();
    drawList_.clear();
    const ytRect client{0, 0, width_, height_};
    if (!root_ || backBuffer_.empty()) {
        Unlock();
        return {};
    }
    updateTree(root_, false);
    root_->CollectDrawList(drawList_, client, 256);

    std::vector<ytRect> rects;
    gatherDirty(root_, false, rects);
    if (!invalid_.empty()) rects.push_back(invalid_);
    if (wanted) rects.push_back(*wanted);
    for (ytRect& r : rects)
        r = Intersect(r, client);
    rects.erase(
        std::remove_if(rects.begin(), rects.end(), [](const ytRect& r) { return r.empty(); }),
        rects.end());
    mergeRects(rects);

    ytRect drawn;
    for (const ytRect& r : rects) {
        FillRect(backBuffer_, r, 0);
        for (const ytDrawEntry& e : drawList_) {
            const ytRect c = Intersect(e.clip, r);
            if (c.empty() || Intersect(e.node->frameBounds(), c).empty()) continue;
            e.node->Draw(backBuffer_, e, c);
        }
        drawn = Unite(drawn, r);
    }
    finishFrame(root_);
    invalid_ = {};
    lastDirty_ = std::move(rects);
    Unlock();
    return drawn;
}

// ---- input -------------------------------------------------------------------------------------

void ytDrawUI::setCapture(int button, ytDrawNode* node) {
    if (node) node->AddRef();
    if (captured_[button]) captured_[button]->Release();
    captured_[button] = node;
}

void ytDrawUI::ReleaseCaptures() {
    for (int b = 0; b < 3; ++b)
        setCapture(b, nullptr);
}

namespace {
intptr_t deliverCaptured(ytDrawNode* node, ytMouseEvent& event) {
    const ytPointF p = node->FromWindow(event.x, event.y);
    event.lx = p.x, event.ly = p.y;
    return node->Deliver(event);
}
}  // namespace

intptr_t ytDrawUI::DispatchMouse(int32_t kind, float x, float y, uint32_t buttons, int32_t wheel) {
    Lock();
    ytRef<ytDrawNode> root(root_);
    std::vector<ytDrawNode*> hovered;
    ytMouseEvent ev;
    ev.kind = kind;
    ev.x = x, ev.y = y;
    ev.buttons = buttons;
    ev.wheel = wheel;
    ev.document = this;
    intptr_t result = base::kNotHandled;
    ytDrawNode* hit = nullptr;
    const auto throughTree = [&](int32_t k) {
        ev.kind = k;
        hit = nullptr;
        return root ? root->DispatchMouse(ev, &hit) : intptr_t{base::kNotHandled};
    };
    const auto toCapture = [&](int button, int32_t k) {
        ytRef<ytDrawNode> node(captured_[button]);
        ev.kind = k;
        return node ? deliverCaptured(node.get(), ev) : intptr_t{base::kNotHandled};
    };
    bool hoverPass = false;
    switch (kind) {
        case kMouseDown:
            result = throughTree(kMouseDown);
            setCapture(0, hit);
            break;
        case kMouseDoubleClick:
            result = throughTree(kMouseDoubleClick);
            break;
        case kMouseHover:
        case kMouseDrag:
            if (captured_[0]) {
                result = toCapture(0, kMouseDrag);
            } else if (captured_[2]) {
                result = toCapture(2, kMouseDrag);
            } else {
                ev.hovered = &hovered;
                hoverPass = true;
                result = throughTree(kMouseHover);
            }
            break;
        case kMouseUp:
            result = toCapture(0, kMouseUp);
            setCapture(0, nullptr);
            break;
        case kMouseRightDown:
            if (captured_[0]) {
                toCapture(0, kMouseUp);
                setCapture(0, nullptr);
            }
            result = throughTree(kMouseRightDown);
            if (!hit && root) hit = root->NodeAt(x, y);
            if (hit) {
                ytRef<ytDrawNode> keep(hit);
                OnContextMenu(hit);
            }
            break;
        case kMouseMiddleDown:
            result = throughTree(kMouseMiddleDown);
            setCapture(2, hit);
            break;
        case kMouseMiddleUp:
            result = toCapture(2, kMouseMiddleUp);
            setCapture(2, nullptr);
            break;
        default:
            result = throughTree(kind);
            break;
    }
    if (hoverPass) {
        for (ytDrawNode* n : hovered)
            n->AddRef();
        for (ytDrawNode* old : hovered_) {
            if (std::find(hovered.begin(), hovered.end(), old) == hovered.end()) old->MouseLeave();
            old->Release();
        }
        hovered_ = std::move(hovered);
    }
    cursor_ = ev.cursor;
    Unlock();
    return result;
}

// ---- keyboard focus ----------------------------------------------------------------------------

void ytDrawUI::SetFocus(ytDrawNode* node) {
    focus_ = node ? ytRef<ytDrawNode>(node) : defaultFocus_;
}

void ytDrawUI::SetDefaultFocus(ytDrawNode* node) {
    defaultFocus_ = ytRef<ytDrawNode>(node);
    if (!focus_) focus_ = defaultFocus_;
}

}  // namespace yt
