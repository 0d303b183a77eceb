#include "app/controls/AlphaToolBar.h"

#include <commctrl.h>
#include <shlwapi.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "res/resource.h"

namespace {

const COLORREF kKeyColour = RGB(12, 12, 12);

int CommonControlsDepth() {
    HMODULE library = LoadLibraryW(L"comctl32.dll");
    if (library == nullptr) return 24;
    auto getVersion = reinterpret_cast<DLLGETVERSIONPROC>(
        reinterpret_cast<void*>(GetProcAddress(library, "DllGetVersion")));
    const int depth = ImageListDepthFor(getVersion);
    FreeLibrary(library);
    return depth;
}

// 255 x (value / 255) ^ exponent, truncated toward zero; low 8 bits kept.
unsigned char PowerCurve(double value, double exponent) {
    return static_cast<unsigned char>(static_cast<int>(std::pow(value / 255.0, exponent) * 255.0));
}

bool IsKeyPixel(const unsigned char* p) { return p[0] == 12 && p[1] == 12 && p[2] == 12; }

}  // namespace

int ImageListDepthFor(DLLGETVERSIONPROC getVersion) {
    if (getVersion == nullptr) return 24;
    DLLVERSIONINFO info = {};
    info.cbSize = sizeof(info);   // 20 bytes
    return SUCCEEDED(getVersion(&info)) && info.dwMajorVersion >= 6 ? 32 : 24;
}

unsigned char HotChannel(unsigned char c) { return PowerCurve(static_cast<double>(c), 1.4); }

unsigned char DisabledGrey32(unsigned char r, unsigned char g, unsigned char b) {
    const double luma = (0.587 * g + 0.299 * r) + 0.114 * b;
    return PowerCurve(luma, 0.5);
}

unsigned char DisabledGrey24(unsigned char r, unsigned char g, unsigned char b) {
    const double luma = (0.299 * r + 0.587 * g) + 0.114 * b;
    return PowerCurve(luma, 0.5);
}

void ApplyImagePass(ImagePass pass, const unsigned char* source, unsigned char* out, int width, int height,
                    int bytesPerPixel) {
    const size_t rowSize = (static_cast<size_t>(bytesPerPixel) * width + 3) & ~static_cast<size_t>(3);
    std::copy(source, source + rowSize * height, out);
    if (pass == ImagePass::Normal) return;
    // Only 24-bit pixels know the key colour; 32-bit ones carry alpha instead.
    const bool keyed = bytesPerPixel == 3;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const unsigned char* s = source + y * rowSize + static_cast<size_t>(x) * bytesPerPixel;
            unsigned char* d = out + y * rowSize + static_cast<size_t>(x) * bytesPerPixel;
            if (keyed && IsKeyPixel(s)) continue;   // stays (12, 12, 12)
            if (pass == ImagePass::Disabled) {
                d[0] = d[1] = d[2] = keyed ? DisabledGrey24(s[2], s[1], s[0]) : DisabledGrey32(s[2], s[1], s[0]);
            } else {
                for (int c = 0; c < 3; ++c) d[c] = HotChannel(s[c]);
            }
        }
    }
}

CAlphaImageList::~CAlphaImageList() { DestroyLists(); }

void CAlphaImageList::DestroyLists() {
    if (m_listDisabled != nullptr) ImageList_Destroy(m_listDisabled);
    if (m_listHot != nullptr) ImageList_Destroy(m_listHot);
    if (m_listNormal != nullptr) ImageList_Destroy(m_listNormal);
    m_listNormal = m_listHot = m_listDisabled = nullptr;
}

BOOL CAlphaImageList::Create(int cx, int cy, int nInitial) {
    m_cxImage = m_cyImage = -1;
    DestroyLists();
    m_nDepth = CommonControlsDepth();
    const UINT flags = (m_nDepth == 32 ? ILC_COLOR32 : ILC_COLOR24) | ILC_MASK;
    for (HIMAGELIST* list : {&m_listNormal, &m_listHot, &m_listDisabled}) {
        *list = ImageList_Create(cx, cy, flags, nInitial, 1);
        if (*list == nullptr) return FALSE;
    }
    m_cxImage = cx;
    m_cyImage = cy;
    return TRUE;
}

BOOL CAlphaImageList::LoadImages() {
    if (m_cxImage <= 0) return FALSE;
    HBITMAP strip = static_cast<HBITMAP>(LoadImageW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDB_TOOLBAR_STRIP),
                                                    IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION | LR_DEFAULTSIZE));
    if (strip == nullptr) return FALSE;
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    GetDIBits(dc, strip, 0, 0, nullptr, &info, DIB_RGB_COLORS);
    const bool alpha = m_nDepth == 32 && info.bmiHeader.biBitCount == 32;
    if (!alpha) {
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biCompression = BI_RGB;
    }
    const int width = info.bmiHeader.biWidth;
    const int height = std::abs(info.bmiHeader.biHeight);
    const size_t rowSize = (static_cast<size_t>(alpha ? 4 : 3) * width + 3) & ~static_cast<size_t>(3);
    std::vector<unsigned char> source(rowSize * height);
    GetDIBits(dc, strip, 0, height, source.data(), &info, DIB_RGB_COLORS);

    void* bits = nullptr;
    HBITMAP work = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    BOOL ok = work != nullptr;
    if (ok) {
        auto* out = static_cast<unsigned char*>(bits);
        const int bytesPerPixel = alpha ? 4 : 3;
        // The order of the passes: normal, disabled, hot.
        const std::pair<ImagePass, HIMAGELIST> passes[] = {
            {ImagePass::Normal, m_listNormal}, {ImagePass::Disabled, m_listDisabled}, {ImagePass::Hot, m_listHot}};
        for (const auto& pass : passes) {
            ApplyImagePass(pass.first, source.data(), out, width, height, bytesPerPixel);
            GdiFlush();
            const int index = alpha ? ImageList_Add(pass.second, work, nullptr)
                                    : ImageList_AddMasked(pass.second, work, kKeyColour);
            if (index == -1) ok = FALSE;
        }
        DeleteObject(work);
    }
    DeleteDC(dc);
    DeleteObject(strip);
    return ok;
}

BOOL CAlphaToolBar::LoadToolBar(UINT nIDResource) {
    HINSTANCE module = AfxGetResourceHandle();
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(nIDResource), MAKEINTRESOURCEW(RT_TOOLBAR_ID));
    if (found == nullptr) return FALSE;
    HGLOBAL loaded = LoadResource(module, found);
    if (loaded == nullptr) return FALSE;
    const auto* words = static_cast<const WORD*>(LockResource(loaded));
    if (words == nullptr) return FALSE;
    const DWORD size = SizeofResource(module, found);
    if (size < 8) return FALSE;
    const int width = words[1];
    const int height = words[2];
    int count = words[3];
    if (8u + 2u * count > size) count = static_cast<int>((size - 8) / 2);

    std::vector<UINT> ids(words + 4, words + 4 + count);
    if (!SetButtons(ids.data(), count)) return FALSE;
    SetSizes(CSize(width + 8, height + 7), CSize(width, height));
    if (!m_imageList.Create(width, height, count)) return FALSE;
    if (!m_imageList.LoadImages()) return FALSE;
    SendMessage(TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(m_imageList.Normal()));
    SendMessage(TB_SETHOTIMAGELIST, 0, reinterpret_cast<LPARAM>(m_imageList.Hot()));
    SendMessage(TB_SETDISABLEDIMAGELIST, 0, reinterpret_cast<LPARAM>(m_imageList.Disabled()));
    return TRUE;
}
