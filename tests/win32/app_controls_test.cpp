// The custom controls on real windows: the transparent static over its
// parent's background, and the link button's colours and keys.
#include <gtest/gtest.h>

#include <windows.h>

#include "app/controls/TransparentStatic.h"
#include "app/controls/URLLinkButton.h"

namespace {

const COLORREF kBackground = RGB(0, 0, 255);

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

// A framework window with a solid blue background (reflects its children's
// colour messages like every framework window).
class BluePanel : public CWnd {
public:
    BOOL Make() {
        LPCWSTR cls = AfxRegisterWndClass(0, LoadCursor(nullptr, IDC_ARROW), CreateSolidBrush(kBackground));
        return CreateEx(0, cls, L"controls test", WS_POPUP | WS_VISIBLE, 50, 50, 400, 120, nullptr, nullptr);
    }
};

}  // namespace

class AppControls : public ::testing::Test {
protected:
    BluePanel panel;
    void SetUp() override { ASSERT_TRUE(panel.Make()); }
    void TearDown() override {
        panel.DestroyWindow();
        Pump();
    }
};

TEST_F(AppControls, ShorterTextOnATransparentStaticLeavesNoTraceOfTheOldOne) {
    HWND label = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFT, 10, 10, 300, 30,
                                 panel.GetSafeHwnd(), reinterpret_cast<HMENU>(1020), nullptr, nullptr);
    CTransparentStatic transparent;
    ASSERT_TRUE(transparent.SubclassWindow(label));
    transparent.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(SYSTEM_FONT)), TRUE);

    transparent.SetWindowText(L"WWWWWWWWWWWWWWWWWWWW");
    panel.UpdateWindow();
    Pump();
    HDC dc = GetDC(panel.GetSafeHwnd());
    int inked = 0;
    for (int x = 150; x < 300; ++x)
        for (int y = 12; y < 38; ++y)
            if (GetPixel(dc, x, y) != kBackground) ++inked;
    ASSERT_GT(inked, 0) << "the long text was not drawn where the test looks";

    transparent.SetWindowText(L"W");
    panel.UpdateWindow();
    Pump();
    int leftOver = 0;
    for (int x = 150; x < 300; ++x)
        for (int y = 12; y < 38; ++y)
            if (GetPixel(dc, x, y) != kBackground) ++leftOver;
    // The label has no background of its own: the panel's blue shows around the text.
    EXPECT_EQ(GetPixel(dc, 5, 5), kBackground);
    EXPECT_EQ(leftOver, 0);
    ReleaseDC(panel.GetSafeHwnd(), dc);
    transparent.UnsubclassWindow();
}

TEST_F(AppControls, LinkButtonColoursFollowHoverVisitedAndEnabled) {
    HWND button = CreateWindowExW(0, L"BUTTON", L"www.quillmere.example", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON,
                                  10, 10, 200, 20, panel.GetSafeHwnd(), reinterpret_cast<HMENU>(1040), nullptr,
                                  nullptr);
    CURLLinkButton link;
    ASSERT_TRUE(link.SubclassWindow(button));
    EXPECT_EQ(GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    EXPECT_NE(g_hHandCursor, nullptr);

    EXPECT_EQ(link.CurrentTextColor(), GetSysColor(COLOR_HIGHLIGHT));
    link.SetVisited(TRUE);
    EXPECT_EQ(link.CurrentTextColor(), RGB(128, 0, 128));
    link.SendMessage(WM_MOUSEHOVER, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(link.IsHover());
    EXPECT_EQ(link.CurrentTextColor(), GetSysColor(COLOR_HOTLIGHT));
    link.SendMessage(WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(link.IsHover());
    EXPECT_EQ(link.CurrentTextColor(), RGB(128, 0, 128));
    EnableWindow(button, FALSE);
    EXPECT_EQ(link.CurrentTextColor(), GetSysColor(COLOR_GRAYTEXT));
    link.UnsubclassWindow();
}

TEST_F(AppControls, EnterAndSpaceNeverClickALink) {
    HWND button = CreateWindowExW(0, L"BUTTON", L"sales@quillmere.example", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON,
                                  10, 10, 200, 20, panel.GetSafeHwnd(), reinterpret_cast<HMENU>(1042), nullptr,
                                  nullptr);
    CURLLinkButton link;
    ASSERT_TRUE(link.SubclassWindow(button));
    for (WPARAM key : {WPARAM(VK_RETURN), WPARAM(VK_SPACE)}) {
        MSG down = {button, WM_KEYDOWN, key, 0, 0, {0, 0}};
        MSG up = {button, WM_KEYUP, key, 0, 0, {0, 0}};
        EXPECT_TRUE(link.PreTranslateMessage(&down));
        EXPECT_TRUE(link.PreTranslateMessage(&up));
    }
    MSG other = {button, WM_KEYDOWN, 'A', 0, 0, {0, 0}};
    EXPECT_FALSE(link.PreTranslateMessage(&other));
    link.UnsubclassWindow();
}
