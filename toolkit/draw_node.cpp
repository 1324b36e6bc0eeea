// ytDrawNode: the tree, placement rules, matrices, dirty bits, the draw list and mouse routing.
//
// Contents
//   1. names and the draw list
//   2. life and the tree
//   3. placement and matrices
//   4. frames: update, draw list, dirty bounds
//   5. mouse routing and events
#include "toolkit/draw_node.h"

#include <algorithm>
#include <cmath>

#include "base/messages.h"
#include "toolkit/bitmap_ops.h"
#include "toolkit/draw_ui.h"
#include "toolkit/nodes.h"

namespace yt {

// ---- 1. names and the draw list
// -------------------------------------------------------------------

namespace {
ytNameLookup* g_lookup = nullptr;
}

void SetNameLookup(ytNameLookup* lookup) {
    g_lookup = lookup;
}
ytNameLookup* NameLookup() {
    return g_lookup;
}
ytDrawNode* FindNodeByName(const std::string& name) {
    return g_lookup ? g_lookup->FindNode(name) : nullptr;
}

int32_t ytDrawEntry::Effective() const {
    return node ? node->opacity() * opacity / 256 : 0;
}

// ---- 2. life and the tree
// -------------------------------------------------------------------------

ytDrawNode::ytDrawNode() = default;

ytDrawNode::~ytDrawNode() {
    for (ytDrawNode* child : children_) {
        child->parent_ = nullptr;
        child->Release();
    }
    for (ytHandler* handler : handlers_)
        handler->Release();
}

bool ytDrawNode::isAncestorOf(const ytDrawNode* node) const {
    for (const ytDrawNode* p = node; p; p = p->parent()) {
        if (p == this) return true;
    }
    return false;
}

int32_t ytDrawNode::AddChild(ytDrawNode* child) {
    if (!child || child->isAncestorOf(this)) return -1;
    if (std::find(children_.begin(), children_.end(), child) != children_.end()) return 0;
    try {
        children_.reserve(children_.size() + 1);
    } catch (...) {
        return 4;
    }
    child->AddRef();
    if (ytDrawNode* old = child->parent()) old->RemoveChild(child);
    children_.push_back(child);
    child->isRoot_ = false;
    child->owner_ = nullptr;
    child->parent_ = this;
    child->MarkDirty(kDirtyAll);  // the child's area draws; the parent's own pixels stay
    return 0;
}

namespace {
ytRect subtreeDrawn(const ytDrawNode* node) {
    ytRect r = node->drawnBounds();
    for (const ytDrawNode* c : node->children())
        r = Unite(r, subtreeDrawn(c));
    return r;
}
}  // namespace

int32_t ytDrawNode::RemoveChild(ytDrawNode* child) {
    auto it = std::find(children_.begin(), children_.end(), child);
    if (it == children_.end()) return -1;
    children_.erase(it);
    if (ytDrawUI* doc = document()) {
        const ytRect gone = subtreeDrawn(child);
        if (!gone.empty()) doc->Invalidate(gone);
    }
    child->parent_ = nullptr;
    child->Release();
    return 0;
}

int32_t ytDrawNode::MoveUnder(ytDrawNode* parent) {
    if (!parent) return -1;
    ClearConstraints();
    if (isAncestorOf(parent)) return -1;
    return parent->AddChild(this);
}

ytDrawUI* ytDrawNode::document() const {
    const ytDrawNode* n = this;
    while (!n->isRoot_ && n->parent_)
        n = n->parent_;
    return n->isRoot_ ? n->owner_ : nullptr;
}

void ytDrawNode::SetRootOf(ytDrawUI* document) {
    isRoot_ = true;
    owner_ = document;
    parent_ = nullptr;
    MarkDirty(kDirtyAll);
}

// ---- 3. placement and matrices
// --------------------------------------------------------------------

namespace {
template <class T>
bool assign(T& field, T value) {
    if (field == value) return false;
    field = value;
    return true;
}
}  // namespace

void ytDrawNode::SetPosition(float x, float y) {
    if (assign(x_, x) | assign(y_, y)) MarkDirty(kDirtyAll);
}
void ytDrawNode::SetAxisPosition(Axis axis, float value) {
    if (assign(axis == Axis::kX ? x_ : y_, value)) MarkDirty(kDirtyAll);
}
void ytDrawNode::SetPivot(float x, float y) {
    if (assign(pivotX_, x) | assign(pivotY_, y)) MarkDirty(kDirtyAll);
}
void ytDrawNode::SetAngle(float radians) {
    if (assign(angle_, radians)) MarkDirty(kDirtyAll);
}
void ytDrawNode::SetScale(float x, float y) {
    if (assign(scaleX_, x) | assign(scaleY_, y)) MarkDirty(kDirtyAll);
}
void ytDrawNode::SetStretch(float x, float y) {
    if (assign(stretchX_, x) | assign(stretchY_, y)) MarkDirty(kDirtyAll);
}

void ytDrawNode::AddConstraint(Axis axis, const ytConstraint& rule) {
    ytConstraint* r = rules_[int(axis)];
    ytConstraint added = rule;
    added.inUse = true;
    if (!r[0].inUse) {
        r[0] = added;
    } else if (!r[1].inUse) {
        r[1] = added;
    } else {
        r[0] = r[1];
        r[1] = added;
    }
    MarkDirty(kDirtyAll);
}

void ytDrawNode::ClearConstraints() {
    for (auto& axis : rules_)
        for (auto& r : axis)
            r = ytConstraint();
    stretchX_ = stretchY_ = 1;
    MarkDirty(kDirtyAll);
}

int ytDrawNode::ConstraintCount(Axis axis) const {
    return int(rules_[int(axis)][0].inUse) + int(rules_[int(axis)][1].inUse);
}

bool ytDrawNode::HasConstraints() const {
    return ConstraintCount(Axis::kX) + ConstraintCount(Axis::kY) > 0;
}

namespace {
void axisOf(const ytRectF& r, Axis axis, float* lo, float* hi) {
    *lo = axis == Axis::kX ? r.left : r.top;
    *hi = axis == Axis::kX ? r.right : r.bottom;
}
}  // namespace

bool ytDrawNode::PositionRange(Axis axis, float* lo, float* hi) const {
    const ytDrawNode* p = parent();
    if (!p) return false;
    for (const ytConstraint& r : rules_[int(axis)]) {
        if (!r.inUse || !r.range) continue;
        float l, h, p0, p1;
        axisOf(LocalBounds(), axis, &l, &h);
        axisOf(p->LocalBounds(), axis, &p0, &p1);
        const float scale = axis == Axis::kX ? scaleX_ : scaleY_;
        const float anchor = l + scale * r.a1 * (h - l);
        *lo = p0 + r.a2 * (p1 - p0) + r.a3 - anchor;
        *hi = p0 + r.a4 * (p1 - p0) + r.a5 - anchor;
        return true;
    }
    return false;
}

void ytDrawNode::applyAxis(Axis axis, const ytRectF& own, const ytRectF& par) {
    const ytConstraint* r = rules_[int(axis)];
    const int count = ConstraintCount(axis);
    if (count == 0) return;
    float lo, hi, p0, p1;
    axisOf(own, axis, &lo, &hi);
    axisOf(par, axis, &p0, &p1);
    float& pos = axis == Axis::kX ? x_ : y_;
    float& stretch = axis == Axis::kX ? stretchX_ : stretchY_;
    const float scale = axis == Axis::kX ? scaleX_ : scaleY_;
    const ytConstraint& r1 = r[0].inUse ? r[0] : r[1];
    const float t1 = p0 + r1.a2 * (p1 - p0) + r1.a3;
    if (count == 2 && !own.empty() && r[1].a1 != r[0].a1) {
        const float t2 = p0 + r[1].a2 * (p1 - p0) + r[1].a3;
        stretch = (t2 - t1) / ((r[1].a1 - r[0].a1) * (hi - lo));
        pos = t1 - (lo + scale * stretch * r[0].a1 * (hi - lo));
        return;
    }
    const float anchor = lo + scale * r1.a1 * (hi - lo);
    if (!r1.range) {
        pos = t1 - anchor;
        return;
    }
    const float t2 = p0 + r1.a4 * (p1 - p0) + r1.a5;
    const float a = t1 - anchor, b = t2 - anchor;
    pos = std::clamp(pos, std::min(a, b), std::max(a, b));
}

int32_t ytDrawNode::ApplyConstraints() {
    if (evaluating_) return 3;
    const ytDrawNode* p = parent();
    if (isRoot_ || !p || !HasConstraints()) return 0;
    evaluating_ = true;
    const ytRectF own = LocalBounds();
    const ytRectF par = p->LocalBounds();
    applyAxis(Axis::kX, own, par);
    applyAxis(Axis::kY, own, par);
    evaluating_ = false;
    return 0;
}

void ytDrawNode::MarkPlacedDescendants() {
    for (ytDrawNode* c : children_) {
        if (c->HasConstraints() || c->UsesCustomPlacement()) c->dirty_ |= kDirtyTransform;
        c->MarkPlacedDescendants();
    }
}

void ytDrawNode::UpdateLocalMatrix() {
    MarkPlacedDescendants();
    ytMatrix& m = local_;
    if (pivotX_ == 0 && pivotY_ == 0 && angle_ == 0 && scaleX_ == 1 && scaleY_ == 1 &&
        stretchX_ == 1 && stretchY_ == 1) {
        m = ytMatrix::Translation(x_, y_);
        return;
    }
    const float c = std::cos(angle_), s = std::sin(angle_);
    const float px = pivotX_, py = pivotY_, tx = stretchX_, ty = stretchY_;
    const float sx = scaleX_, sy = scaleY_;
    m = ytMatrix();
    m.identity = false;
    m.m[0][0] = c * tx * sx;
    m.m[0][1] = -s * ty * sx;
    m.m[0][2] = x_ + px + (ty * py * s - tx * px * c) * sx;
    m.m[1][0] = s * tx * sy;
    m.m[1][1] = c * ty * sy;
    m.m[1][2] = y_ + py - (ty * py * c + tx * px * s) * sy;
}

void ytDrawNode::UpdateWorldMatrix() {
    if (!(dirty_ & kDirtyTransform)) return;
    UpdateLocalMatrix();
    const ytDrawNode* p = parent();
    world_ = p ? p->world_ * local_ : local_;
}

const ytMatrix& ytDrawNode::CurrentWorld() {
    ytDrawNode* p = parent();
    if (dirty_ & kDirtyTransform) {
        ApplyConstraints();
        UpdateLocalMatrix();
    }
    world_ = p ? p->CurrentWorld() * local_ : local_;
    return world_;
}

ytRectF ytDrawNode::BoundsIn(const ytMatrix& matrix) const {
    if (!clipping_) return {};
    return matrix.MapBounds(
        ytRectF{float(clip_.left), float(clip_.top), float(clip_.right), float(clip_.bottom)});
}

ytRectF ytDrawNode::LocalBounds() const {
    if (clipping_)
        return {float(clip_.left), float(clip_.top), float(clip_.right), float(clip_.bottom)};
    return BoundsIn(ytMatrix());
}

ytRectF ytDrawNode::ParentBounds() const {
    return local_.MapBounds(LocalBounds());
}

// ---- 4. frames
// ------------------------------------------------------------------------------------

void ytDrawNode::Update() {
    if (!(dirty_ & kDirtyTransform)) return;
    ApplyConstraints();
    UpdateWorldMatrix();
    dirty_ = (dirty_ & ~uint32_t{kDirtyTransform}) | kDirtyMoved;
}

ytRect PixelBounds(const ytRectF& r) {
    if (r.empty()) return {};
    const auto lo = [](float v) { return int32_t(std::clamp(std::floor(v), -1.0e9f, 1.0e9f)); };
    const auto hi = [](float v) { return int32_t(std::clamp(std::ceil(v), -1.0e9f, 1.0e9f)); };
    return {lo(r.left), lo(r.top), hi(r.right), hi(r.bottom)};
}

void ytDrawNode::CollectDrawList(ytDrawList& list, const ytRect& clip, int32_t opacity) {
    if (hidden_) return;
    ytRect own = clip;
    if (clipping_)
        own = Intersect(
            clip, PixelBounds(world_.MapBounds(ytRectF{float(clip_.left), float(clip_.top),
                                                       float(clip_.right), float(clip_.bottom)})));
    current_ = Intersect(PixelBounds(BoundsIn(world_)), own);
    list.push_back(ytDrawEntry{this, world_, own, opacity});
    const int32_t inner = opacity * opacity_ / 256;
    for (ytDrawNode* c : children_)
        c->CollectDrawList(list, own, inner);
}

ytRect ytDrawNode::DirtyBounds() const {
    return Unite(drawn_, current_);
}

ytRect ytDrawNode::WindowBounds() const {
    return PixelBounds(BoundsIn(world_));
}

void ytDrawNode::FrameDone() {
    drawn_ = current_;
    subtreeDirty_ = false;
    dirty_ &= ~uint32_t{kDirtyContent | kDirtyBounds | kDirtyMoved};
}

void ytDrawNode::Draw(ytBitmap&, const ytDrawEntry&, const ytRect&) {}

void ytDrawNode::MarkDirty(uint32_t bits) {
    dirty_ |= bits;
}

void ytDrawNode::SetOpacity(int32_t opacity) {
    if (assign(opacity_, std::clamp(opacity, 0, 256))) {
        subtreeDirty_ = true;
        MarkDirty(kDirtyContent | kDirtyBounds);
    }
}
void ytDrawNode::SetClip(const ytRect& rect) {
    if (assign(clip_, rect) | assign(clipping_, true)) {
        subtreeDirty_ = true;
        MarkDirty(kDirtyAll);
    }
}
void ytDrawNode::SetClipping(bool on) {
    if (assign(clipping_, on)) {
        subtreeDirty_ = true;
        MarkDirty(kDirtyAll);
    }
}
void ytDrawNode::SetDisabled(bool disabled) {
    if (assign(disabled_, disabled)) {
        subtreeDirty_ = true;
        MarkDirty(kDirtyContent | kDirtyBounds);
    }
}
void ytDrawNode::SetHover(bool on) {
    if (assign(hover_, on)) MarkDirty(kDirtyContent);
}
void ytDrawNode::SetUseAlpha(bool on) {
    if (assign(useAlpha_, on)) MarkDirty(kDirtyContent);
}
void ytDrawNode::SetHighQuality(bool on) {
    if (assign(highQuality_, on)) MarkDirty(kDirtyContent);
}
void ytDrawNode::SetDither(bool on) {
    if (assign(dither_, on)) MarkDirty(kDirtyContent);
}

void ytDrawNode::Hide() {
    if (assign(hidden_, true)) {
        subtreeDirty_ = true;
        MarkDirty(kDirtyAll);
    }
}
void ytDrawNode::Show() {
    if (assign(hidden_, false)) {
        subtreeDirty_ = true;
        MarkDirty(kDirtyAll);
    }
}

void ytDrawNode::AddHandler(ytHandler* handler) {
    if (!handler) return;
    handler->AddRef();
    handlers_.insert(handlers_.begin(), handler);
}

// ---- 5. mouse routing and events
// ------------------------------------------------------------------

ytPointF ytDrawNode::FromWindow(float x, float y) {
    return CurrentWorld().Inverse().Map(x, y);
}

bool ytDrawNode::HitTest(float x, float y) const {
    return LocalBounds().Contains(x, y);
}

intptr_t ytDrawNode::Deliver(ytMouseEvent& event) {
    ytRef<ytDrawNode> keep(this);  // a handler may take the node out of the tree
    for (ytHandler* h : std::vector<ytHandler*>(handlers_)) {
        const intptr_t r = h->HandleEvent(this, event);
        if (r != base::kNotHandled) return r;
    }
    return HandleEvent(event);
}

namespace {
bool moveLike(int32_t kind) {
    return kind == kMouseHover || kind == kMouseDrag;
}
bool handled(intptr_t r) {
    return r == base::kHandled || r == base::kHandledStop;
}
}  // namespace

intptr_t ytDrawNode::DispatchMouse(ytMouseEvent& event, ytDrawNode** capture) {
    if (hidden_ || disabled_) return base::kNotHandled;
    const ytPointF p = FromWindow(event.x, event.y);
    if (clipping_ &&
        !(p.x >= clip_.left && p.x < clip_.right && p.y >= clip_.top && p.y < clip_.bottom))
        return base::kNotHandled;
    intptr_t result = base::kNotHandled;
    if (hitChildren_) {
        const std::vector<ytDrawNode*> kids(children_);
        for (auto it = kids.rbegin(); it != kids.rend(); ++it) {
            const intptr_t r = (*it)->DispatchMouse(event, capture);
            if (!handled(r)) continue;
            if (!moveLike(event.kind)) return r;
            result = base::kHandled;
        }
    }
    event.lx = p.x, event.ly = p.y;
    const intptr_t own = Deliver(event);
    if (handled(own)) {
        if (capture && !*capture && !moveLike(event.kind)) *capture = this;
        return own;
    }
    return result;
}

ytDrawNode* ytDrawNode::NodeAt(float x, float y) {
    if (hidden_ || disabled_) return nullptr;
    const ytPointF p = FromWindow(x, y);
    if (clipping_ &&
        !(p.x >= clip_.left && p.x < clip_.right && p.y >= clip_.top && p.y < clip_.bottom))
        return nullptr;
    if (hitChildren_)
        for (auto it = children_.rbegin(); it != children_.rend(); ++it)
            if (ytDrawNode* n = (*it)->NodeAt(x, y)) return n;
    return HitTest(p.x, p.y) ? this : nullptr;
}

intptr_t ytDrawNode::HandleEvent(ytMouseEvent& event) {
    switch (event.kind) {
        case kMouseDown:
            return MouseDown(event);
        case kMouseHover:
            return MouseMove(event);
        case kMouseDrag:
            return dragging_ ? Drag(event) : MouseMove(event);
        case kMouseUp:
            return MouseUp(event);
        default:
            return base::kNotHandled;
    }
}

intptr_t ytDrawNode::MouseDown(ytMouseEvent& event) {
    if (!HitTest(event.lx, event.ly)) return base::kNotHandled;
    if (drag_) {
        ytDrawNode* p = parent();
        const ytPointF at = p ? p->FromWindow(event.x, event.y) : ytPointF{event.x, event.y};
        dragging_ = true;
        dragStartX_ = at.x - x_, dragStartY_ = at.y - y_;
        return base::kHandled;
    }
    // Window drag and size nodes capture; the window host moves or sizes the window.
    if (windowDrag_ || windowSize_) return base::kHandled;
    return base::kNotHandled;
}

intptr_t ytDrawNode::MouseMove(ytMouseEvent&) {
    return base::kNotHandled;
}

intptr_t ytDrawNode::Drag(ytMouseEvent& event) {
    ytDrawNode* p = parent();
    const ytPointF at = p ? p->FromWindow(event.x, event.y) : ytPointF{event.x, event.y};
    SetPosition(at.x - dragStartX_, at.y - dragStartY_);
    SendNotice(ValueChanged);
    return base::kHandled;
}

intptr_t ytDrawNode::MouseUp(ytMouseEvent&) {
    if (!dragging_) return windowDrag_ || windowSize_ ? base::kHandled : base::kNotHandled;
    dragging_ = false;
    SendNotice(DragFinished);
    return base::kHandled;
}

intptr_t ytDrawNode::MouseLeave() {
    SetHover(false);
    return base::kNotHandled;
}

intptr_t ytDrawNode::HandleKey(uint32_t, uintptr_t) {
    return base::kNotHandled;
}

int32_t ytDrawNode::Press(bool) {
    return -1;
}

intptr_t ytDrawNode::SendEvent(ytMessage& message) {
    if (isRoot_) return owner_ ? owner_->OnEvent(message) : 4;
    return parent_ ? parent_->SendEvent(message) : 4;
}

intptr_t ytDrawNode::SendNotice(uint32_t type, const std::string& text) {
    ytMessage m;
    m.eventType = type;
    m.source = this;
    m.text = text;
    return SendEvent(m);
}

}  // namespace yt
