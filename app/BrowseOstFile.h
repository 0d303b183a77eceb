// The store dialog: the user picks an offline store, starts its load on the
// analysis worker, may pause, resume and abort it. The dialog closes itself
// when the worker reports its end (the worker only repaints the dialog; the
// paint handler closes it on the user-interface thread).
#pragma once
#include "framework/framework.h"

#include "app/SkinPicture.h"
#include "app/controls/TransparentStatic.h"
#include "res/resource.h"

class CBrowseOstFile : public CDialogEx {
    DECLARE_DYNAMIC(CBrowseOstFile)
public:
    explicit CBrowseOstFile(CWnd* pParent = nullptr);
    ~CBrowseOstFile() override;
    enum { IDD = IDD_BROWSE_OST };

    // The path chosen in the file dialog, as Select takes it (also the test
    // entry that stands for the file dialog's answer).
    void ChooseStorePath(const CString& fullPath, const CString& fileName);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    BOOL OnInitDialog() override;
    // Esc's command: the dialog closes only through Cancel, the close box or
    // the end of the load.
    void OnCancel() override;

    afx_msg void OnStart();
    afx_msg void OnSelectOstFile();
    afx_msg void OnCancelButton();
    afx_msg void OnPaint();
    afx_msg void OnPauseResume();
    afx_msg void OnClose();
    DECLARE_MESSAGE_MAP()

private:
    void ClearViewsOfPreviousStore();

    CTransparentStatic m_pathLabel;
    CButton m_selectButton;
    CButton m_searchButton;
    CButton m_startButton;
    CButton m_cancelButton;
    CProgressCtrl m_progress;
    CTransparentStatic m_spareLabel;
    HICON m_hIcon = nullptr;
    CButton m_pauseButton;
    CTransparentStatic m_statusLabel;
    CSkinPicture m_picture{L"Browse.bmp"};
};
