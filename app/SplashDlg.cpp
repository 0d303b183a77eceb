#include "app/SplashDlg.h"

#include "app/AppGlobals.h"
#include "app/controls/SplashScreenEx.h"

IMPLEMENT_DYNAMIC(CSplashDlg, CDialogEx)

BEGIN_MESSAGE_MAP(CSplashDlg, CDialogEx)
    ON_WM_PAINT()
END_MESSAGE_MAP()

BOOL CSplashDlg::OnInitDialog() {
    CDialogEx::OnInitDialog();
    RunSplash();
    return TRUE;
}

void CSplashDlg::OnPaint() {
    CPaintDC dc(this);
    ShowWindow(SW_HIDE);   // the host itself is never seen
}

void CSplashDlg::RunSplash() {
    auto* splash = new CSplashScreenEx;
    if (!splash->CreateSplashWindow(this)) {
        delete splash;   // no window: nothing owns the object yet
    } else {
        // Without the picture the window stays of no size; the wait stays.
        splash->LoadSplashBitmap(g_strImageFolder + L"\\Flash.bmp");
        splash->ShowSplashWindow();
        // The thread blocks here, so the splash's own time-out never fires.
        ::Sleep(kHoldMs);
        splash->HideSplashWindow();
    }
    OnOK();
}
