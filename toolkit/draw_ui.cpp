#include "toolkit/draw_ui.h"

#include "toolkit/toolkit.h"

namespace yt {

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

intptr_t ytDrawUI::HandleMessage(ytMessage& message) {
    if (message.eventType != kPlatformMessage) return OnEvent(message);
    if (message.message == base::kWmCommand && message.lParam == 0) return OnCommand(message);
    if (message.message == base::kWmTimer) {
        OnTimer(Clock());
        return base::kHandled;
    }
    return HandleInput(message);
}

intptr_t ytDrawUI::HandleKey(ytMessage&) {
    return base::kNotHandled;
}

void ytDrawUI::Resize(int width, int height) {
    width_ = width;
    height_ = height;
}

intptr_t ytDrawUI::HandleInput(ytMessage&) {
    return base::kNotHandled;
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

}  // namespace yt
