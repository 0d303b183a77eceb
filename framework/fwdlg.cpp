// Dialogs: creation from templates, the modal loop, data exchange.
#include "framework/fwdlg.h"
#include "framework/fwapp.h"
#include "framework/seams.h"

IMPLEMENT_DYNAMIC(CDataExchangeFailure, CException)
IMPLEMENT_DYNAMIC(CDialog, CWnd)
IMPLEMENT_DYNAMIC(CDialogEx, CDialog)
IMPLEMENT_DYNAMIC(CFileDialog, CDialog)

// ---------------------------------------------------------------------------
// Data exchange

HWND CDataExchange::PrepareCtrl(int nIDC) {
    HWND h = m_pDlgWnd ? ::GetDlgItem(m_pDlgWnd->m_hWnd, nIDC) : nullptr;
    if (!h) throw CDataExchangeFailure();
    return h;
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
    if (rControl.m_hWnd) return;
    HWND h = pDX->PrepareCtrl(nIDC);
    if (!rControl.SubclassWindow(h)) throw CDataExchangeFailure();
}

// ---------------------------------------------------------------------------
// CDialog

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, &CDialog::OnOK)
    ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog() = default;

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_lpszTemplateName(MAKEINTRESOURCEW(nIDTemplate)), m_pParentWnd(pParentWnd) {}

BOOL CDialog::InitModalIndirect(LPCDLGTEMPLATEW lpDialogTemplate, CWnd* pParentWnd) {
    m_lpDialogTemplate = lpDialogTemplate;
    m_pParentWnd = pParentWnd;
    return lpDialogTemplate != nullptr;
}

LPCDLGTEMPLATEW CDialog::FindTemplate() const {
    if (m_lpDialogTemplate) return m_lpDialogTemplate;
    if (!m_lpszTemplateName) return nullptr;
    HINSTANCE hInst = AfxGetResourceHandle();
    HRSRC hRes = ::FindResourceW(hInst, m_lpszTemplateName, (LPCWSTR)RT_DIALOG);
    HGLOBAL hGlobal = hRes ? ::LoadResource(hInst, hRes) : nullptr;
    return hGlobal ? static_cast<LPCDLGTEMPLATEW>(::LockResource(hGlobal)) : nullptr;
}

BOOL CDialog::CreateFromTemplate(LPCDLGTEMPLATEW lpTemplate, HWND hWndParent) {
    if (!lpTemplate) return FALSE;
    AfxHookWindowCreate(this);
    HWND h = ::CreateDialogIndirectParamW(AfxGetResourceHandle(), lpTemplate, hWndParent, &AfxDlgProc, 0);
    if (!AfxUnhookWindowCreate()) return FALSE;
    return h != nullptr;
}

INT_PTR CDialog::DoModal() {
    LPCDLGTEMPLATEW lpTemplate = FindTemplate();
    if (!lpTemplate) return -1;

    HWND hOwner = m_pParentWnd->GetSafeHwnd();
    if (!hOwner) hOwner = AfxGetMainWnd()->GetSafeHwnd();
    if (hOwner) hOwner = ::GetAncestor(hOwner, GA_ROOT);
    bool bReenableOwner = hOwner && ::IsWindowEnabled(hOwner);
    if (bReenableOwner) ::EnableWindow(hOwner, FALSE);

    m_nModalResult = -1;
    m_bEndModal = FALSE;
    if (CreateFromTemplate(lpTemplate, hOwner)) {
        bool bShown = false;
        while (!m_bEndModal) {
            MSG msg;
            if (!bShown && !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
                // First idle moment: show a template that was not visible.
                bShown = true;
                if (m_hWnd && !(GetStyle() & WS_VISIBLE)) ShowWindow(SW_SHOWNORMAL);
                if (g_Seams.ModalDialogStarted && m_hWnd) {
                    try {
                        g_Seams.ModalDialogStarted(m_hWnd);
                    } catch (...) {
                    }
                }
                continue;
            }
            if (!::GetMessageW(&msg, nullptr, 0, 0)) {
                ::PostQuitMessage((int)msg.wParam);   // leave the quit to the outer loop
                break;
            }
            if (!AfxWalkPreTranslateTree(m_hWnd, &msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
            if (!m_hWnd) break;   // destroyed under us
        }
    }

    // Give activation back to the owner before the dialog goes away.
    if (bReenableOwner) ::EnableWindow(hOwner, TRUE);
    if (m_hWnd) {
        if (hOwner && ::GetActiveWindow() == m_hWnd) ::SetActiveWindow(hOwner);
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                       SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
        DestroyWindow();
    }
    return m_nModalResult;
}

void CDialog::EndDialog(int nResult) {
    m_nModalResult = nResult;
    m_bEndModal = TRUE;
    if (m_hWnd) ::PostMessageW(m_hWnd, WM_NULL, 0, 0);   // wake the loop
}

BOOL CDialog::FwHandleInitDialog() {
    DWORD dwStyleBefore = GetStyle();
    CRect rcBefore;
    GetWindowRect(&rcBefore);
    BOOL bResult = OnInitDialog();
    // A popup dialog that OnInitDialog neither showed nor moved is centred
    // over its owner (disabled while modal) or the screen.
    if (!m_hWnd || (dwStyleBefore & (WS_VISIBLE | WS_CHILD | DS_ABSALIGN | DS_CENTER)) ||
        (GetStyle() & (WS_VISIBLE | WS_CHILD)))
        return bResult;
    CRect rcAfter;
    GetWindowRect(&rcAfter);
    if (rcAfter.left != rcBefore.left || rcAfter.top != rcBefore.top) return bResult;
    HWND hOwner = ::GetWindow(m_hWnd, GW_OWNER);
    if (hOwner && ::IsWindowEnabled(hOwner)) return bResult;
    CenterWindow();
    return bResult;
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

BOOL CDialog::PreTranslateMessage(MSG* pMsg) {
    if (!m_hWnd) return FALSE;
    if (pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST) return ::IsDialogMessageW(m_hWnd, pMsg);
    return FALSE;
}

// ---------------------------------------------------------------------------
// CFileDialog

CFileDialog::CFileDialog(BOOL bOpenFileDialog, LPCWSTR lpszDefExt, LPCWSTR lpszFileName, DWORD dwFlags,
                         LPCWSTR lpszFilter, CWnd* pParentWnd, DWORD, BOOL)
    : m_bOpenFileDialog(bOpenFileDialog), m_strDefExt(lpszDefExt) {
    m_pParentWnd = pParentWnd;
    // "Name|*.ext||" becomes the zero-separated, double-zero-ended list.
    m_strFilter = lpszFilter;
    m_strFilter.Replace(L'|', L'\0');
    if (lpszFileName) lstrcpynW(m_szFileName, lpszFileName, (int)(sizeof(m_szFileName) / sizeof(wchar_t)));
    m_ofn.lStructSize = sizeof(m_ofn);
    m_ofn.Flags = dwFlags | OFN_EXPLORER | OFN_ENABLESIZING;
}

INT_PTR CFileDialog::DoModal() {
    m_ofn.hwndOwner = m_pParentWnd ? m_pParentWnd->GetSafeHwnd() : AfxGetMainWnd()->GetSafeHwnd();
    m_ofn.hInstance = AfxGetResourceHandle();
    m_ofn.lpstrFilter = m_strFilter.IsEmpty() ? nullptr : m_strFilter.GetString();
    m_ofn.lpstrDefExt = m_strDefExt.IsEmpty() ? nullptr : m_strDefExt.GetString();
    m_ofn.lpstrFile = m_szFileName;
    m_ofn.nMaxFile = (DWORD)(sizeof(m_szFileName) / sizeof(wchar_t));
    BOOL ok = m_bOpenFileDialog ? g_Seams.GetOpenFileName(&m_ofn) : g_Seams.GetSaveFileName(&m_ofn);
    return ok ? IDOK : IDCANCEL;
}

CString CFileDialog::GetPathName() const { return CString(m_szFileName); }

CString CFileDialog::GetFileName() const {
    CString path(m_szFileName);
    int slash = path.FindOneOf(L"\\/") < 0 ? -1 : (int)std::wstring(m_szFileName).find_last_of(L"\\/");
    return path.Mid(slash + 1);
}
