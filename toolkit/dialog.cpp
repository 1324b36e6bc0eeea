// The dialog framework: template lookup, ytBaseDialog's slots and dispatcher, DoModal, and the
// "ytDialog" window procedure with ytControl's key handling.
#include "toolkit/dialog.h"

#include <algorithm>

#include "base/messages.h"
#include "toolkit/draw_ui.h"
#include "toolkit/toolkit.h"

namespace yt {
namespace {

const std::vector<platform::DialogTemplate>* g_templates = nullptr;
ytWindow* g_lastMouseActivated = nullptr;

constexpr uint32_t kWmMouseActivate = 0x0021;

}  // namespace

// ---- 1. the dialog templates ------------------------------------------------------------------

void SetDialogResources(const std::vector<platform::DialogTemplate>* templates) {
    g_templates = templates;
}

const platform::DialogTemplate* FindDialogTemplate(int id) {
    if (!g_templates) return nullptr;
    for (const platform::DialogTemplate& dialog : *g_templates)
        if (dialog.id == id) return &dialog;
    return nullptr;
}

// ---- 2. ytBaseDialog --------------------------------------------------------------------------

ytBaseDialog::ytBaseDialog(int templateId) : templateId_(templateId) {}

ytBaseDialog::~ytBaseDialog() = default;

bool ytBaseDialog::OnInitDialog(platform::RunningDialog* window) {
    window_ = window;
    int left = 0, top = 0, width = 0, height = 0;
    if (!window->frame(&left, &top, &width, &height)) return true;
    int areaLeft = 0, areaTop = 0, areaWidth = 0, areaHeight = 0;
    if (!owner_ || !owner_->Frame(&areaLeft, &areaTop, &areaWidth, &areaHeight)) {
        const platform::ScreenRect area = platform::primaryWorkArea();
        areaLeft = area.left;
        areaTop = area.top;
        areaWidth = area.right - area.left;
        areaHeight = area.bottom - area.top;
    }
    left = areaLeft + (areaWidth - width) / 2;
    top = areaTop + (areaHeight - height) / 2;
    // An owner near the screen's edge must not push the dialog off the screen.
    const platform::ScreenRect screen = platform::primaryWorkArea();
    left = std::max(screen.left, std::min(left, screen.right - width));
    top = std::max(screen.top, std::min(top, screen.bottom - height));
    window->move(left, top);
    return true;
}

intptr_t ytBaseDialog::OnCommand(uint32_t, uint32_t id, intptr_t) {
    switch (id) {
        case platform::kIdOk:
            EndDialog(OnOK());
            break;
        case platform::kIdCancel:
            EndDialog(OnCancel());
            break;
        case platform::kIdHelp:
            OnHelp();
            break;
        default:
            break;
    }
    return 0;
}

intptr_t ytBaseDialog::OnClose() {
    return 0;
}

void ytBaseDialog::OnDestroy() {}

intptr_t ytBaseDialog::OnKey(uint32_t virtualKey) {
    if (virtualKey == platform::kVkHelp || virtualKey == platform::kVkF1) {
        OnHelp();
        return 1;
    }
    return 0;
}

intptr_t ytBaseDialog::OnOK() {
    accepted_ = true;
    return platform::kIdOk;
}

void ytBaseDialog::OnHelp() {}

void ytBaseDialog::Reserved() {}

intptr_t ytBaseDialog::OnCancel() {
    return 0;
}

intptr_t ytBaseDialog::OnNotify(uintptr_t, intptr_t) {
    return 1;
}

void ytBaseDialog::OnTimer(uintptr_t) {}

intptr_t ytBaseDialog::OnScroll(intptr_t) {
    return 0;
}

void ytBaseDialog::SetOwner(ytWindow* owner) {
    owner_ = owner;
}

intptr_t ytBaseDialog::DialogMessage(platform::RunningDialog*, uint32_t message, uintptr_t wParam,
                                     intptr_t lParam) {
    switch (message) {
        case platform::kWmHelp:
            OnHelp();
            return 1;
        case base::kWmDestroy:
            OnDestroy();
            return 0;
        case base::kWmClose:
            return OnClose();
        case platform::kWmNotify:
            return OnNotify(wParam, lParam);
        case base::kWmCommand:
            return OnCommand(static_cast<uint32_t>((wParam >> 16) & 0xFFFF),
                             static_cast<uint32_t>(wParam & 0xFFFF), lParam);
        case base::kWmTimer:
            OnTimer(wParam);
            return 0;
        case platform::kWmHScroll:
            return OnScroll(lParam);
        case base::kWmKeyDown:
            return OnKey(static_cast<uint32_t>(wParam));
        default:
            return 0;
    }
}

intptr_t ytBaseDialog::dialogProc(platform::RunningDialog* box, uint32_t message, uintptr_t wParam,
                                  intptr_t lParam) {
    if (message == platform::kWmInitDialog) return OnInitDialog(box) ? 1 : 0;
    const intptr_t answer = DialogMessage(box, message, wParam, lParam);
    if (message == base::kWmDestroy) window_ = nullptr;
    return answer;
}

intptr_t ytBaseDialog::DoModal(ytWindow* owner) {
    SetOwner(owner);
    platform::NativeWindow* native = owner ? owner->Native() : nullptr;
    if (native && platform::isMinimized(native)) platform::restore(native);
    CountOpenBox(1);
    intptr_t result =
        platform::runModalDialog(FindDialogTemplate(templateId_), native, this, RunBoxPump);
    result_ = result;
    if (result < 0) {
        ShowLastError();
        result = 0;
    }
    CountOpenBox(-1);
    return result;
}

void ytBaseDialog::EndDialog(intptr_t result) {
    if (window_) window_->end(result);
}

// ---- 3. ytDialog, ytControl -------------------------------------------------------------------

ytWindow* LastMouseActivated() {
    return g_lastMouseActivated;
}

bool ytDialog::CreateModal(const std::string& title, int left, int top, int right, int bottom,
                           ytWindow* owner) {
    if (!Create(title, WindowKind::Popup, Sizing::Fixed, left, top, right, bottom, owner,
                "ytDialog"))
        return false;
    modalOwner_ = owner;
    if (owner) owner->SetModalDialog(this);
    Show(true);
    if (Native()) Native()->activate();
    return true;
}

intptr_t ytDialog::windowProc(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    const intptr_t answer = DialogProc(message, wParam, lParam);
    return answer;
}

intptr_t ytDialog::DialogProc(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    switch (message) {
        case kWmMouseActivate:
            g_lastMouseActivated = this;
            return WindowProc(message, wParam, lParam);
        case base::kWmActivate:
            // While active, keys for the dialog pass the dialog manager's navigation first.
            platform::setPumpDialog((wParam & 0xFFFF) != 0 ? Native() : nullptr);
            break;
        case base::kWmClose:
            if (modalOwner_) {
                ytWindow* owner = modalOwner_;
                modalOwner_ = nullptr;
                if (owner->ModalDialog() == this) owner->SetModalDialog(nullptr);
                if (owner->Native()) owner->Native()->activate();
            }
            if (Native()) Native()->destroy();
            return 1;
        case base::kWmDestroy:
            if (g_lastMouseActivated == this) g_lastMouseActivated = nullptr;
            platform::setPumpDialog(nullptr);
            return WindowProc(message, wParam, lParam);
        case base::kWmEraseBkgnd:
            return WindowProc(message, wParam, lParam);
        case base::kWmSize:
        case base::kWmPaint:
            if (Document()) return WindowProc(message, wParam, lParam);
            return base::kNotHandled;
        default:
            break;
    }
    intptr_t answer = base::kNotHandled;
    if (Document()) {
        ytMessage wrapped;
        wrapped.message = message;
        wrapped.wParam = wParam;
        wrapped.lParam = lParam;
        answer = Document()->HandleMessage(wrapped);
    }
    if (answer == base::kNotHandled && IsSubclassed() && Native())
        return Native()->callPrevious(message, wParam, lParam);
    return answer;
}

bool ytControl::Wrap(uintptr_t handle, ytWindow* parent) {
    if (!Attach(handle)) return false;
    controlParent_ = parent;
    return true;
}

intptr_t ytControl::DialogProc(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    if (message >= base::kWmKeyFirst && message <= base::kWmKeyLast && message != base::kWmChar) {
        if (tabNavigation_ && wParam == platform::kVkTab && controlParent_) {
            if (message == base::kWmKeyDown)
                controlParent_->WindowProc(kWmNextDlgCtl,
                                           platform::isKeyDown(platform::kVkShift) ? 1 : 0, 0);
            return base::kHandled;
        }
        if (controlParent_ &&
            (platform::isKeyDown(platform::kVkControl) || platform::isKeyDown(platform::kVkMenu)))
            return controlParent_->WindowProc(message, wParam, lParam);
        if (Native()) return Native()->callPrevious(message, wParam, lParam);
        return base::kNotHandled;
    }
    return ytDialog::DialogProc(message, wParam, lParam);
}

}  // namespace yt
