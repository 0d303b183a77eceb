// Internal: the per-thread temporary objects that FromHandle hands out for
// handles that no object owns. They never own their handle and are freed
// at idle time (AfxUnlockTempMaps) or when the thread ends.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <map>
#include <typeinfo>
#include <unordered_map>
#include <utility>

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
    // One temporary per handle and wrapper type, so that a pointer handed
    // out as one type stays valid when the handle is asked for as another.
    std::map<std::pair<HGDIOBJ, const std::type_info*>, CGdiObject*> m_gdi;
};

FwTempMapSet& FwTempMaps();
// Frees this thread's temporaries and their tables (at the end of a worker).
void FwFreeTempMaps();
