#include "export/OstSaving.h"

#include <commctrl.h>

#include "app/AppGlobals.h"
#include "app/Prompts.h"
#include "export/ExportState.h"
#include "export/SaveWorker.h"

IMPLEMENT_DYNAMIC(COstSaving, CDialogEx)

BEGIN_MESSAGE_MAP(COstSaving, CDialogEx)
    ON_NOTIFY(NM_CUSTOMDRAW, IDC_PROGRESS_TOTAL, &COstSaving::OnProgressCustomDraw)
    ON_BN_CLICKED(IDC_SAVE_PAUSE, &COstSaving::OnPauseResume)
    ON_BN_CLICKED(IDC_PAUSE, &COstSaving::OnStop)
    ON_WM_CLOSE()
    ON_WM_PAINT()
END_MESSAGE_MAP()

COstSaving::COstSaving() : CDialogEx(IDD_OST_SAVING, nullptr) {}

void COstSaving::DoDataExchange(CDataExchange* pDX) {
    CDialogEx::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_DEST_LABEL, m_destLabel);
    DDX_Control(pDX, IDC_FOLDER_LABEL, m_folderLabel);
    DDX_Control(pDX, IDC_COUNT_LABEL, m_countLabel);
    DDX_Control(pDX, IDC_PAUSE, m_stopButton);
    DDX_Control(pDX, IDC_SAVE_PAUSE, m_pauseButton);
    DDX_Control(pDX, IDC_DEST_VALUE, m_destValue);
    DDX_Control(pDX, IDC_FOLDER_VALUE, m_folderValue);
    DDX_Control(pDX, IDC_COUNT_VALUE, m_countValue);
    DDX_Control(pDX, IDC_SAVE_STATUS, m_statusText);
    DDX_Control(pDX, IDC_PROGRESS_TOTAL, m_progressTotal);
    DDX_Control(pDX, IDC_PROGRESS_FOLDER, m_progressFolder);
    DDX_Control(pDX, IDC_SAVE_PICTURE, m_picture);
}

BOOL COstSaving::OnInitDialog() {
    CDialogEx::OnInitDialog();
    SetWindowText(g_szMainTitle);
    g_strDestDir = g_strDestFolder.Left(g_strDestFolder.GetLength() - 1);
    g_bSaveDone = false;
    g_nSavedTotal = 0;
    g_strDefaultDest = g_strDestFolder;
    // A request left over from an earlier save must not stop this one.
    g_bSaveAbort = false;
    g_bSavePaused = false;
    m_statusText.SetWindowText(L"Saving process is in progress, please wait...");
    if (!StartSaveWorker(this)) {
        g_bSaveDone = true;
        Invalidate();
    }
    return TRUE;
}

BOOL COstSaving::PreTranslateMessage(MSG* pMsg) {
    if (pMsg->message == WM_KEYDOWN) {
        switch (pMsg->wParam) {
        case VK_RETURN:
        case VK_ESCAPE:
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN:
            // Neither the dialog's Enter and Esc nor its arrow navigation.
            return FALSE;
        default:
            break;
        }
    }
    return CDialogEx::PreTranslateMessage(pMsg);
}

// Esc's command: the dialog closes only at the worker's end.
void COstSaving::OnCancel() {}

void COstSaving::OnProgressCustomDraw(NMHDR*, LRESULT* pResult) { *pResult = 0; }

void COstSaving::OnPauseResume() {
    if (g_pSaveThread == nullptr) return;
    if (!g_bSavePaused) {
        m_stopButton.EnableWindow(FALSE);
        g_saveGate.Pause();
        m_pauseButton.SetWindowText(L"Resume");
        g_bSavePaused = true;
    } else {
        m_stopButton.EnableWindow(TRUE);
        g_saveGate.Resume();
        m_pauseButton.SetWindowText(L"Pause");
        g_bSavePaused = false;
    }
}

void COstSaving::AskToAbort() {
    g_saveGate.Pause();
    const int answer = AppMessageBox(GetSafeHwnd(), L"Saving is in Progress, do you want to abort ?", g_szCaption,
                                     MB_SYSTEMMODAL | MB_ICONQUESTION | MB_YESNO);
    if (answer == IDYES) {
        EnableWindow(FALSE);
        g_bSaveAbort = true;
    } else {
        g_bSaveAbort = false;
    }
    g_saveGate.Resume();
}

void COstSaving::OnStop() {
    if (g_pSaveThread == nullptr) return;
    AskToAbort();
}

void COstSaving::OnClose() {
    if (g_bSavePaused && g_pSaveThread != nullptr) return;
    if (g_pSaveThread != nullptr) {
        AskToAbort();
        return;
    }
    CDialogEx::OnOK();
}

void COstSaving::OnPaint() {
    CPaintDC dc(this);
    if (g_bSaveDone) {
        g_bSaveDone = false;
        CDialogEx::OnOK();
    }
}

void COstSaving::SetItemText(int id, const CString& text) { ::SetDlgItemTextW(GetSafeHwnd(), id, text); }

void COstSaving::SetBarRange(int id, int upper) {
    // The bars take a 16-bit upper bound.
    ::SendDlgItemMessageW(GetSafeHwnd(), id, PBM_SETRANGE, 0, MAKELPARAM(0, upper & 0xFFFF));
}

void COstSaving::SetBarPos(int id, int position) {
    ::SendDlgItemMessageW(GetSafeHwnd(), id, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}
