#include "app/controls/SplashScreenEx.h"

#include <vector>

IMPLEMENT_DYNAMIC(CSplashScreenEx, CWnd)

BEGIN_MESSAGE_MAP(CSplashScreenEx, CWnd)
    ON_WM_ERASEBKGND()
    ON_WM_PAINT()
    ON_MESSAGE(WM_PRINTCLIENT, &CSplashScreenEx::OnPrintClient)
    ON_WM_TIMER()
END_MESSAGE_MAP()

const wchar_t CSplashScreenEx::kClassName[] = L"SplashScreenExClass";

namespace {
const UINT_PTR kTimerId = 0;
const DWORD kFadeInMs = 500;
const DWORD kFadeOutMs = 200;
}  // namespace

CSplashScreenEx::CSplashScreenEx() {
    LOGFONTW font = {};
    ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(font), &font);
    m_font.CreateFontIndirect(&font);
    if (HMODULE user = ::GetModuleHandleW(L"USER32.DLL")) {
        m_pAnimateWindow = reinterpret_cast<AnimateWindowProc>(
            reinterpret_cast<void*>(::GetProcAddress(user, "AnimateWindow")));
    }
}

CSplashScreenEx::~CSplashScreenEx() = default;

BOOL CSplashScreenEx::CreateSplashWindow(CWnd* pParent) {
    m_pParent = pParent;
    m_strText.Empty();
    m_nTimeout = 2000;
    m_nStyle = kFadeIn | kFadeOut | kShadow | kCentreScreen;

    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS | CS_SAVEBITS | ((m_nStyle & kShadow) ? CS_DROPSHADOW : 0);
    wc.lpfnWndProc = AfxWndProc;
    wc.hInstance = AfxGetInstanceHandle();
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kClassName;
    // A second splash in the same process finds the class already there.
    if (!::RegisterClassExW(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS && (wc.style & CS_DROPSHADOW)) {
        wc.style &= ~CS_DROPSHADOW;
        ::RegisterClassExW(&wc);
    }
    return CreateEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kClassName, nullptr, WS_POPUP, 0, 0, 0, 0,
                    pParent->GetSafeHwnd(), nullptr);
}

BOOL CSplashScreenEx::LoadSplashBitmap(LPCWSTR lpszFileName) {
    HBITMAP loaded = static_cast<HBITMAP>(::LoadImageW(nullptr, lpszFileName, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    if (loaded == nullptr) return FALSE;
    m_bitmap.DeleteObject();
    m_bitmap.Attach(loaded);
    BITMAP info = {};
    m_bitmap.GetBitmap(&info);
    m_nWidth = info.bmWidth;
    m_nHeight = info.bmHeight;
    m_rcText = CRect(0, 0, m_nWidth, m_nHeight);

    if (m_nStyle & kCentreScreen) {
        m_position = CPoint((::GetSystemMetrics(SM_CXFULLSCREEN) - m_nWidth) / 2,
                            (::GetSystemMetrics(SM_CYFULLSCREEN) - m_nHeight) / 2);
    } else if ((m_nStyle & kCentreParent) && m_pParent->GetSafeHwnd() != nullptr) {
        CRect parent;
        m_pParent->GetWindowRect(&parent);
        m_position = CPoint(parent.left + (parent.Width() - m_nWidth) / 2,
                            parent.top + (parent.Height() - m_nHeight) / 2);
    } else {
        m_position = CPoint(0, 0);
    }

    // The window takes the region over; it is not deleted here.
    m_hRegion = BuildRegionFromBitmap(m_bitmap, kKeyColour);
    if (m_hRegion != nullptr && !::SetWindowRgn(m_hWnd, m_hRegion, TRUE)) {
        ::DeleteObject(m_hRegion);
        m_hRegion = nullptr;
    }
    return TRUE;
}

void CSplashScreenEx::ShowSplashWindow() {
    SetWindowPos(nullptr, m_position.x, m_position.y, m_nWidth, m_nHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    if ((m_nStyle & kFadeIn) && m_pAnimateWindow != nullptr) {
        m_pAnimateWindow(m_hWnd, kFadeInMs, AW_BLEND);
    } else {
        ShowWindow(SW_SHOW);
    }
    // Paint now: the caller may block its thread while the picture is up,
    // and a system whose AnimateWindow only shows the window leaves the
    // paint waiting in the queue (the blend paints it itself).
    UpdateWindow();
    if (m_nTimeout != 0) SetTimer(kTimerId, m_nTimeout);
}

void CSplashScreenEx::HideSplashWindow() {
    if ((m_nStyle & kFadeOut) && m_pAnimateWindow != nullptr) {
        m_pAnimateWindow(m_hWnd, kFadeOutMs, AW_BLEND | AW_HIDE);
    } else {
        ShowWindow(SW_HIDE);
    }
    DestroyWindow();   // PostNcDestroy deletes the object
}

HRGN CSplashScreenEx::BuildRegionFromBitmap(HBITMAP hBitmap, COLORREF key) {
    BITMAP info = {};
    if (hBitmap == nullptr || ::GetObjectW(hBitmap, sizeof(info), &info) == 0) return nullptr;
    const int width = info.bmWidth;
    const int height = info.bmHeight;

    // All pixels at once as top-down 32-bit BGRX, rather than one GetPixel each.
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    format.bmiHeader.biWidth = width;
    format.bmiHeader.biHeight = -height;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    std::vector<DWORD> pixels(static_cast<size_t>(width) * height);
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    const int lines = ::GetDIBits(memory, hBitmap, 0, height, pixels.data(), &format, DIB_RGB_COLORS);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    if (lines != height) return nullptr;

    const DWORD keyPixel = (GetRValue(key) << 16) | (GetGValue(key) << 8) | GetBValue(key);
    std::vector<RECT> runs;
    runs.reserve(40);
    for (int y = height - 1; y >= 0; --y) {
        const DWORD* row = &pixels[static_cast<size_t>(y) * width];
        for (int x = 0; x < width;) {
            while (x < width && (row[x] & 0xFFFFFF) == keyPixel) ++x;
            const int start = x;
            while (x < width && (row[x] & 0xFFFFFF) != keyPixel) ++x;
            if (x > start) runs.push_back(RECT{start, y, x, y + 1});
        }
    }

    // One region made from all runs at once.
    std::vector<BYTE> data(sizeof(RGNDATAHEADER) + runs.size() * sizeof(RECT));
    auto* region = reinterpret_cast<RGNDATA*>(data.data());
    region->rdh.dwSize = sizeof(RGNDATAHEADER);
    region->rdh.iType = RDH_RECTANGLES;
    region->rdh.nCount = static_cast<DWORD>(runs.size());
    region->rdh.nRgnSize = static_cast<DWORD>(runs.size() * sizeof(RECT));
    region->rdh.rcBound = RECT{0, 0, width, height};
    if (!runs.empty()) memcpy(region->Buffer, runs.data(), runs.size() * sizeof(RECT));
    HRGN result = ::ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()), region);
    return result != nullptr ? result : ::CreateRectRgn(0, 0, 0, 0);
}

void CSplashScreenEx::PaintSplash(CDC* pDC) {
    if (m_bitmap.GetSafeHandle() == nullptr) return;
    CDC memory;
    memory.CreateCompatibleDC(pDC);
    CBitmap* oldBitmap = memory.SelectObject(&m_bitmap);
    pDC->BitBlt(0, 0, m_nWidth, m_nHeight, &memory, 0, 0, SRCCOPY);
    memory.SelectObject(oldBitmap);

    CFont* oldFont = pDC->SelectObject(&m_font);
    pDC->SetBkMode(TRANSPARENT);
    pDC->SetTextColor(m_crTextColor);
    CRect text = m_rcText;
    pDC->DrawText(m_strText, &text, m_nTextFormat);
    pDC->SelectObject(oldFont);
}

BOOL CSplashScreenEx::OnEraseBkgnd(CDC*) { return TRUE; }

void CSplashScreenEx::OnPaint() {
    CPaintDC dc(this);
    PaintSplash(&dc);
}

LRESULT CSplashScreenEx::OnPrintClient(WPARAM wParam, LPARAM) {
    PaintSplash(CDC::FromHandle(reinterpret_cast<HDC>(wParam)));
    return 1;
}

void CSplashScreenEx::OnTimer(UINT_PTR) {
    KillTimer(kTimerId);
    HideSplashWindow();
}

BOOL CSplashScreenEx::PreTranslateMessage(MSG* pMsg) {
    if (m_nStyle & kHideOnInput) {
        switch (pMsg->message) {
        case WM_NCLBUTTONDOWN:
        case WM_NCRBUTTONDOWN:
        case WM_NCMBUTTONDOWN:
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            HideSplashWindow();
            return TRUE;
        default:
            break;
        }
    }
    return CWnd::PreTranslateMessage(pMsg);
}

void CSplashScreenEx::PostNcDestroy() { delete this; }
