// Internal: the per-thread temporary objects that FromHandle hands out for
// handles that no object owns. They never own their handle and are freed
// at idle time (AfxUnlockTempMaps) or when the thread ends.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <memory>
#include <unordered_map>

class CWnd;
class CDC;
class CGdiObject;
class CImageList;

class FwTempMapSet {
public:
    ~FwTempMapSet() { Clear(); }
    CWnd* Window(HWND h);
    CDC* DC(HDC h);
    CImageList* ImageList(HIMAGELIST h);
    template <class T> T* Gdi(HGDIOBJ h);
    void Clear();
private:
    std::unordered_map<HWND, CWnd*> m_wnds;
    std::unordered_map<HDC, CDC*> m_dcs;
    std::unordered_map<HIMAGELIST, CImageList*> m_imageLists;
    std::unordered_map<HGDIOBJ, CGdiObject*> m_gdi;
};

FwTempMapSet& FwTempMaps();
