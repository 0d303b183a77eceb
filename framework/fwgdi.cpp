#include "framework/fwgdi.h"
#include "framework/fwwnd.h"
#include "framework/fwtemp.h"

IMPLEMENT_DYNAMIC(CGdiObject, CObject)
IMPLEMENT_DYNAMIC(CFont, CGdiObject)
IMPLEMENT_DYNAMIC(CBitmap, CGdiObject)
IMPLEMENT_DYNAMIC(CImageList, CObject)
IMPLEMENT_DYNAMIC(CDC, CObject)

// ---------------------------------------------------------------------------
// Temporary objects

// A plain pointer per thread, freed by FwFreeTempMaps: no thread-exit
// destructor (those run inside the runtime's thread detach, where freeing
// memory has been seen to leave the heap locked under Wine).
namespace {
thread_local FwTempMapSet* t_pTempMaps = nullptr;
}

FwTempMapSet& FwTempMaps() {
    if (!t_pTempMaps) t_pTempMaps = new FwTempMapSet;
    return *t_pTempMaps;
}

void FwFreeTempMaps() {
    delete t_pTempMaps;
    t_pTempMaps = nullptr;
}

CWnd* FwTempMapSet::Window(HWND h) {
    CWnd*& p = m_wnds[h];
    if (!p) {
        p = new CWnd;
        p->m_hWnd = h;   // not attached: never routes or destroys
    }
    return p;
}

CDC* FwTempMapSet::DC(HDC h) {
    CDC*& p = m_dcs[h];
    if (!p) {
        p = new CDC;
        p->Attach(h);
    }
    return p;
}

CImageList* FwTempMapSet::ImageList(HIMAGELIST h) {
    CImageList*& p = m_imageLists[h];
    if (!p) {
        p = new CImageList;
        p->m_hImageList = h;
    }
    return p;
}

template <class T> T* FwTempMapSet::Gdi(HGDIOBJ h) {
    CGdiObject*& p = m_gdi[std::make_pair(h, &typeid(T))];
    if (!p) {
        p = new T;
        p->m_hObject = h;
    }
    return static_cast<T*>(p);
}

void FwTempMapSet::Clear() {
    for (auto& e : m_wnds) {
        e.second->m_hWnd = nullptr;
        delete e.second;
    }
    for (auto& e : m_dcs) {
        e.second->Detach();
        delete e.second;
    }
    for (auto& e : m_imageLists) {
        e.second->Detach();
        delete e.second;
    }
    for (auto& e : m_gdi) {
        e.second->Detach();
        delete e.second;
    }
    m_wnds.clear();
    m_dcs.clear();
    m_imageLists.clear();
    m_gdi.clear();
}

void AfxUnlockTempMaps() {
    if (t_pTempMaps) t_pTempMaps->Clear();
}

// ---------------------------------------------------------------------------
// GDI objects

HGDIOBJ CGdiObject::GetSafeHandle() const { return this == nullptr ? nullptr : m_hObject; }

BOOL CGdiObject::Attach(HGDIOBJ hObject) {
    if (!hObject) return FALSE;
    DeleteObject();
    m_hObject = hObject;
    return TRUE;
}

BOOL CGdiObject::DeleteObject() {
    if (!m_hObject) return FALSE;
    HGDIOBJ h = Detach();
    return ::DeleteObject(h);
}

CFont* CFont::FromHandle(HFONT hFont) { return hFont ? FwTempMaps().Gdi<CFont>(hFont) : nullptr; }
CBitmap* CBitmap::FromHandle(HBITMAP hBitmap) { return hBitmap ? FwTempMaps().Gdi<CBitmap>(hBitmap) : nullptr; }

BOOL CFont::CreatePointFontIndirect(const LOGFONTW* lpLogFont, CDC* pDC) {
    // lfHeight is in tenths of a point: convert to logical units of the DC.
    HDC hDC = pDC ? pDC->m_hDC : ::GetDC(nullptr);
    LOGFONTW lf = *lpLogFont;
    POINT pt = {0, ::MulDiv(::GetDeviceCaps(hDC, LOGPIXELSY), lf.lfHeight, 720)};
    ::DPtoLP(hDC, &pt, 1);
    POINT ptOrg = {0, 0};
    ::DPtoLP(hDC, &ptOrg, 1);
    lf.lfHeight = -abs(pt.y - ptOrg.y);
    if (!pDC) ::ReleaseDC(nullptr, hDC);
    return CreateFontIndirect(&lf);
}

BOOL CFont::CreatePointFont(int nPointSize, LPCWSTR lpszFaceName, CDC* pDC) {
    LOGFONTW lf = {};
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfHeight = nPointSize;
    if (lpszFaceName) lstrcpynW(lf.lfFaceName, lpszFaceName, LF_FACESIZE);
    return CreatePointFontIndirect(&lf, pDC);
}

// ---------------------------------------------------------------------------
// Image lists

CImageList* CImageList::FromHandle(HIMAGELIST hImageList) {
    return hImageList ? FwTempMaps().ImageList(hImageList) : nullptr;
}

HIMAGELIST CImageList::GetSafeHandle() const { return this == nullptr ? nullptr : m_hImageList; }

BOOL CImageList::Create(int cx, int cy, UINT nFlags, int nInitial, int nGrow) {
    return Attach(ImageList_Create(cx, cy, nFlags, nInitial, nGrow));
}

BOOL CImageList::Attach(HIMAGELIST hImageList) {
    if (!hImageList) return FALSE;
    DeleteImageList();
    m_hImageList = hImageList;
    return TRUE;
}

BOOL CImageList::DeleteImageList() {
    if (!m_hImageList) return FALSE;
    HIMAGELIST h = Detach();
    return ImageList_Destroy(h);
}

// ---------------------------------------------------------------------------
// Device contexts

CDC::~CDC() {
    if (m_bOwned && m_hDC) ::DeleteDC(m_hDC);
}

CDC* CDC::FromHandle(HDC hDC) { return hDC ? FwTempMaps().DC(hDC) : nullptr; }

BOOL CDC::CreateCompatibleDC(CDC* pDC) {
    HDC h = ::CreateCompatibleDC(pDC ? pDC->m_hDC : nullptr);
    if (!h) return FALSE;
    DeleteDC();
    m_hDC = h;
    m_bOwned = TRUE;
    return TRUE;
}

BOOL CDC::DeleteDC() {
    if (!m_hDC) return FALSE;
    BOOL ok = m_bOwned ? ::DeleteDC(m_hDC) : TRUE;
    m_hDC = nullptr;
    m_bOwned = FALSE;
    return ok;
}

CFont* CDC::SelectObject(CFont* pFont) {
    return CFont::FromHandle((HFONT)::SelectObject(m_hDC, pFont ? pFont->m_hObject : nullptr));
}

CBitmap* CDC::SelectObject(CBitmap* pBitmap) {
    return CBitmap::FromHandle((HBITMAP)::SelectObject(m_hDC, pBitmap ? pBitmap->m_hObject : nullptr));
}

CPaintDC::CPaintDC(CWnd* pWnd) : m_hWnd(pWnd->m_hWnd) { Attach(::BeginPaint(m_hWnd, &m_ps)); }
CPaintDC::~CPaintDC() {
    ::EndPaint(m_hWnd, &m_ps);
    Detach();
}
