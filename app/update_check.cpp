// TintelUI's side of the update check: the updater worker, started by the per-frame update, and
// its question to the user, which the worker hands to the pump's thread (the windowing of both
// platforms belongs to that thread) and waits for.
#include <condition_variable>
#include <mutex>

#include "app/tintel_ui.h"
#include "app/update.h"
#include "app/update_dialog.h"
#include "platform/window_host.h"
#include "toolkit/toolkit.h"

namespace tintel {

struct TintelUI::UpdateSide {
    explicit UpdateSide(std::string feedUrl)
        : worker(std::move(feedUrl), ProgramVersionText()), wake(platform::createWaitEvent()) {}
    ~UpdateSide() {
        worker.Stop(5000);
        if (wake) yt::RemoveWaitHandle(static_cast<intptr_t>(wake->handle()));
    }

    // Worker side: asks on the pump's thread and waits for the answer (Later when the worker is
    // told to stop meanwhile, or when the pump cannot be reached).
    UpdateAnswer ask(const std::string& text) {
        std::unique_lock<std::mutex> hold(lock);
        if (!watching) return UpdateAnswer::Later;
        message = text;
        asked = true;
        answered = false;
        wake->signal();
        while (!answered && !worker.StopRequested())
            changed.wait_for(hold, std::chrono::milliseconds(50));
        asked = false;
        return answered ? answer : UpdateAnswer::Later;
    }

    // Pump side: shows the dialog for a waiting question.
    void answerQuestion() {
        wake->reset();
        std::string text;
        {
            std::lock_guard<std::mutex> hold(lock);
            if (!asked || answered) return;
            text = message;
        }
        const UpdateAnswer result = RunUpdateDialog(text);
        std::lock_guard<std::mutex> hold(lock);
        answer = result;
        answered = true;
        changed.notify_all();
    }

    TintelUpdate worker;
    std::unique_ptr<platform::WaitEvent> wake;
    bool watching = false;
    std::mutex lock;
    std::condition_variable changed;
    bool asked = false;
    bool answered = false;
    std::string message;
    UpdateAnswer answer = UpdateAnswer::Later;
};

void TintelUI::deleteUpdateSide(UpdateSide* side) {
    delete side;
}

TintelUpdate* TintelUI::updater() {
    return updateSide_ ? &updateSide_->worker : nullptr;
}

void TintelUI::startUpdateCheck() {
    if (!updateSide_) {
        updateSide_.reset(new UpdateSide(ProgramFeedUrl()));
        UpdateSide* side = updateSide_.get();
        side->worker.setPrompt([side](const std::string& text) { return side->ask(text); });
        if (side->wake)
            side->watching = yt::AddWaitHandle(static_cast<intptr_t>(side->wake->handle()), [side] {
                side->answerQuestion();
                return true;
            });
    }
    // An empty feed URL (no update site) disables the check.
    if (updateSide_->worker.feedUrl().empty() || updateSide_->worker.Running()) return;
    updateSide_->worker.Start();
}

}  // namespace tintel
