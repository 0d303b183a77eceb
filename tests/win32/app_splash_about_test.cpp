// The start-up picture and the About box on real windows: the splash window's
// shape from its bitmap's key colour, its end on input, the hidden host
// dialog; the About box's picture, hidden second link, and the links that
// open their address and turn to the visited colour; the store dialog's skin
// picture, read from the image folder as the About box's is.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/AppGlobals.h"
#include "app/BrowseOstFile.h"
#include "app/OstAboutUs.h"
#include "app/SplashDlg.h"
#include "app/controls/SplashScreenEx.h"
#include "app/controls/URLLinkButton.h"
#include "framework/seam_script.h"
#include "res/resource.h"

namespace {

const COLORREF kKey = CSplashScreenEx::kKeyColour;
const COLORREF kVisited = RGB(128, 0, 128);

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

// A 24-bit bitmap from top-down rows of colours.
HBITMAP MakeBitmap(const std::vector<std::vector<COLORREF>>& rows) {
    const int height = static_cast<int>(rows.size());
    const int width = static_cast<int>(rows[0].size());
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const int rowSize = (width * 3 + 3) & ~3;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            auto* p = static_cast<BYTE*>(bits) + y * rowSize + x * 3;
            p[0] = GetBValue(rows[y][x]);
            p[1] = GetGValue(rows[y][x]);
            p[2] = GetRValue(rows[y][x]);
        }
    }
    return bitmap;
}

// The pixels of a region inside width x height, as text rows ('#' inside).
std::vector<std::string> Pixels(HRGN region, int width, int height) {
    std::vector<std::string> rows;
    for (int y = 0; y < height; ++y) {
        std::string row;
        for (int x = 0; x < width; ++x) row += PtInRegion(region, x, y) ? '#' : '.';
        rows.push_back(row);
    }
    return rows;
}

std::wstring SkinFile(const wchar_t* name) { return std::wstring(L"" SKIN_DIR) + L"\\" + name; }

// A splash window that reports its deletion.
bool g_splashDeleted = false;
class WatchedSplash : public CSplashScreenEx {
public:
    ~WatchedSplash() override { g_splashDeleted = true; }
};

struct ImageFolder {
    CString saved = g_strImageFolder;
    explicit ImageFolder(const CString& folder) { g_strImageFolder = folder; }
    ~ImageFolder() { g_strImageFolder = saved; }
};

}  // namespace

TEST(AppSplashRegion, KeyColouredPixelsAreCutOut) {
    HBITMAP corner = MakeBitmap({{kKey, RGB(1, 2, 3)}, {RGB(0, 0, 0), RGB(255, 255, 255)}});
    HRGN region = CSplashScreenEx::BuildRegionFromBitmap(corner, kKey);
    ASSERT_NE(region, nullptr);
    EXPECT_EQ(Pixels(region, 2, 2), (std::vector<std::string>{".#", "##"}));
    DeleteObject(region);
    DeleteObject(corner);

    // Only the exact key counts: one unit off in any channel is kept.
    HBITMAP nearKey = MakeBitmap({{RGB(254, 0, 240), RGB(255, 1, 240), RGB(255, 0, 241), kKey}});
    region = CSplashScreenEx::BuildRegionFromBitmap(nearKey, kKey);
    EXPECT_EQ(Pixels(region, 4, 1), (std::vector<std::string>{"###."}));
    DeleteObject(region);
    DeleteObject(nearKey);

    // Runs on both sides of a cut in one row.
    HBITMAP middle = MakeBitmap({{RGB(9, 9, 9), kKey, kKey, RGB(9, 9, 9), RGB(9, 9, 9)}});
    region = CSplashScreenEx::BuildRegionFromBitmap(middle, kKey);
    EXPECT_EQ(Pixels(region, 5, 1), (std::vector<std::string>{"#..##"}));
    DeleteObject(region);
    DeleteObject(middle);
}

TEST(AppSplashRegion, PictureWithoutKeyColourIsWholeAndNoPictureGivesNoRegion) {
    HBITMAP plain = MakeBitmap({{RGB(10, 20, 30), RGB(40, 50, 60), RGB(70, 80, 90)},
                                {RGB(1, 1, 1), RGB(2, 2, 2), RGB(3, 3, 3)}});
    HRGN region = CSplashScreenEx::BuildRegionFromBitmap(plain, kKey);
    HRGN whole = CreateRectRgn(0, 0, 3, 2);
    EXPECT_TRUE(EqualRgn(region, whole));
    DeleteObject(whole);
    DeleteObject(region);
    DeleteObject(plain);
    EXPECT_EQ(CSplashScreenEx::BuildRegionFromBitmap(nullptr, kKey), nullptr);
}

TEST(AppSplashWindow, FlashPictureShapesSizesAndCentresTheWindow) {
    auto* splash = new CSplashScreenEx;
    ASSERT_TRUE(splash->CreateSplashWindow(nullptr));
    HWND window = splash->GetSafeHwnd();
    EXPECT_EQ(GetWindowLongW(window, GWL_EXSTYLE) & (WS_EX_TOPMOST | WS_EX_TOOLWINDOW),
              WS_EX_TOPMOST | WS_EX_TOOLWINDOW);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(splash->GetStyle(), 0x0F);
    EXPECT_FALSE(splash->LoadSplashBitmap(SkinFile(L"NoSuch.bmp").c_str()));
    ASSERT_TRUE(splash->LoadSplashBitmap(SkinFile(L"Flash.bmp").c_str()));

    const CSize size = splash->GetPictureSize();
    EXPECT_GT(size.cx, 0);
    EXPECT_EQ(splash->GetPosition().x, (GetSystemMetrics(SM_CXFULLSCREEN) - size.cx) / 2);
    EXPECT_EQ(splash->GetPosition().y, (GetSystemMetrics(SM_CYFULLSCREEN) - size.cy) / 2);
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_EQ(GetWindowRgn(window, region), COMPLEXREGION);
    // The picture's rounded corners carry the key colour; its middle does not.
    EXPECT_FALSE(PtInRegion(region, 0, 0));
    EXPECT_FALSE(PtInRegion(region, size.cx - 1, size.cy - 1));
    EXPECT_TRUE(PtInRegion(region, size.cx / 2, size.cy / 2));
    EXPECT_TRUE(PtInRegion(region, 0, size.cy / 2));
    DeleteObject(region);

    splash->ShowSplashWindow();
    Pump();
    EXPECT_TRUE(IsWindowVisible(window));
    RECT rect;
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.right - rect.left, size.cx);
    EXPECT_EQ(rect.bottom - rect.top, size.cy);
    splash->HideSplashWindow();   // deletes the object
    EXPECT_FALSE(IsWindow(window));
}

TEST(AppSplashWindow, KeyOrClickEndsItOnlyWithHideOnInput) {
    g_splashDeleted = false;
    auto* splash = new WatchedSplash;
    ASSERT_TRUE(splash->CreateSplashWindow(nullptr));
    HWND window = splash->GetSafeHwnd();
    ASSERT_TRUE(splash->LoadSplashBitmap(SkinFile(L"Flash.bmp").c_str()));
    splash->ShowSplashWindow();
    MSG key = {window, WM_KEYDOWN, 'A', 0, 0, {0, 0}};
    EXPECT_FALSE(splash->PreTranslateMessage(&key));
    EXPECT_TRUE(IsWindow(window));

    splash->SetStyle(splash->GetStyle() | CSplashScreenEx::kHideOnInput);
    EXPECT_TRUE(splash->PreTranslateMessage(&key));
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(g_splashDeleted);

    g_splashDeleted = false;
    splash = new WatchedSplash;
    ASSERT_TRUE(splash->CreateSplashWindow(nullptr));
    window = splash->GetSafeHwnd();
    splash->SetStyle(CSplashScreenEx::kHideOnInput);
    MSG click = {window, WM_RBUTTONDOWN, 0, 0, 0, {0, 0}};
    EXPECT_TRUE(splash->PreTranslateMessage(&click));
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(g_splashDeleted);
}

TEST(AppSplashWindow, TimeOutHidesAndDestroysIt) {
    g_splashDeleted = false;
    auto* splash = new WatchedSplash;
    ASSERT_TRUE(splash->CreateSplashWindow(nullptr));
    HWND window = splash->GetSafeHwnd();
    ASSERT_TRUE(splash->LoadSplashBitmap(SkinFile(L"Flash.bmp").c_str()));
    splash->ShowSplashWindow();   // arms the 2 s time-out
    const DWORD start = GetTickCount();
    while (IsWindow(window) && GetTickCount() - start < 20000) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        Pump();
    }
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(g_splashDeleted);
}

TEST(AppSplashDialog, ShowsThePictureWhileTheHostStaysHidden) {
    ImageFolder folder(SKIN_DIR);
    // Watch the splash window from a second thread while DoModal blocks.
    std::atomic<bool> done{false}, splashVisible{false}, hostVisible{false};
    RECT splashRect = {};
    std::thread watcher([&] {
        while (!done) {
            HWND splash = FindWindowW(CSplashScreenEx::kClassName, nullptr);
            if (splash != nullptr && IsWindowVisible(splash)) {
                GetWindowRect(splash, &splashRect);
                splashVisible = true;
            }
            HWND host = FindWindowW(L"#32770", L"Dialog");
            if (host != nullptr && IsWindowVisible(host)) hostVisible = true;
            Sleep(20);
        }
    });
    CSplashDlg dialog;
    EXPECT_EQ(dialog.DoModal(), IDOK);
    done = true;
    watcher.join();

    EXPECT_TRUE(splashVisible);
    EXPECT_FALSE(hostVisible);
    EXPECT_EQ(splashRect.right - splashRect.left, 420);
    EXPECT_EQ(splashRect.bottom - splashRect.top, 240);
    EXPECT_EQ(FindWindowW(CSplashScreenEx::kClassName, nullptr), nullptr);   // gone when DoModal returns
}

TEST(AppSplashDialog, MissingPictureStillEndsTheDialogAfterTheWholeHold) {
    ImageFolder folder(L"C:\\no such folder");
    CSplashDlg dialog;
    const DWORD start = GetTickCount();
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_GE(GetTickCount() - start, 1450u);   // the picture is held 1.5 s even when there is none
    EXPECT_EQ(FindWindowW(CSplashScreenEx::kClassName, nullptr), nullptr);
}

// The About box, driven from the seam its modal loop calls once it is up.
class AppAbout : public ::testing::Test {
protected:
    SeamScript script;
    ImageFolder folder{SKIN_DIR};

    static int CountPixels(HWND window, COLORREF colour) {
        RECT rect;
        GetClientRect(window, &rect);
        HDC dc = GetDC(window);
        int count = 0;
        for (int y = rect.top; y < rect.bottom; ++y)
            for (int x = rect.left; x < rect.right; ++x)
                if (GetPixel(dc, x, y) == colour) ++count;
        ReleaseDC(window, dc);
        return count;
    }
    static void Click(HWND dialog, int id) {
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    }
    void RunAbout(const std::function<void(HWND)>& steps) {
        script.modalActions.push_back([steps](HWND dialog) {
            steps(dialog);
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        });
        COstAboutUs about;
        EXPECT_EQ(about.DoModal(), IDOK);
    }
};

TEST_F(AppAbout, ShowsTitlePictureIconAndTexts) {
    RunAbout([](HWND dialog) {
        wchar_t title[128] = L"";
        GetWindowTextW(dialog, title, 128);
        EXPECT_STREQ(title, L"About Quillmere for MS Exchange OST - MS Outlook PST");
        HWND picture = GetDlgItem(dialog, IDC_ABOUT_PICTURE);
        EXPECT_NE(SendMessageW(picture, STM_GETIMAGE, IMAGE_BITMAP, 0), 0);
        RECT rect;
        GetWindowRect(picture, &rect);
        EXPECT_EQ(rect.right - rect.left, 410);   // the static takes the picture's size
        EXPECT_EQ(rect.bottom - rect.top, 310);
        EXPECT_NE(SendMessageW(dialog, WM_GETICON, ICON_BIG, 0), 0);
        wchar_t text[64] = L"";
        GetDlgItemTextW(dialog, IDC_VERSION, text, 64);
        EXPECT_STREQ(text, L"Version 4.7.0");
        GetDlgItemTextW(dialog, IDC_SUPPORT_LINK, text, 64);
        EXPECT_STREQ(text, L"support@quillmere.example");
        // The labels and version are transparent statics over the picture.
        EXPECT_NE(dynamic_cast<CTransparentStatic*>(CWnd::FromHandlePermanent(GetDlgItem(dialog, IDC_VERSION))),
                  nullptr);
    });
}

TEST_F(AppAbout, LinksOpenTheirAddressAndTurnToTheVisitedColour) {
    RunAbout([this](HWND dialog) {
        // The second web address is hidden: nothing to click.
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_SECOND_WEBSITE_LINK)));
        const struct {
            int id;
            const wchar_t* address;
        } links[] = {{IDC_WEBSITE_LINK, L"www.quillmere.example"},
                     {IDC_SALES_LINK, L"mailto:sales@quillmere.example"},
                     {IDC_SUPPORT_LINK, L"mailto:support@quillmere.example"}};
        for (const auto& link : links) {
            HWND button = GetDlgItem(dialog, link.id);
            EXPECT_TRUE(IsWindowVisible(button));
            auto* linkButton = dynamic_cast<CURLLinkButton*>(CWnd::FromHandlePermanent(button));
            ASSERT_NE(linkButton, nullptr);
            UpdateWindow(button);
            EXPECT_EQ(CountPixels(button, kVisited), 0) << link.id;

            const size_t before = script.shellOpens.size();
            Click(dialog, link.id);
            ASSERT_EQ(script.shellOpens.size(), before + 1);
            EXPECT_EQ(script.shellOpens.back().verb, L"open");
            EXPECT_EQ(script.shellOpens.back().file, link.address);
            EXPECT_EQ(script.shellOpens.back().show, SW_SHOWNORMAL);

            // Painted in the visited colour from now on.
            EXPECT_TRUE(linkButton->IsVisited());
            UpdateWindow(button);
            EXPECT_GT(CountPixels(button, kVisited), 0) << link.id;
        }
    });
}

// The store dialog's picture comes from the image folder (the same skin
// picture control as the About box's and the saving dialog's); where the
// folder has no such file the control stays empty and the dialog still runs.
TEST(AppSkinPicture, StoreDialogShowsItsPictureFromTheImageFolder) {
    SeamScript script;
    const struct {
        const wchar_t* folder;
        bool picture;
    } cases[] = {{L"" SKIN_DIR, true}, {L"C:\\no-such-image-folder", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.picture ? "skin folder" : "no such folder");
        ImageFolder images{c.folder};
        LRESULT shown = -1;
        script.modalActions.push_back([&shown](HWND dialog) {
            shown = SendDlgItemMessageW(dialog, IDC_BROWSE_PICTURE, STM_GETIMAGE, IMAGE_BITMAP, 0);
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_CANCEL_BUTTON, BN_CLICKED), 0);
        });
        CBrowseOstFile dialog;
        EXPECT_EQ(dialog.DoModal(), IDOK);
        EXPECT_EQ(shown != 0, c.picture);
    }
}
