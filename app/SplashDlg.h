// The hidden host of the start-up picture: its OnInitDialog shows the splash
// window for a fixed time and ends the dialog, so DoModal returns once the
// picture has faded out.
#pragma once
#include "framework/framework.h"

#include "res/resource.h"

class CSplashDlg : public CDialogEx {
    DECLARE_DYNAMIC(CSplashDlg)
public:
    explicit CSplashDlg(CWnd* pParent = nullptr) : CDialogEx(IDD_SPLASH, pParent) {}
    enum { IDD = IDD_SPLASH };

    // How long the picture stays up between fading in and fading out.
    static const DWORD kHoldMs = 1500;

protected:
    BOOL OnInitDialog() override;
    afx_msg void OnPaint();
    DECLARE_MESSAGE_MAP()

private:
    void RunSplash();
};
