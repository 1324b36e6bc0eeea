// ytDrawUI: the document a ytWindow shows. It receives the window's messages,
// routes them to its virtual handlers, and ticks from the pump through a
// callback it registers for itself. It owns the scene tree (its root node) and
// the back buffer the tree is drawn into, and presents frames through its
// window.
//
// The seam to the window host (the platform side):
//   - Resize(width, height) when the client size changes: the back buffer is
//   reallocated and the
//     root's clip rectangle becomes the client area (everything redraws).
//   - RenderFrame() draws what is dirty into backBuffer() and answers the
//   rectangle it drew
//     (empty: nothing changed, nothing to present); RenderFrame(&area) redraws
//     `area` whatever is dirty. The host presents the back buffer (or the
//     answered part of it).
//   - DispatchMouse(kind, x, y, buttons, wheel) routes one mouse event (kinds
//   of MouseKind in
//     toolkit/draw_node.h, client coordinates) with capture per button;
//     afterwards cursor() says which cursor a node asked for (kNone: the host
//     shows the arrow).
//   - focus() is the node keyboard input goes to (HandleKey on the node).
//   - A frame holds the document's lock (Lock/Unlock of ytBaseThread), as do
//   workers handing
//     over bitmaps.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "toolkit/bitmap.h"
#include "toolkit/draw_node.h"
#include "toolkit/rect.h"

#include "base/messages.h"
#include "platform/window_host.h"
#include "toolkit/base_thread.h"

namespace yt {

class ytWindow;
class ytDrawNode;
class DocumentTick;

// Event types carried by ytMessage (0 for platform messages).
enum EventType : uint32_t {
    kPlatformMessage = 0,
    ValueChanged = 0x8000000,
    DragFinished = 0x8000001,
    NamedNotice = 0x8000002,
    ButtonClicked = 0x8000003,
};

// A platform message or a toolkit event on its way through the UI.
struct ytMessage {
    uint32_t reserved0 = 0;
    uint32_t message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
    std::string text;
    uint32_t reserved1 = 0, reserved2 = 0;
    uint32_t eventType = kPlatformMessage;
    ytDrawNode* source = nullptr;
};

class ytDrawUI : public ytBaseThread {
public:
    ytDrawUI();
    ~ytDrawUI() override;

    ytWindow* Window() const { return window_; }
    // Called by the window that takes ownership of the document.
    void AttachWindow(ytWindow* window) { window_ = window; }

    // Routes a message: events to OnEvent, commands without a control to
    // OnCommand, timer messages to OnTimer, everything else to HandleInput.
    virtual intptr_t HandleMessage(ytMessage& message);
    // Keyboard routing, only while Ctrl is up: navigation keys (VK_CLEAR, space
    // to the arrows) and characters go to the focused node; Tab moves the focus
    // to the next focusable node (Shift+Tab: the previous one).
    virtual intptr_t HandleKey(ytMessage& message);
    // WM_PAINT: the frame is brought up to date and `area` copied to the paint
    // context.
    virtual void Paint(void* context, const ytRect& area);
    // Lays the document out for a new client size; a visible window is rendered
    // at once.
    virtual void Resize(int width, int height);
    // Mouse messages become event kinds for DispatchMouse (the window captures
    // the mouse while a node holds a button's capture; the arrow is shown when no
    // node asked for a cursor); after a handled message the whole window is
    // rendered.
    virtual intptr_t HandleInput(ytMessage& message);
    virtual intptr_t OnEvent(ytMessage& message);
    virtual intptr_t OnCommand(ytMessage& message);
    // The document's periodic tick; answers the milliseconds to the next tick (-1
    // ends them).
    virtual int OnTimer(double clockSeconds);
    // Draws a frame into the back buffer and presents what changed (null: the
    // whole window).
    virtual void Render(const ytRect* area);
    // Renders and presents what the nodes changed since the last frame, when the window shows.
    void RenderChanges();
    // Fits the window's region to the root's clip rectangle.
    virtual void FitWindowRegion();

    // The window's constant alpha (0 to 255); nothing when the platform cannot
    // show it.
    void SetAlpha(int alpha);
    int Alpha() const { return alpha_; }
    bool PerPixelAlpha() const;
    // Frames handed to the window so far.
    int64_t FramesPresented() const { return framesPresented_; }

    int width() const { return width_; }
    int height() const { return height_; }

    // ---- the scene
    // ----------------------------------------------------------------------------
    // Makes `root` the tree's root (one reference; the previous root is
    // released). The root gets the root flag, clipping to the client area, and
    // this document as its owner.
    void SetRoot(ytDrawNode* root);
    ytDrawNode* Root() const { return root_; }
    ytBitmap& backBuffer() { return backBuffer_; }
    const ytBitmap& backBuffer() const { return backBuffer_; }
    // Marks an area of the window for redrawing (client pixels); all four -1:
    // everything. The window is asked for a WM_PAINT of it (a per-pixel-alpha
    // window, which gets none, renders at once).
    void Invalidate(const ytRect& area);

    // Draws a frame into the back buffer: updates every node, collects the draw
    // list, gathers and merges the dirty rectangles (with any invalidated area,
    // and `area` when given), and draws the list into each of them. Answers the
    // union of what was drawn (empty: nothing).
    ytRect RenderFrame(const ytRect* area = nullptr);
    // The merged rectangles the last frame drew, and its draw list.
    const std::vector<ytRect>& lastDirtyRects() const { return lastDirty_; }
    const ytDrawList& drawList() const { return drawList_; }

    // ---- input
    // --------------------------------------------------------------------------------
    // Routes one mouse event through the tree. Button down (1): the node that
    // handles it becomes the left capture. Captured move (3) and button up (4) go
    // to the left capture (up releases it); a move (2 or 3) without capture is a
    // hover pass through the tree, and nodes that lost the hover get MouseLeave.
    // Right down (5) releases the left capture, goes to the node under the
    // pointer, and the context-menu operation gets that node. Middle down (7) and
    // up (8) capture and release the middle button likewise. Answers the handler
    // result.
    intptr_t DispatchMouse(int32_t kind, float x, float y, uint32_t buttons, int32_t wheel = 0);
    ytDrawNode* Capture(int button) const {
        return captured_[button];
    }  // 0 left, 1 right, 2 middle
    void ReleaseCaptures();
    CursorKind cursor() const { return cursor_; }
    // The document's context-menu operation (right button on `node`); base: not
    // handled.
    virtual intptr_t OnContextMenu(ytDrawNode* node);

    // ---- keyboard focus
    // -----------------------------------------------------------------------
    // Null goes back to the default focus.
    void SetFocus(ytDrawNode* node);
    void SetDefaultFocus(ytDrawNode* node);
    ytDrawNode* focus() const { return focus_.get(); }

private:
    friend class DocumentTick;
    void gatherDirty(ytDrawNode* node, bool subtree, std::vector<ytRect>& rects);
    void finishFrame(ytDrawNode* node);
    void setCapture(int button, ytDrawNode* node);
    void present(const ytRect& area);
    platform::NativeWindow* native() const;
    // The next focusable node after (or before) `from` in tree order; null when
    // there is none.
    ytDrawNode* nextFocus(ytDrawNode* from, bool backwards) const;

    ytWindow* window_ = nullptr;
    DocumentTick* tick_ = nullptr;
    int width_ = 0, height_ = 0;
    ytDrawNode* root_ = nullptr;
    ytBitmap backBuffer_;
    ytRect invalid_;
    std::vector<ytRect> lastDirty_;
    ytDrawList drawList_;
    ytDrawNode* captured_[3] = {nullptr, nullptr, nullptr};  // one reference each
    std::vector<ytDrawNode*> hovered_;                       // one reference each
    CursorKind cursor_ = CursorKind::kNone;
    ytRef<ytDrawNode> focus_, defaultFocus_;
    int alpha_ = 255;
    bool windowCaptured_ = false;
    int64_t framesPresented_ = 0;
};

}  // namespace yt
