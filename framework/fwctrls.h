// Control wrappers: the handle (from CWnd) and nothing else; each member is
// one message to the control. Attach one to a template control with
// DDX_Control, or Create it.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <richedit.h>
#include "fwwnd.h"
#include "fwgdi.h"

class CStatic : public CWnd {
    DECLARE_DYNAMIC(CStatic)
public:
    HBITMAP SetBitmap(HBITMAP hBitmap) { return (HBITMAP)SendMessage(STM_SETIMAGE, IMAGE_BITMAP, (LPARAM)hBitmap); }
};

class CButton : public CWnd {
    DECLARE_DYNAMIC(CButton)
public:
    // Owner-drawn buttons paint here (WM_DRAWITEM reflected by the parent).
    virtual void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) {}
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
};

class CProgressCtrl : public CWnd {
    DECLARE_DYNAMIC(CProgressCtrl)
public:
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) { return CWnd::Create(PROGRESS_CLASSW, nullptr, dwStyle, rect, pParentWnd, nID); }
    void SetRange(short nLower, short nUpper) { SendMessage(PBM_SETRANGE, 0, MAKELPARAM(nLower, nUpper)); }
    int SetPos(int nPos) { return (int)SendMessage(PBM_SETPOS, nPos, 0); }
    int GetPos() const { return (int)SendMessage(PBM_GETPOS, 0, 0); }
};

class CListCtrl : public CWnd {
    DECLARE_DYNAMIC(CListCtrl)
public:
    int GetItemCount() const { return (int)SendMessage(LVM_GETITEMCOUNT, 0, 0); }
    DWORD SetExtendedStyle(DWORD dwNewStyle) { return (DWORD)SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, dwNewStyle); }
    CImageList* SetImageList(CImageList* pImageList, int nImageListType) { return CImageList::FromHandle((HIMAGELIST)SendMessage(LVM_SETIMAGELIST, nImageListType, (LPARAM)pImageList->GetSafeHandle())); }

    int InsertColumn(int nCol, const LVCOLUMNW* pColumn) { return (int)SendMessage(LVM_INSERTCOLUMNW, nCol, (LPARAM)pColumn); }
    int InsertColumn(int nCol, LPCWSTR lpszColumnHeading, int nFormat = LVCFMT_LEFT, int nWidth = -1, int nSubItem = -1);
    BOOL DeleteColumn(int nCol) { return (BOOL)SendMessage(LVM_DELETECOLUMN, nCol, 0); }
    BOOL SetColumnWidth(int nCol, int cx) { return (BOOL)SendMessage(LVM_SETCOLUMNWIDTH, nCol, MAKELPARAM(cx, 0)); }

    int InsertItem(const LVITEMW* pItem) { return (int)SendMessage(LVM_INSERTITEMW, 0, (LPARAM)pItem); }
    int InsertItem(int nItem, LPCWSTR lpszItem);
    int InsertItem(UINT nMask, int nItem, LPCWSTR lpszItem, UINT nState, UINT nStateMask, int nImage, LPARAM lParam);
    BOOL SetItem(const LVITEMW* pItem) { return (BOOL)SendMessage(LVM_SETITEMW, 0, (LPARAM)pItem); }
    BOOL SetItemText(int nItem, int nSubItem, LPCWSTR lpszText);
    CString GetItemText(int nItem, int nSubItem) const;
    int GetItemText(int nItem, int nSubItem, LPWSTR lpszText, int nLen) const;
    BOOL DeleteAllItems() { return (BOOL)SendMessage(LVM_DELETEALLITEMS, 0, 0); }
    // The row under the mouse pointer as the control tracks it; -1 for none.
    int GetHotItem() const { return (int)SendMessage(LVM_GETHOTITEM, 0, 0); }
    BOOL SortItems(PFNLVCOMPARE pfnCompare, DWORD_PTR dwData) { return (BOOL)SendMessage(LVM_SORTITEMS, dwData, (LPARAM)pfnCompare); }
};

class CTreeCtrl : public CWnd {
    DECLARE_DYNAMIC(CTreeCtrl)
public:
    HTREEITEM InsertItem(LPTVINSERTSTRUCTW lpInsertStruct) { return (HTREEITEM)SendMessage(TVM_INSERTITEMW, 0, (LPARAM)lpInsertStruct); }
    HTREEITEM InsertItem(UINT nMask, LPCWSTR lpszItem, int nImage, int nSelectedImage, UINT nState, UINT nStateMask,
                         LPARAM lParam, HTREEITEM hParent, HTREEITEM hInsertAfter);
    HTREEITEM GetNextItem(HTREEITEM hItem, UINT nCode) const { return (HTREEITEM)SendMessage(TVM_GETNEXTITEM, nCode, (LPARAM)hItem); }
    HTREEITEM GetSelectedItem() const { return GetNextItem(nullptr, TVGN_CARET); }
    BOOL Select(HTREEITEM hItem, UINT nCode) { return (BOOL)SendMessage(TVM_SELECTITEM, nCode, (LPARAM)hItem); }
    BOOL SelectItem(HTREEITEM hItem) { return Select(hItem, TVGN_CARET); }
    BOOL GetItem(TVITEMW* pItem) const { return (BOOL)SendMessage(TVM_GETITEMW, 0, (LPARAM)pItem); }
    CString GetItemText(HTREEITEM hItem) const;
    HTREEITEM HitTest(CPoint pt, UINT* pFlags = nullptr) const;
    HTREEITEM HitTest(TVHITTESTINFO* pHitTestInfo) const { return (HTREEITEM)SendMessage(TVM_HITTEST, 0, (LPARAM)pHitTestInfo); }
    CImageList* SetImageList(CImageList* pImageList, int nImageListType) { return CImageList::FromHandle((HIMAGELIST)SendMessage(TVM_SETIMAGELIST, nImageListType, (LPARAM)pImageList->GetSafeHandle())); }
};

class CRichEditCtrl : public CWnd {
    DECLARE_DYNAMIC(CRichEditCtrl)
public:
    long StreamIn(int nFormat, EDITSTREAM& es) { return (long)SendMessage(EM_STREAMIN, nFormat, (LPARAM)&es); }
};

class CToolTipCtrl : public CWnd {
    DECLARE_DYNAMIC(CToolTipCtrl)
public:
    void Activate(BOOL bActivate) { SendMessage(TTM_ACTIVATE, bActivate, 0); }
    void RelayEvent(LPMSG lpMsg) { SendMessage(TTM_RELAYEVENT, 0, (LPARAM)lpMsg); }
    int GetToolCount() const { return (int)SendMessage(TTM_GETTOOLCOUNT, 0, 0); }
};

class CToolBarCtrl : public CWnd {
    DECLARE_DYNAMIC(CToolBarCtrl)
public:
    BOOL EnableButton(int nID, BOOL bEnable = TRUE) { return (BOOL)SendMessage(TB_ENABLEBUTTON, nID, MAKELPARAM(bEnable, 0)); }
    BOOL IsButtonEnabled(int nID) const { return (BOOL)SendMessage(TB_ISBUTTONENABLED, nID, 0); }
    BOOL CheckButton(int nID, BOOL bCheck = TRUE) { return (BOOL)SendMessage(TB_CHECKBUTTON, nID, MAKELPARAM(bCheck, 0)); }
    BOOL IsButtonChecked(int nID) const { return (BOOL)SendMessage(TB_ISBUTTONCHECKED, nID, 0); }
};
