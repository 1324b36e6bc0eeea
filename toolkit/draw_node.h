// ytDrawNode: one node of the scene tree a toolkit window shows. Nodes are placed by a local
// matrix (pivot, position, angle, scale, stretch) and by placement rules against their parent,
// drawn back to front into the document's back buffer, and handed mouse input front to back.
// Buttons, sliders and drags report to the application with ytMessage records that bubble up
// the tree to the document's OnEvent.
//
// Contents
//   1. dirty bits, placement rules, mouse events, cursors
//   2. handlers (ytHandler) and the name lookup used by buttons
//   3. the draw list
//   4. ytDrawNode
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "toolkit/matrix.h"
#include "toolkit/rect.h"
#include "toolkit/unknown.h"

namespace yt {

class ytBitmap;
class ytDrawUI;
class ytDrawNode;
struct ytMessage;

// ---- 1. dirty bits, placement rules, mouse events, cursors ------------------------------------

enum DirtyBit : uint32_t {
    kDirtyTransform = 1,  // matrices and placement must be recomputed
    kDirtyContent = 2,    // the node's pixels changed
    kDirtyBounds = 4,     // structure or extent changed (the subtree redraws)
    kDirtyMoved = 8,      // the node moved since the last frame
    kDirtyAll = 7,
};

enum class Axis { kX = 0, kY = 1 };

// A placement rule on one axis. Three numbers: the node's point at fraction a1 of its extent
// (times its scale) goes to the parent's point at fraction a2 of its extent plus a3 pixels. Five
// numbers: a range; the node stays where it is while its position lies between the first target
// (a2, a3) and the second (a4, a5), else it moves to the nearer one.
struct ytConstraint {
    float a1 = 0, a2 = 0, a3 = 0, a4 = 0, a5 = 0;
    bool range = false;  // the five-number form
    bool inUse = false;

    static ytConstraint Rule(float a1, float a2, float a3) {
        return {a1, a2, a3, 0, 0, false, true};
    }
    static ytConstraint Range(float a1, float a2, float a3, float a4, float a5) {
        return {a1, a2, a3, a4, a5, true, true};
    }
};

// The mouse event kinds routed through the tree (the window host makes them from the platform's
// messages: button down 1, hover move 2, captured move 3, button up 4, right button down 5,
// middle down 7, middle up 8, wheel 9, double click 13).
enum MouseKind : int32_t {
    kMouseDown = 1,
    kMouseHover = 2,
    kMouseDrag = 3,
    kMouseUp = 4,
    kMouseRightDown = 5,
    kMouseMiddleDown = 7,
    kMouseMiddleUp = 8,
    kMouseWheel = 9,
    kMouseDoubleClick = 13,
};

// Button bits of ytMouseEvent::buttons.
enum MouseButtons : uint32_t { kLeftButton = 1, kRightButton = 2, kMiddleButton = 4 };

// The cursor a node asks for while the pointer is over it; the window host shows it after the
// message (kNone: nobody asked, the host shows the arrow).
enum class CursorKind { kNone, kArrow, kText, kProgram };  // kProgram: the cursor resource 101

struct ytMouseEvent {
    int32_t kind = kMouseHover;
    float x = 0, y = 0;    // window (client) coordinates
    float lx = 0, ly = 0;  // in the coordinates of the node handling it
    uint32_t buttons = 0;  // MouseButtons held
    int32_t wheel = 0;     // wheel steps (delta / 120), for kMouseWheel
    ytDrawUI* document = nullptr;
    // Nodes that took the hover during a kMouseHover pass (the document sends MouseLeave to the
    // ones that had it before and are not here).
    std::vector<ytDrawNode*>* hovered = nullptr;
    CursorKind cursor = CursorKind::kNone;
};

// ---- 2. handlers and names --------------------------------------------------------------------

// Behaviour attached to a node ("slider" is one). A node keeps its handlers newest first and
// offers each mouse event to them before its own HandleEvent.
class ytHandler : public ytUnknown {
public:
    // 1000001 (not handled) lets the event go on to the next handler and the node.
    virtual intptr_t HandleEvent(ytDrawNode* node, ytMouseEvent& event) = 0;
};

// How nodes find other nodes by name (button aliases, target lists, the "tooltip" node). The
// toolkit's resource table installs itself here; none installed: no name is found.
class ytNameLookup {
public:
    virtual ~ytNameLookup() = default;
    virtual ytDrawNode* FindNode(const std::string& name) = 0;
};
void SetNameLookup(ytNameLookup* lookup);
ytNameLookup* NameLookup();
ytDrawNode* FindNodeByName(const std::string& name);

// ---- 3. the draw list -------------------------------------------------------------------------

// One visible node of a frame: its world matrix, the clip its ancestors (and itself) impose in
// window pixels, and the product of its ancestors' opacities (0 to 256).
struct ytDrawEntry {
    ytDrawNode* node = nullptr;
    ytMatrix world;
    ytRect clip;
    int32_t opacity = 256;  // accumulated from the parents, without the node's own
    // The node's own opacity times the accumulated one, / 256.
    int32_t Effective() const;
};
using ytDrawList = std::vector<ytDrawEntry>;

// ---- 4. ytDrawNode ----------------------------------------------------------------------------

class ytDrawNode : public ytUnknown {
public:
    ytDrawNode();
    ~ytDrawNode() override;

    // -- the virtual operations, in slot order --
    // Evaluates the placement rules; 3 when re-entered (the guard is up), else 0.
    virtual int32_t ApplyConstraints();
    // Rebuilds the local matrix from pivot, position, angle, scale and stretch.
    virtual void UpdateLocalMatrix();
    // With kDirtyTransform: the local matrix, then world = parent world x local.
    virtual void UpdateWorldMatrix();
    // The node's extent under a matrix (its own content; base: the clip rectangle when clipping).
    virtual ytRectF BoundsIn(const ytMatrix& matrix) const;
    // The clip rectangle when clipping, else BoundsIn(identity).
    virtual ytRectF LocalBounds() const;
    // The node's extent in its parent.
    virtual ytRectF ParentBounds() const;
    // With kDirtyTransform: placement, then the world matrix; clears bit 0, sets kDirtyMoved.
    virtual void Update();
    // Appends this node (when visible) and its visible children to the frame's draw list.
    virtual void CollectDrawList(ytDrawList& list, const ytRect& clip, int32_t opacity);
    // The window pixels this node's change touches: where it was drawn last and where it is now.
    virtual ytRect DirtyBounds() const;
    // Draws the node's own content (entry: its matrix, clip and opacity) inside `clip`.
    virtual void Draw(ytBitmap& target, const ytDrawEntry& entry, const ytRect& clip);
    // Mouse hooks: button down, hover, button up (ends a drag and sends DragFinished).
    virtual intptr_t MouseDown(ytMouseEvent& event);
    virtual intptr_t MouseMove(ytMouseEvent& event);
    virtual intptr_t MouseUp(ytMouseEvent& event);
    // Moves a draggable node with the captured pointer and sends ValueChanged.
    virtual intptr_t Drag(ytMouseEvent& event);
    // The pointer left the node: clears hover; not handled.
    virtual intptr_t MouseLeave();
    // True for nodes that place themselves (they are marked with the rule-bearing nodes).
    virtual bool UsesCustomPlacement() const { return false; }
    virtual void Hide();
    virtual void Show();
    // Passes an event up: to the parent, from the root to the document's OnEvent; 4 without one.
    virtual intptr_t SendEvent(ytMessage& message);
    // The node's own reaction to a mouse event in its coordinates (event.lx, event.ly).
    virtual intptr_t HandleEvent(ytMouseEvent& event);
    // Presses the node (buttons, colour rectangles, button containers, window nodes); base: -1.
    virtual int32_t Press(bool byUser);
    // Whether the point (node coordinates) is on the node's own content.
    virtual bool HitTest(float x, float y) const;
    // Keyboard input for the focused node (WM_KEYDOWN with a virtual key, WM_CHAR with a
    // Windows-1252 character); base: not handled.
    virtual intptr_t HandleKey(uint32_t message, uintptr_t key);
    // Whether Tab may move the keyboard focus to this node.
    virtual bool Focusable() const { return false; }

    // -- tree --
    // Appends a child (one reference): -1 for the node itself or one of its ancestors, 0 when
    // it is there already, 4 when the list cannot grow. Clears the child's root flag.
    int32_t AddChild(ytDrawNode* child);
    // Takes a child out and releases it; -1 when it is not a child.
    int32_t RemoveChild(ytDrawNode* child);
    // Moves this node under `parent`, clearing its placement rules first (hierarchy lines).
    int32_t MoveUnder(ytDrawNode* parent);
    const std::vector<ytDrawNode*>& children() const { return children_; }
    ytDrawNode* parent() const { return isRoot_ ? nullptr : parent_; }
    // The document: for the root its owner, else the root's.
    ytDrawUI* document() const;
    bool isRoot() const { return isRoot_; }
    // Makes this node the root of `document` (the document calls it).
    void SetRootOf(ytDrawUI* document);

    // -- placement --
    void SetPosition(float x, float y);
    void SetPivot(float x, float y);
    void SetAngle(float radians);
    void SetScale(float x, float y);
    void SetStretch(float x, float y);
    float x() const { return x_; }
    float y() const { return y_; }
    float position(Axis axis) const { return axis == Axis::kX ? x_ : y_; }
    void SetAxisPosition(Axis axis, float value);
    float angle() const { return angle_; }
    float scaleX() const { return scaleX_; }
    float scaleY() const { return scaleY_; }
    float stretchX() const { return stretchX_; }
    float stretchY() const { return stretchY_; }
    // Adds a rule on an axis; with two in use the older goes and the newer moves first.
    void AddConstraint(Axis axis, const ytConstraint& rule);
    void ClearConstraints();
    const ytConstraint& constraint(Axis axis, int index) const { return rules_[int(axis)][index]; }
    int ConstraintCount(Axis axis) const;
    bool HasConstraints() const;
    // The five-number range on an axis as positions of the node (lo, hi): false without one.
    bool PositionRange(Axis axis, float* lo, float* hi) const;

    // -- matrices (valid after Update) --
    const ytMatrix& localMatrix() const { return local_; }
    const ytMatrix& worldMatrix() const { return world_; }
    // The world matrix, recomputed first when stale (for input arriving between frames).
    const ytMatrix& CurrentWorld();

    // -- appearance and flags --
    void SetOpacity(int32_t opacity);  // 0 to 256
    int32_t opacity() const { return opacity_; }
    void SetClip(const ytRect& rect);  // node coordinates; turns clipping on
    void SetClipping(bool on);
    const ytRect& clipRect() const { return clip_; }
    bool clipping() const { return clipping_; }
    bool hidden() const { return hidden_; }
    void SetVisible(bool visible) { visible ? Show() : Hide(); }
    void SetDisabled(bool disabled);
    bool disabled() const { return disabled_; }
    bool hover() const { return hover_; }
    // The pointer is over the node (kinds that show it redraw).
    void SetHover(bool on);
    void SetHitChildren(bool on) { hitChildren_ = on; }
    bool hitChildren() const { return hitChildren_; }
    void SetUseAlpha(bool on);
    bool useAlpha() const { return useAlpha_; }
    void SetHighQuality(bool on);
    bool highQuality() const { return highQuality_; }
    void SetDither(bool on);
    bool dither() const { return dither_; }
    void SetDraggable(bool on) { drag_ = on; }
    bool draggable() const { return drag_; }
    bool dragging() const { return dragging_; }
    void SetWindowDrag(bool on) { windowDrag_ = on; }
    bool windowDrag() const { return windowDrag_; }
    void SetWindowSize(bool on) { windowSize_ = on; }
    bool windowSize() const { return windowSize_; }

    // -- dirty bits --
    void MarkDirty(uint32_t bits);
    uint32_t dirty() const { return dirty_; }
    // Where the node was drawn in the last frame (window pixels; empty when it was not).
    const ytRect& drawnBounds() const { return drawn_; }
    // The node's extent in the window now.
    ytRect WindowBounds() const;
    // Whether a change of this node (visibility, opacity, clip, disabled) repaints its subtree.
    bool subtreeDirty() const { return subtreeDirty_; }
    // The extent the current frame's draw list gives the node (window pixels, clipped).
    const ytRect& frameBounds() const { return current_; }
    void ClearFrameBounds() { current_ = {}; }
    // The frame has drawn the node: remembers its extent and clears the dirty bits.
    void FrameDone();

    // -- handlers --
    // Adds a handler (one reference), in front of the others.
    void AddHandler(ytHandler* handler);
    const std::vector<ytHandler*>& handlers() const { return handlers_; }
    template <class T>
    T* FindHandler() const {
        for (ytHandler* h : handlers_)
            if (T* t = dynamic_cast<T*>(h)) return t;
        return nullptr;
    }

    // -- mouse routing --
    // Routes an event from this node down (front to back); `capture` receives the node that
    // handled a button down. Answers the handler result.
    intptr_t DispatchMouse(ytMouseEvent& event, ytDrawNode** capture);
    // The frontmost visible, enabled node under a window point whose own content is hit (this
    // node or a descendant), with the clip rules of DispatchMouse; null when none.
    ytDrawNode* NodeAt(float x, float y);
    // Offers an event (already in this node's coordinates) to the handlers, then HandleEvent.
    intptr_t Deliver(ytMouseEvent& event);
    // Brings a window point into this node's coordinates.
    ytPointF FromWindow(float x, float y);
    // Sends a toolkit event of `type` with this node as source (and `text`).
    intptr_t SendNotice(uint32_t type, const std::string& text = std::string());

protected:
    // Marks this node's descendants that have rules (or place themselves) for a new placement.
    void MarkPlacedDescendants();
    // The frame's guard against re-entered placement.
    bool evaluating_ = false;

private:
    void applyAxis(Axis axis, const ytRectF& own, const ytRectF& parent);
    bool isAncestorOf(const ytDrawNode* node) const;

    uint32_t dirty_ = kDirtyAll;
    ytConstraint rules_[2][2];
    float pivotX_ = 0, pivotY_ = 0;
    float x_ = 0, y_ = 0;
    float angle_ = 0;
    float scaleX_ = 1, scaleY_ = 1;
    float stretchX_ = 1, stretchY_ = 1;
    std::vector<ytDrawNode*> children_;
    ytRect clip_;
    ytMatrix world_;
    ytMatrix local_;
    bool hover_ = false, hidden_ = false, disabled_ = false, hitChildren_ = true, clipping_ = false,
         useAlpha_ = true, highQuality_ = true, isRoot_ = false, dragging_ = false, drag_ = false,
         windowDrag_ = false, windowSize_ = false, dither_ = false;
    ytDrawNode* parent_ = nullptr;
    ytDrawUI* owner_ = nullptr;  // the root's document
    int32_t opacity_ = 256;
    std::vector<ytHandler*> handlers_;
    ytRect drawn_;
    bool subtreeDirty_ = false;
    ytRect current_;  // the extent in this frame's draw list (empty when not drawn)
    float dragStartX_ = 0, dragStartY_ = 0;  // pointer minus position when a drag began
};

}  // namespace yt
