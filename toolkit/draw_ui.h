// ytDrawUI: the document a ytWindow shows. It receives the window's messages, routes them to its
// virtual handlers, renders frames into its back buffer and presents them, and ticks from the
// pump through a callback it registers for itself.
#pragma once

#include <cstdint>
#include <string>

#include "base/messages.h"
#include "platform/window_host.h"
#include "toolkit/base_thread.h"
#include "toolkit/bitmap.h"
#include "toolkit/rect.h"

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

// The kinds of mouse event a document routes to its nodes.
enum MouseKind : int {
    kMousePress = 1,        // left button down
    kMouseHover = 2,        // move with nothing captured
    kMouseDrag = 3,         // move to the captured node
    kMouseRelease = 4,      // left button up (or the right button pressed) to the captured node
    kMouseRightPress = 5,   // right button down, to the node under the pointer
    kMouseWheel = 6,        // wheel notches (delta / 120) at the pointer
    kMouseMiddlePress = 7,  // middle button down
    kMouseMiddleRelease = 8,
    kMouseDoubleClick = 13,
};

// A mouse event in client coordinates.
struct MouseEvent {
    int kind = 0;
    int x = 0, y = 0;
    int wheelNotches = 0;  // kMouseWheel only
};

// The slot of the node each mouse button has captured.
enum CaptureSlot { kCaptureLeft = 0, kCaptureRight = 1, kCaptureMiddle = 2 };

class ytDrawUI : public ytBaseThread {
public:
    ytDrawUI();
    ~ytDrawUI() override;

    // Asks for `area` to be drawn again (null: the whole window).
    virtual void Invalidate(const ytRect* area);
    ytWindow* Window() const { return window_; }
    // Called by the window that takes ownership of the document.
    void AttachWindow(ytWindow* window) { window_ = window; }

    // Routes a message: events to OnEvent, commands without a control to OnCommand, timer
    // messages to OnTimer, everything else to HandleInput.
    virtual intptr_t HandleMessage(ytMessage& message);
    // Keyboard routing (Ctrl up only): navigation keys and characters to the focused node, Tab
    // and Shift+Tab move the focus.
    virtual intptr_t HandleKey(ytMessage& message);
    // WM_PAINT: the frame is brought up to date and `area` copied to the paint context.
    virtual void Paint(void* context, const ytRect& area);
    // The client rectangle changed: a new back buffer, everything dirty, a visible window redrawn.
    virtual void Resize(const ytRect& client);
    // Mouse routing: kinds to the nodes, capture per button, the arrow when nothing set a cursor,
    // and a whole-window render after a handled message.
    virtual intptr_t HandleInput(ytMessage& message);
    virtual intptr_t OnEvent(ytMessage& message);
    virtual intptr_t OnCommand(ytMessage& message);
    // Draws a frame into the back buffer and presents what changed. Null: the whole window.
    virtual void Render(const ytRect* area);
    // Fits the window's region to the document's clip rectangle.
    virtual void FitWindowRegion();
    // Gives `node` the keyboard focus; null returns it to the default focus.
    virtual void SetFocus(ytDrawNode* node);
    // The document's periodic tick; answers the milliseconds to the next tick (-1 ends them).
    virtual int OnTimer(double clockSeconds);

    // The window's constant alpha (0 to 255); nothing when the platform cannot show it.
    void SetAlpha(int alpha);
    int Alpha() const { return alpha_; }
    bool PerPixelAlpha() const;
    // Sets the mouse cursor for the message being handled (nodes call this while hovered).
    void SetCursor(platform::PointerShape shape);

    void SetDefaultFocus(ytDrawNode* node) { defaultFocus_ = node; }
    ytDrawNode* Focus() const { return focus_; }
    ytDrawNode* Captured(CaptureSlot slot) const { return capture_[slot]; }
    const ytBitmap& BackBuffer() const { return backBuffer_; }
    const ytRect& ClipRect() const { return clip_; }
    // Frames handed to the window so far.
    int64_t FramesPresented() const { return framesPresented_; }

    int width() const { return static_cast<int>(clip_.width()); }
    int height() const { return static_cast<int>(clip_.height()); }

protected:
    // Draws the dirty part of `area` into the back buffer; answers the rectangle that changed
    // (empty when nothing was dirty).
    virtual ytRect RenderFrame(const ytRect& area);
    // Routes a mouse event through the node tree, or straight to `*captured` when that is set;
    // `handledBy` receives the node that handled it.
    virtual intptr_t DispatchMouse(ytMessage& message, const MouseEvent& event,
                                   ytDrawNode* captured, ytDrawNode** handledBy);
    // Gives a key message to the focused node.
    virtual intptr_t SendKey(ytDrawNode* focus, ytMessage& message);
    // The node after (or before) `from` in the focus order; null when there is none.
    virtual ytDrawNode* NextFocus(ytDrawNode* from, bool backwards);
    // The right button was pressed over `node` (null: no node).
    virtual void OnContextMenu(ytDrawNode* node);

    ytBitmap& backBuffer() { return backBuffer_; }
    // The area the next frame must draw (empty: nothing).
    ytRect dirty_;

private:
    friend class DocumentTick;
    void present(const ytRect& area);
    platform::NativeWindow* native() const;

    ytWindow* window_ = nullptr;
    DocumentTick* tick_ = nullptr;
    ytRect clip_;
    ytBitmap backBuffer_;
    ytDrawNode* capture_[3] = {nullptr, nullptr, nullptr};
    ytDrawNode* focus_ = nullptr;
    ytDrawNode* defaultFocus_ = nullptr;
    int alpha_ = 255;
    bool cursorSet_ = false;
    int64_t framesPresented_ = 0;
};

}  // namespace yt
