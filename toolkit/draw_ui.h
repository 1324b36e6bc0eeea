// ytDrawUI: the document a ytWindow shows. It receives the window's messages, routes them to its
// virtual handlers, and ticks from the pump through a callback it registers for itself.
#pragma once

#include <cstdint>
#include <string>

#include "toolkit/base_thread.h"
#include "base/messages.h"

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

    // Routes a message: events to OnEvent, commands without a control to OnCommand, timer
    // messages to OnTimer, everything else to HandleInput.
    virtual intptr_t HandleMessage(ytMessage& message);
    virtual intptr_t HandleKey(ytMessage& message);
    // Lays the document out for a new client size.
    virtual void Resize(int width, int height);
    virtual intptr_t HandleInput(ytMessage& message);
    virtual intptr_t OnEvent(ytMessage& message);
    virtual intptr_t OnCommand(ytMessage& message);
    // The document's periodic tick; answers the milliseconds to the next tick (-1 ends them).
    virtual int OnTimer(double clockSeconds);

    int width() const { return width_; }
    int height() const { return height_; }

private:
    friend class DocumentTick;
    ytWindow* window_ = nullptr;
    DocumentTick* tick_ = nullptr;
    int width_ = 0, height_ = 0;
};

}  // namespace yt
