// OLE control container: the site window, the control's client and in-place
// site, dialog templates with control items, and calls on the site's thread.
#include "framework/fwocc.h"

#include <exdisp.h>
#include <exdispid.h>
#include <oleauto.h>

#include <cstdarg>
#include <cstring>
#include <string>

#include "framework/fwole.h"
#include "framework/fwwnd.h"

const CLSID CLSID_FwWebBrowser = {0x8856F961, 0x340A, 0x11D0, {0xA9, 0x6B, 0x00, 0xC0, 0x4F, 0xD7, 0x05, 0xA2}};

namespace {

bool g_bControlContainer = false;

const wchar_t kSiteClass[] = L"FwOleControlSite";
// Asks the site's own thread to run an invocation (lParam: InvokeRequest*).
constexpr UINT kMsgInvoke = WM_USER + 0x3F0;

struct InvokeRequest {
    DISPID dispid = 0;
    WORD flags = 0;
    VARTYPE vtRet = VT_EMPTY;
    void* pvRet = nullptr;
    const BYTE* paramInfo = nullptr;
    va_list* args = nullptr;
    // The outcome, carried back to the asking thread.
    bool failed = false;
    bool dispatchException = false;
    SCODE sc = S_OK;
    CString description;
};

class ControlSite final : public IOleClientSite, public IOleInPlaceSite, public IOleInPlaceFrame, public IDispatch {
public:
    explicit ControlSite(REFCLSID clsid) : m_clsid(clsid) {}

    HWND m_hWnd = nullptr;
    IOleObject* m_pObject = nullptr;
    HWND m_hFallback = nullptr;
    std::wstring m_url;   // the file of the last Navigate

    void Activate();
    void Teardown();
    void Resize();
    void Invoke(InvokeRequest& request);
    void ShowFallback();
    void HideFallback();
    bool IsBrowser() const { return IsEqualCLSID(m_clsid, CLSID_FwWebBrowser) != FALSE; }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IOleClientSite) *ppv = static_cast<IOleClientSite*>(this);
        else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceSite) *ppv = static_cast<IOleInPlaceSite*>(this);
        else if (riid == IID_IOleInPlaceUIWindow || riid == IID_IOleInPlaceFrame) *ppv = static_cast<IOleInPlaceFrame*>(this);
        else if (riid == IID_IDispatch || riid == DIID_DWebBrowserEvents2) *ppv = static_cast<IDispatch*>(this);
        else {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG n = InterlockedDecrement(&m_refs);
        if (n == 0) delete this;
        return static_cast<ULONG>(n);
    }
    // IOleClientSite
    STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** m) override {
        if (m) *m = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetContainer(IOleContainer** c) override {
        if (c) *c = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }
    // IOleWindow
    STDMETHODIMP GetWindow(HWND* h) override {
        if (!h) return E_POINTER;
        *h = m_hWnd;
        return S_OK;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos, LPRECT clip,
                                  LPOLEINPLACEFRAMEINFO info) override {
        if (frame) {
            *frame = static_cast<IOleInPlaceFrame*>(this);
            AddRef();
        }
        if (doc) *doc = nullptr;
        if (pos) ::GetClientRect(m_hWnd, pos);
        if (clip) ::GetClientRect(m_hWnd, clip);
        if (info) {
            info->fMDIApp = FALSE;
            info->hwndFrame = ::GetAncestor(m_hWnd, GA_ROOT);
            info->haccel = nullptr;
            info->cAccelEntries = 0;
        }
        return S_OK;
    }
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
    STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
    STDMETHODIMP OnPosRectChange(LPCRECT r) override {
        IOleInPlaceObject* inPlace = nullptr;
        if (r && m_pObject && SUCCEEDED(m_pObject->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace)))) {
            inPlace->SetObjectRects(r, r);
            inPlace->Release();
        }
        return S_OK;
    }
    // IOleInPlaceUIWindow / IOleInPlaceFrame: no tool space, menus or status.
    STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }
    // IDispatch: ambient properties (none) and the browser's events.
    STDMETHODIMP GetTypeInfoCount(UINT* n) override {
        if (n) *n = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        // The control could not show the page (where no HTML engine is
        // installed it says so at once): the site shows the file itself.
        if (id == DISPID_NAVIGATEERROR && IsBrowser()) ShowFallback();
        return id < 0 ? DISP_E_MEMBERNOTFOUND : S_OK;
    }

private:
    ~ControlSite() = default;

    CLSID m_clsid;
    LONG m_refs = 1;
    IConnectionPoint* m_pEvents = nullptr;
    DWORD m_eventsCookie = 0;
};

ControlSite* SiteOf(HWND hWnd) {
    return AfxOccIsSite(hWnd) ? reinterpret_cast<ControlSite*>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA)) : nullptr;
}

void ControlSite::Activate() {
    IOleObject* object = nullptr;
    if (FAILED(::CoCreateInstance(m_clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                  reinterpret_cast<void**>(&object))) ||
        !object)
        return;
    m_pObject = object;
    m_pObject->SetClientSite(static_cast<IOleClientSite*>(this));
    ::OleSetContainedObject(m_pObject, TRUE);
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    m_pObject->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(this), 0, m_hWnd, &rc);
    if (IsBrowser()) {
        IConnectionPointContainer* container = nullptr;
        if (SUCCEEDED(m_pObject->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container)))) {
            if (SUCCEEDED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, &m_pEvents)) &&
                FAILED(m_pEvents->Advise(static_cast<IDispatch*>(this), &m_eventsCookie))) {
                m_pEvents->Release();
                m_pEvents = nullptr;
            }
            container->Release();
        }
    }
}

void ControlSite::Teardown() {
    if (m_pEvents) {
        m_pEvents->Unadvise(m_eventsCookie);
        m_pEvents->Release();
        m_pEvents = nullptr;
    }
    if (m_pObject) {
        IOleInPlaceObject* inPlace = nullptr;
        if (SUCCEEDED(m_pObject->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace)))) {
            inPlace->InPlaceDeactivate();
            inPlace->Release();
        }
        m_pObject->Close(OLECLOSE_NOSAVE);
        m_pObject->SetClientSite(nullptr);
        m_pObject->Release();
        m_pObject = nullptr;
    }
}

void ControlSite::Resize() {
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    OnPosRectChange(&rc);
    if (m_hFallback)
        ::SetWindowPos(m_hFallback, nullptr, 0, 0, rc.right, rc.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
}

void ControlSite::ShowFallback() {
    std::wstring path = m_url;
    // A file URL names its file after the scheme.
    if (path.compare(0, 8, L"file:///") == 0) path = path.substr(8);
    else if (path.compare(0, 7, L"file://") == 0) path = path.substr(7);
    const CString text = AfxReadLocalFileAsText(path.c_str());
    if (!m_hFallback) {
        m_hFallback = ::CreateWindowExW(0, L"EDIT", L"",
                                        WS_CHILD | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
                                        0, 0, 0, 0, m_hWnd, nullptr, ::GetModuleHandleW(nullptr), nullptr);
        if (!m_hFallback) return;
        HWND dialog = ::GetParent(m_hWnd);
        HFONT font = dialog ? reinterpret_cast<HFONT>(::SendMessageW(dialog, WM_GETFONT, 0, 0)) : nullptr;
        if (font) ::SendMessageW(m_hFallback, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        ::SendMessageW(m_hFallback, EM_SETLIMITTEXT, 0x7FFFFFFE, 0);
    }
    ::SetWindowTextW(m_hFallback, text.GetString());
    Resize();
    ::SetWindowPos(m_hFallback, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW | SWP_NOACTIVATE);
}

void ControlSite::HideFallback() {
    if (m_hFallback) ::ShowWindow(m_hFallback, SW_HIDE);
}

void ControlSite::Invoke(InvokeRequest& request) {
    const bool navigate = IsBrowser() && request.dispid == kDispidNavigate && request.paramInfo &&
                          request.paramInfo[0] == VT_BSTR;
    if (navigate) {
        va_list peek;
        va_copy(peek, *request.args);
        LPCWSTR url = va_arg(peek, LPCWSTR);
        va_end(peek);
        m_url = url ? url : L"";
        HideFallback();
    }
    IDispatch* dispatch = nullptr;
    if (m_pObject) m_pObject->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
    if (!dispatch) {
        // No control to ask: a navigation still shows its file.
        if (navigate) ShowFallback();
        else {
            request.failed = true;
            request.sc = E_NOINTERFACE;
        }
        return;
    }
    COleDispatchDriver driver(dispatch, TRUE);
    try {
        driver.InvokeHelperV(request.dispid, request.flags, request.vtRet, request.pvRet, request.paramInfo,
                             *request.args);
    } catch (const COleDispatchException& e) {
        request.failed = true;
        request.dispatchException = true;
        request.sc = e.m_scError;
        request.description = e.m_strDescription;
    } catch (const COleException& e) {
        request.failed = true;
        request.sc = e.m_sc;
    }
    if (navigate && request.failed) {
        request.failed = false;
        ShowFallback();
    }
}

LRESULT CALLBACK SiteWndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
        auto* site = static_cast<ControlSite*>(cs->lpCreateParams);
        site->m_hWnd = hWnd;
        site->AddRef();   // the window's reference, released at WM_NCDESTROY
        ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(site));
    }
    ControlSite* site = reinterpret_cast<ControlSite*>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    switch (msg) {
    case WM_SIZE:
        if (site) site->Resize();
        break;
    case kMsgInvoke:
        if (site) site->Invoke(*reinterpret_cast<InvokeRequest*>(lParam));
        return 0;
    case WM_CTLCOLORSTATIC:
        // The read-only text view on white, like a page.
        ::SetBkColor(reinterpret_cast<HDC>(wParam), RGB(255, 255, 255));
        return reinterpret_cast<LRESULT>(::GetStockObject(WHITE_BRUSH));
    case WM_DESTROY:
        if (site) site->Teardown();
        break;
    case WM_NCDESTROY:
        if (site) {
            ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, 0);
            site->m_hWnd = nullptr;
            site->Release();
        }
        break;
    default:
        break;
    }
    return ::DefWindowProcW(hWnd, msg, wParam, lParam);
}

bool RegisterSiteClass() {
    static const bool registered = [] {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = SiteWndProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
        wc.lpszClassName = kSiteClass;
        return ::RegisterClassW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

// ---- extended dialog templates ([DLGTEMPLATEEX], [DLGITEMTEMPLATEEX]) ----

size_t Align4(size_t n) { return (n + 3) & ~static_cast<size_t>(3); }

// Skips a "sz_Or_Ord" field at pos; false when it runs past the end.
bool SkipSzOrOrd(const std::vector<BYTE>& t, size_t& pos) {
    if (pos + 2 > t.size()) return false;
    const WORD first = static_cast<WORD>(t[pos] | (t[pos + 1] << 8));
    if (first == 0xFFFF) {
        pos += 4;
        return pos <= t.size();
    }
    while (pos + 2 <= t.size()) {
        const WORD unit = static_cast<WORD>(t[pos] | (t[pos + 1] << 8));
        pos += 2;
        if (unit == 0) return true;
    }
    return false;
}

template <class T> T Load(const std::vector<BYTE>& t, size_t pos) {
    T v;
    std::memcpy(&v, t.data() + pos, sizeof v);
    return v;
}

}  // namespace

void AfxEnableControlContainer() { g_bControlContainer = true; }
bool AfxControlContainerEnabled() { return g_bControlContainer; }

std::vector<FwOleControlItem> AfxOccSplitTemplate(std::vector<BYTE>& tmpl) {
    std::vector<FwOleControlItem> controls;
    const std::vector<BYTE>& t = tmpl;
    if (t.size() < 26 || Load<WORD>(t, 0) != 1 || Load<WORD>(t, 2) != 0xFFFF) return controls;
    const WORD count = Load<WORD>(t, 16);
    const DWORD style = Load<DWORD>(t, 12);
    size_t pos = 26;
    if (!SkipSzOrOrd(t, pos) || !SkipSzOrOrd(t, pos) || !SkipSzOrOrd(t, pos)) return controls;   // menu, class, title
    if (style & (DS_SETFONT | DS_SHELLFONT)) {
        pos += 6;   // point size, weight, italic, character set
        if (!SkipSzOrOrd(t, pos)) return controls;
    }
    std::vector<BYTE> out(t.begin(), t.begin() + static_cast<std::ptrdiff_t>(pos));
    WORD kept = 0;
    DWORD previousId = 0;
    bool hasPrevious = false;
    for (WORD i = 0; i < count; ++i) {
        pos = Align4(pos);
        const size_t start = pos;
        if (pos + 24 > t.size()) return {};
        size_t classPos = pos + 24;
        size_t end = classPos;
        if (!SkipSzOrOrd(t, end) || !SkipSzOrOrd(t, end) || end + 2 > t.size()) return {};
        end += 2 + Load<WORD>(t, end);
        if (end > t.size()) return {};
        const DWORD id = Load<DWORD>(t, start + 20);
        std::wstring className;
        if (Load<WORD>(t, classPos) != 0xFFFF) {
            for (size_t p = classPos; p + 2 <= t.size() && Load<WORD>(t, p) != 0; p += 2)
                className += static_cast<wchar_t>(Load<WORD>(t, p));
        }
        CLSID clsid;
        if (!className.empty() && className[0] == L'{' &&
            SUCCEEDED(::CLSIDFromString(const_cast<LPOLESTR>(className.c_str()), &clsid))) {
            FwOleControlItem item = {};
            item.clsid = clsid;
            item.exStyle = Load<DWORD>(t, start + 4);
            item.style = Load<DWORD>(t, start + 8);
            item.x = Load<short>(t, start + 12);
            item.y = Load<short>(t, start + 14);
            item.cx = Load<short>(t, start + 16);
            item.cy = Load<short>(t, start + 18);
            item.id = id;
            item.previousId = previousId;
            item.hasPrevious = hasPrevious;
            controls.push_back(item);
        } else {
            out.resize(Align4(out.size()), 0);
            out.insert(out.end(), t.begin() + static_cast<std::ptrdiff_t>(start),
                       t.begin() + static_cast<std::ptrdiff_t>(end));
            ++kept;
        }
        previousId = id;
        hasPrevious = true;
        pos = end;
    }
    if (controls.empty()) return controls;
    std::memcpy(out.data() + 16, &kept, sizeof kept);
    tmpl.swap(out);
    return controls;
}

void AfxOccCreateControls(HWND dialog, const std::vector<FwOleControlItem>& items) {
    for (const FwOleControlItem& item : items) {
        RECT rc = {item.x, item.y, item.x + item.cx, item.y + item.cy};
        ::MapDialogRect(dialog, &rc);
        HWND site = AfxOccCreateSite(item.clsid, L"", item.style, item.exStyle, rc, dialog, item.id);
        if (!site) continue;
        HWND after = item.hasPrevious ? ::GetDlgItem(dialog, static_cast<int>(item.previousId)) : HWND_TOP;
        if (after) ::SetWindowPos(site, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

HWND AfxOccCreateSite(REFCLSID clsid, LPCWSTR windowName, DWORD style, DWORD exStyle, const RECT& rect, HWND parent,
                      UINT id) {
    if (!RegisterSiteClass()) return nullptr;
    auto* site = new ControlSite(clsid);
    HWND h = ::CreateWindowExW(exStyle, kSiteClass, windowName ? windowName : L"",
                               (style | WS_CHILD | WS_CLIPCHILDREN) & ~WS_POPUP, rect.left, rect.top,
                               rect.right - rect.left, rect.bottom - rect.top, parent,
                               reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), ::GetModuleHandleW(nullptr), site);
    if (h) site->Activate();
    site->Release();   // the window holds its own reference
    return h;
}

bool AfxOccIsSite(HWND hWnd) {
    wchar_t name[32] = L"";
    return hWnd && ::GetClassNameW(hWnd, name, 32) && std::wcscmp(name, kSiteClass) == 0;
}

IUnknown* AfxOccGetControl(HWND site) {
    ControlSite* s = SiteOf(site);
    return s ? s->m_pObject : nullptr;
}

HWND AfxOccGetFallbackView(HWND site) {
    ControlSite* s = SiteOf(site);
    return s && s->m_hFallback && ::IsWindowVisible(s->m_hFallback) ? s->m_hFallback : nullptr;
}

void AfxOccInvokeV(HWND site, DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet, const BYTE* pbParamInfo,
                   va_list argList) {
    if (!SiteOf(site)) throw COleException(E_UNEXPECTED);
    va_list args;
    va_copy(args, argList);
    InvokeRequest request;
    request.dispid = dwDispID;
    request.flags = wFlags;
    request.vtRet = vtRet;
    request.pvRet = pvRet;
    request.paramInfo = pbParamInfo;
    request.args = &args;
    // The control lives on the site's thread; a worker's call is run there.
    ::SendMessageW(site, kMsgInvoke, 0, reinterpret_cast<LPARAM>(&request));
    va_end(args);
    if (!request.failed) return;
    if (request.dispatchException) throw COleDispatchException(request.description, request.sc);
    throw COleException(request.sc);
}

// ---- CWnd's control members ----

BOOL CWnd::CreateControl(REFCLSID clsid, LPCWSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                         UINT nID) {
    HWND h = AfxOccCreateSite(clsid, lpszWindowName, dwStyle, 0, rect, pParentWnd->GetSafeHwnd(), nID);
    if (!h) return FALSE;
    if (!SubclassWindow(h)) {
        ::DestroyWindow(h);
        return FALSE;
    }
    return TRUE;
}

void CWnd::InvokeHelperRaw(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet, const BYTE* pbParamInfo, ...) {
    va_list args;
    va_start(args, pbParamInfo);
    try {
        AfxOccInvokeV(m_hWnd, dwDispID, wFlags, vtRet, pvRet, pbParamInfo, args);
    } catch (...) {
        va_end(args);
        throw;
    }
    va_end(args);
}
