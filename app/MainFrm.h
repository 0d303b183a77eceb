// The main window: toolbar, status bar with the workers' progress bar, and
// the static splitter panes (folder tree left; item list over item view
// right). Its commands open a store, stop the item-list worker, save the
// checked folders, open the help file, show the About dialog and close.
#pragma once
#include "framework/framework.h"

#include "app/controls/AlphaToolBar.h"

class CMainFrame : public CFrameWnd {
    DECLARE_DYNCREATE(CMainFrame)
protected:
    CMainFrame();

public:
    ~CMainFrame() override;

    CStatusBar& GetStatusBar() { return m_wndStatusBar; }
    CAlphaToolBar& GetToolBar() { return m_wndToolBar; }
    CProgressCtrl& GetProgressBar() { return m_wndProgress; }

    // Text of the status bar's message pane while a worker runs.
    static const wchar_t kInsertionText[];

protected:
    BOOL PreCreateWindow(CREATESTRUCT& cs) override;
    BOOL OnCreateClient(LPCREATESTRUCT lpcs, CCreateContext* pContext) override;

    afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
    afx_msg void OnOpen();
    afx_msg void OnStop();
    afx_msg void OnSave();
    afx_msg void OnHelp();
    afx_msg void OnAboutUs();
    afx_msg void OnExit();
    afx_msg void OnClose();
    afx_msg void OnUpdateOpen(CCmdUI* pCmdUI);
    afx_msg void OnUpdateStop(CCmdUI* pCmdUI);
    afx_msg void OnUpdateSave(CCmdUI* pCmdUI);
    afx_msg void OnUpdateStatusText(CCmdUI* pCmdUI);
    DECLARE_MESSAGE_MAP()

private:
    CSplitterWnd m_wndSplitter;
    CSplitterWnd m_wndRightSplitter;
    CAlphaToolBar m_wndToolBar;
    CStatusBar m_wndStatusBar;
    CProgressCtrl m_wndProgress;
};

// Appends ";" + folder + ";" to the value of PATH (the help file is found
// through it). Returns the new value; an unset PATH stays unset.
CString AppendFolderToPath(const CString& folder);
// The save's destination after the user's folder choice: empties
// g_strDestFolder, asks for a folder, and on a usable choice makes
// g_strDestFolder the folder "QMRecoveredPst" inside it and creates it.
// FALSE when the user cancelled or the choice was refused (with its message).
BOOL ChooseSaveDestination(HWND owner);
