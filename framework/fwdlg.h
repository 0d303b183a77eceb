// Modal dialogs, data exchange, the file dialog.
#pragma once
#include <windows.h>
#include <commdlg.h>
#include "fwwnd.h"

class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate) : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}
    BOOL m_bSaveAndValidate;   // TRUE: controls to members
    CWnd* m_pDlgWnd;
    HWND PrepareCtrl(int nIDC);   // the control's handle; throws when missing
};

// Thrown by data exchange when a control or a value is missing.
class CDataExchangeFailure : public CException {
    DECLARE_DYNAMIC(CDataExchangeFailure)
};

// Subclasses the template control nIDC into rControl (once: a control that
// is already attached is left alone).
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);

class CDialog : public CWnd {
    DECLARE_DYNAMIC(CDialog)
public:
    CDialog();
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);

    // Modal from an in-memory template (DLGTEMPLATE or DLGTEMPLATEEX); the
    // template must outlive DoModal.
    BOOL InitModalIndirect(LPCDLGTEMPLATEW lpDialogTemplate, CWnd* pParentWnd = nullptr);
    // Runs the dialog modally: the owner is disabled, messages go through
    // PreTranslateMessage, and the result of EndDialog is returned (-1 when
    // the dialog cannot be created).
    virtual INT_PTR DoModal();

    void EndDialog(int nResult);
    virtual BOOL OnInitDialog();   // runs DoDataExchange (UpdateData(FALSE))
    virtual void OnOK();           // UpdateData(TRUE), then EndDialog(IDOK)
    virtual void OnCancel();       // EndDialog(IDCANCEL)
    BOOL PreTranslateMessage(MSG* pMsg) override;   // IsDialogMessage

    // Framework internals.
    BOOL FwHandleInitDialog();
protected:
    LPCWSTR m_lpszTemplateName = nullptr;
    LPCDLGTEMPLATEW m_lpDialogTemplate = nullptr;
    CWnd* m_pParentWnd = nullptr;
    int m_nModalResult = -1;
    BOOL m_bEndModal = FALSE;

    BOOL CreateFromTemplate(LPCDLGTEMPLATEW lpTemplate, HWND hWndParent);
    LPCDLGTEMPLATEW FindTemplate() const;
    DECLARE_MESSAGE_MAP()
};

class CDialogEx : public CDialog {
    DECLARE_DYNAMIC(CDialogEx)
public:
    CDialogEx() = default;
    explicit CDialogEx(UINT nIDTemplate, CWnd* pParentWnd = nullptr) : CDialog(nIDTemplate, pParentWnd) {}
};

// The open/save file dialog, shown through the test seam. The filter uses
// '|' separators ("OST|*.ost||").
class CFileDialog : public CDialog {
    DECLARE_DYNAMIC(CFileDialog)
public:
    explicit CFileDialog(BOOL bOpenFileDialog, LPCWSTR lpszDefExt = nullptr, LPCWSTR lpszFileName = nullptr,
                         DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCWSTR lpszFilter = nullptr,
                         CWnd* pParentWnd = nullptr, DWORD dwSize = 0, BOOL bVistaStyle = TRUE);
    INT_PTR DoModal() override;   // IDOK or IDCANCEL
    CString GetPathName() const;
    CString GetFileName() const;
    OPENFILENAMEW m_ofn{};
private:
    BOOL m_bOpenFileDialog;
    CString m_strFilter;
    CString m_strDefExt;
    wchar_t m_szFileName[1024]{};
};
