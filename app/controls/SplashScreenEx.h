// The start-up picture: a topmost popup shaped by its bitmap (pixels of the
// key colour are cut out of the window), faded in and out where the system
// animates windows. The object owns itself once its window exists.
#pragma once
#include "framework/framework.h"

class CSplashScreenEx : public CWnd {
    DECLARE_DYNAMIC(CSplashScreenEx)
public:
    // Style flags.
    enum {
        kFadeIn = 0x01,
        kFadeOut = 0x02,
        kShadow = 0x04,
        kCentreScreen = 0x08,
        kCentreParent = 0x10,
        kHideOnInput = 0x20,
    };
    // Pixels of exactly this colour are not part of the window.
    static const COLORREF kKeyColour = RGB(255, 0, 240);
    static const wchar_t kClassName[];

    CSplashScreenEx();
    ~CSplashScreenEx() override;

    // Registers the window class and creates the hidden, empty window owned
    // by pParent; fade in, fade out, shadow, centred on the screen.
    BOOL CreateSplashWindow(CWnd* pParent);
    // Loads the picture from a .bmp file, sizes, places and shapes the
    // window; FALSE when the file cannot be loaded.
    BOOL LoadSplashBitmap(LPCWSTR lpszFileName);
    // Places and shows the window (fading in) and arms the time-out.
    void ShowSplashWindow();
    // Hides the window (fading out) and destroys it; the object is deleted.
    void HideSplashWindow();

    // The union of the horizontal runs of pixels that are not `key`, row by
    // row; null without a picture. The caller owns the region.
    static HRGN BuildRegionFromBitmap(HBITMAP hBitmap, COLORREF key);

    void SetStyle(int style) { m_nStyle = style; }
    int GetStyle() const { return m_nStyle; }
    CSize GetPictureSize() const { return CSize(m_nWidth, m_nHeight); }
    CPoint GetPosition() const { return m_position; }

    BOOL PreTranslateMessage(MSG* pMsg) override;

protected:
    void PostNcDestroy() override;
    void PaintSplash(CDC* pDC);

    afx_msg BOOL OnEraseBkgnd(CDC* pDC);
    afx_msg void OnPaint();
    afx_msg LRESULT OnPrintClient(WPARAM wParam, LPARAM lParam);
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    DECLARE_MESSAGE_MAP()

private:
    typedef BOOL(WINAPI* AnimateWindowProc)(HWND, DWORD, DWORD);

    CBitmap m_bitmap;
    int m_nWidth = 0;
    int m_nHeight = 0;
    CFont m_font;
    HRGN m_hRegion = nullptr;
    int m_nStyle = 0;
    int m_nTimeout = 2000;
    CString m_strText;
    CRect m_rcText;
    UINT m_nTextFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    COLORREF m_crTextColor = RGB(0, 0, 0);
    CWnd* m_pParent = nullptr;
    CPoint m_position;
    AnimateWindowProc m_pAnimateWindow = nullptr;
};
