// The Windows web view: the system's browser control (CLSID_WebBrowser, IWebBrowser2) in a child
// window of the class "AtlAxWin90", hosted through OLE by a minimal site of our own
// (IOleClientSite, IOleInPlaceSite and IOleInPlaceFrame on one object). Anything that fails while
// setting it up leaves no view: the location dialog then runs without the map.
//
// Contents
//   1. text between the program's code page and the control's UTF-16
//   2. the OLE site
//   3. the view: create, navigate, current address, destroy
#include "platform/webview.h"

#include <exdisp.h>
#include <ole2.h>
#include <oleauto.h>
#include <windows.h>

#include <string>

namespace platform {

namespace {

constexpr const char* kHostClass = "AtlAxWin90";

// ---- 1. text ------------------------------------------------------------------------------------

std::wstring toWide(const std::string& text) {
    const int n =
        MultiByteToWideChar(1252, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(1252, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::string fromWide(const wchar_t* text) {
    if (!text) return {};
    const int n = WideCharToMultiByte(1252, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return {};
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(1252, 0, text, -1, out.data(), n, nullptr, nullptr);
    out.resize(static_cast<size_t>(n - 1));
    return out;
}

// ---- 2. the OLE site ----------------------------------------------------------------------------

// The container side the browser control talks to: it lives in `window` and may be activated in
// place there; it offers no menus, tool space or status line.
class Site : public IOleClientSite, public IOleInPlaceSite, public IOleInPlaceFrame {
public:
    explicit Site(HWND window) : window_(window) {}

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid == IID_IUnknown || iid == IID_IOleClientSite)
            *out = static_cast<IOleClientSite*>(this);
        else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite)
            *out = static_cast<IOleInPlaceSite*>(this);
        else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame)
            *out = static_cast<IOleInPlaceFrame*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    // IOleClientSite
    STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** out) override {
        if (out) *out = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetContainer(IOleContainer** out) override {
        if (out) *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow (both the in-place site and the frame)
    STDMETHODIMP GetWindow(HWND* out) override {
        if (!out) return E_POINTER;
        *out = window_;
        return S_OK;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                  LPRECT position, LPRECT clip,
                                  LPOLEINPLACEFRAMEINFO info) override {
        if (!frame || !document || !position || !clip || !info) return E_POINTER;
        *frame = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
        *document = nullptr;
        GetClientRect(window_, position);
        GetClientRect(window_, clip);
        info->fMDIApp = FALSE;
        info->hwndFrame = window_;
        info->haccel = nullptr;
        info->cAccelEntries = 0;
        return S_OK;
    }
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
    STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
    STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

    // IOleInPlaceUIWindow and IOleInPlaceFrame: no tool space, menus or status line to share.
    STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return S_OK; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

private:
    virtual ~Site() = default;
    HWND window_;
    ULONG references_ = 1;
};

// ---- 3. the view --------------------------------------------------------------------------------

bool registerHostClass() {
    static const bool registered = [] {
        WNDCLASSEXA c = {};
        c.cbSize = sizeof(c);
        c.lpfnWndProc = DefWindowProcA;
        c.hInstance = GetModuleHandleA(nullptr);
        c.lpszClassName = kHostClass;
        c.hCursor = LoadCursor(nullptr, IDC_ARROW);
        return RegisterClassExA(&c) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

class Win32WebView : public WebView {
public:
    ~Win32WebView() override {
        if (browser_) {
            browser_->Stop();
            browser_->Release();
        }
        if (object_) {
            object_->Close(OLECLOSE_NOSAVE);
            object_->SetClientSite(nullptr);
            object_->Release();
        }
        if (site_) site_->Release();
        if (window_) DestroyWindow(window_);
        if (oleStarted_) OleUninitialize();
    }

    // Sets the control up inside `host`; false (the view is then destroyed) at the first failure.
    bool create(HWND host, int width, int height) {
        // The browser control shows pages through the HTML engine; without it (a Wine prefix
        // without its browser engine) the control is still made but every call on it stalls for
        // seconds and nothing is shown, so the dialog is better off without a view.
        HMODULE engine = LoadLibraryA("mshtml.dll");
        if (!engine) return false;
        FreeLibrary(engine);
        oleStarted_ = SUCCEEDED(OleInitialize(nullptr));
        if (!oleStarted_ || !IsWindow(host) || !registerHostClass()) return false;
        window_ = CreateWindowExA(0, kHostClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                                  width, height, host, nullptr, GetModuleHandleA(nullptr), nullptr);
        if (!window_) return false;
        site_ = new Site(window_);
        if (FAILED(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                    reinterpret_cast<void**>(&object_))))
            return false;
        if (FAILED(object_->SetClientSite(site_))) return false;
        OleSetContainedObject(object_, TRUE);
        RECT area;
        GetClientRect(window_, &area);
        if (FAILED(object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_, 0, window_, &area)))
            return false;
        if (FAILED(object_->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&browser_))))
            return false;
        browser_->put_Left(0);
        browser_->put_Top(0);
        browser_->put_Width(width);
        browser_->put_Height(height);
        // No script error boxes or other dialogs of the control's own.
        browser_->put_Silent(VARIANT_TRUE);
        return navigate("about:blank");
    }

    bool navigate(const std::string& url) override {
        if (!browser_) return false;
        BSTR address = SysAllocString(toWide(url).c_str());
        if (!address) return false;
        VARIANT empty;
        VariantInit(&empty);
        const HRESULT result = browser_->Navigate(address, &empty, &empty, &empty, &empty);
        SysFreeString(address);
        return SUCCEEDED(result);
    }

    std::string currentUrl() override {
        if (!browser_) return {};
        BSTR address = nullptr;
        if (FAILED(browser_->get_LocationURL(&address)) || !address) return {};
        std::string url = fromWide(address);
        SysFreeString(address);
        return url;
    }

private:
    bool oleStarted_ = false;
    HWND window_ = nullptr;
    Site* site_ = nullptr;
    IOleObject* object_ = nullptr;
    IWebBrowser2* browser_ = nullptr;
};

}  // namespace

std::unique_ptr<WebView> createWebView(void* host, int width, int height) {
    auto view = std::make_unique<Win32WebView>();
    if (!view->create(static_cast<HWND>(host), width, height)) return nullptr;
    return view;
}

}  // namespace platform
