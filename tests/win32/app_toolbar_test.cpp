// The main window's toolbar: the colour depth of its image lists, the button
// and image sizes from the toolbar resource, the three lists handed to the
// control, and the pixel values of the normal, hot and disabled images.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "app/controls/AlphaToolBar.h"
#include "res/resource.h"

namespace {

// Stand-ins for a common-controls library's DllGetVersion.
HRESULT CALLBACK Version5(DLLVERSIONINFO* info) {
    if (info->cbSize != 20) return E_INVALIDARG;
    info->dwMajorVersion = 5;
    info->dwMinorVersion = 82;
    return S_OK;
}
HRESULT CALLBACK Version6(DLLVERSIONINFO* info) {
    if (info->cbSize != 20) return E_INVALIDARG;
    info->dwMajorVersion = 6;
    return S_OK;
}
HRESULT CALLBACK FailsWithVersion6(DLLVERSIONINFO* info) {
    info->dwMajorVersion = 6;
    return E_FAIL;
}

// A bottom-up strip of pixels, rows padded to 4 bytes; padding bytes 0xAB.
struct Strip {
    int width, height, bpp;
    size_t rowSize;
    std::vector<unsigned char> bytes;
    Strip(int w, int h, int bytesPerPixel)
        : width(w), height(h), bpp(bytesPerPixel), rowSize((static_cast<size_t>(bytesPerPixel) * w + 3) & ~size_t(3)),
          bytes(rowSize * h, 0xAB) {}
    unsigned char* At(int x, int y) { return &bytes[y * rowSize + static_cast<size_t>(x) * bpp]; }
    void Set(int x, int y, unsigned char b, unsigned char g, unsigned char r, unsigned char a = 0) {
        unsigned char* p = At(x, y);
        p[0] = b;
        p[1] = g;
        p[2] = r;
        if (bpp == 4) p[3] = a;
    }
    Strip Pass(ImagePass pass) {
        Strip out(width, height, bpp);
        ApplyImagePass(pass, bytes.data(), out.bytes.data(), width, height, bpp);
        return out;
    }
};

// The first image's pixels of a list, top-down 32-bit BGRA, as the list holds them.
std::vector<DWORD> ImagePixels(HIMAGELIST list, int index, int* bitsPerPixel = nullptr) {
    IMAGEINFO info = {};
    if (!ImageList_GetImageInfo(list, index, &info)) return {};
    BITMAP bitmap = {};
    GetObjectW(info.hbmImage, sizeof(bitmap), &bitmap);
    if (bitsPerPixel) *bitsPerPixel = bitmap.bmBitsPixel;
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    format.bmiHeader.biWidth = bitmap.bmWidth;
    format.bmiHeader.biHeight = -bitmap.bmHeight;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    std::vector<DWORD> all(static_cast<size_t>(bitmap.bmWidth) * bitmap.bmHeight);
    HDC dc = CreateCompatibleDC(nullptr);
    GetDIBits(dc, info.hbmImage, 0, bitmap.bmHeight, all.data(), &format, DIB_RGB_COLORS);
    DeleteDC(dc);
    std::vector<DWORD> image;
    for (int y = info.rcImage.top; y < info.rcImage.bottom; ++y)
        for (int x = info.rcImage.left; x < info.rcImage.right; ++x) image.push_back(all[y * bitmap.bmWidth + x]);
    return image;
}

class HostWindow {
public:
    CWnd wnd;
    HostWindow() { wnd.CreateEx(0, nullptr, L"toolbar host", WS_OVERLAPPEDWINDOW, 0, 0, 600, 200, nullptr, nullptr); }
    ~HostWindow() { wnd.DestroyWindow(); }
};

}  // namespace

TEST(AppToolbarDepth, VersionSixOrLaterGivesThirtyTwoBitsAnythingElseTwentyFour) {
    EXPECT_EQ(ImageListDepthFor(Version6), 32);
    EXPECT_EQ(ImageListDepthFor(Version5), 24);
    EXPECT_EQ(ImageListDepthFor(FailsWithVersion6), 24);
    EXPECT_EQ(ImageListDepthFor(nullptr), 24);   // no DllGetVersion at all
}

TEST(AppToolbarDepth, ListsAreMadeAtTheDepthOfThisProcessCommonControls) {
    HMODULE library = LoadLibraryW(L"comctl32.dll");
    ASSERT_NE(library, nullptr);
    const int expected = ImageListDepthFor(reinterpret_cast<DLLGETVERSIONPROC>(
        reinterpret_cast<void*>(GetProcAddress(library, "DllGetVersion"))));
    FreeLibrary(library);

    CAlphaImageList images;
    EXPECT_FALSE(images.LoadImages());   // before Create: nothing loaded
    EXPECT_EQ(images.Normal(), nullptr);
    ASSERT_TRUE(images.Create(38, 44, 7));
    EXPECT_EQ(images.Depth(), expected);
    ASSERT_TRUE(images.LoadImages());
    for (HIMAGELIST list : {images.Normal(), images.Hot(), images.Disabled()}) {
        int bits = 0;
        ASSERT_FALSE(ImagePixels(list, 0, &bits).empty());
        EXPECT_EQ(bits, expected);
        IMAGEINFO info = {};
        ASSERT_TRUE(ImageList_GetImageInfo(list, 0, &info));
        EXPECT_NE(info.hbmMask, nullptr);   // both depths carry a mask
    }
}

TEST(AppToolbarPasses, TwentyFourBitPixelsFollowTheCurvesAndKeepTheKeyColour) {
    // white, black, mid grey, the key colour, mid grey: 15 bytes and one padding byte a row.
    Strip strip(5, 2, 3);
    for (int y = 0; y < 2; ++y) {
        strip.Set(0, y, 255, 255, 255);
        strip.Set(1, y, 0, 0, 0);
        strip.Set(2, y, 128, 128, 128);
        strip.Set(3, y, 12, 12, 12);
        strip.Set(4, y, 128, 128, 128);
    }
    const Strip normal = strip.Pass(ImagePass::Normal);
    EXPECT_EQ(normal.bytes, strip.bytes);

    Strip disabled = strip.Pass(ImagePass::Disabled);
    Strip hot = strip.Pass(ImagePass::Hot);
    for (int y = 0; y < 2; ++y) {
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(disabled.At(0, y)[c], 255);
            EXPECT_EQ(disabled.At(1, y)[c], 0);
            EXPECT_EQ(disabled.At(2, y)[c], 180);
            EXPECT_EQ(disabled.At(3, y)[c], 12);
            EXPECT_EQ(hot.At(0, y)[c], 255);
            EXPECT_EQ(hot.At(1, y)[c], 0);
            EXPECT_EQ(hot.At(2, y)[c], 97);
            EXPECT_EQ(hot.At(3, y)[c], 12);
        }
        // The row padding stays as copied.
        EXPECT_EQ(hot.bytes[y * hot.rowSize + 15], 0xAB);
        EXPECT_EQ(disabled.bytes[y * disabled.rowSize + 15], 0xAB);
    }
    // A colour is grey in the disabled list: every channel the same.
    Strip colour(1, 1, 3);
    colour.Set(0, 0, 200, 100, 30);
    Strip grey = colour.Pass(ImagePass::Disabled);
    EXPECT_EQ(grey.At(0, 0)[0], grey.At(0, 0)[1]);
    EXPECT_EQ(grey.At(0, 0)[1], grey.At(0, 0)[2]);
    EXPECT_EQ(grey.At(0, 0)[0], DisabledGrey24(30, 100, 200));
}

TEST(AppToolbarPasses, ThirtyTwoBitPixelsKnowNoKeyColourAndKeepTheirAlpha) {
    Strip strip(2, 1, 4);
    strip.Set(0, 0, 12, 12, 12, 77);   // no key colour in 32-bit pixels
    strip.Set(1, 0, 128, 128, 128, 200);
    Strip hot = strip.Pass(ImagePass::Hot);
    EXPECT_EQ(hot.At(0, 0)[0], 3);
    EXPECT_EQ(hot.At(0, 0)[2], 3);
    EXPECT_EQ(hot.At(0, 0)[3], 77);
    EXPECT_EQ(hot.At(1, 0)[1], 97);
    EXPECT_EQ(hot.At(1, 0)[3], 200);
    Strip disabled = strip.Pass(ImagePass::Disabled);
    EXPECT_EQ(disabled.At(0, 0)[0], DisabledGrey32(12, 12, 12));
    EXPECT_NE(disabled.At(0, 0)[0], 12);
    EXPECT_EQ(disabled.At(1, 0)[2], 180);
    EXPECT_EQ(disabled.At(1, 0)[3], 200);
}

TEST(AppToolbarPasses, ChannelMapsAtTheirEnds) {
    EXPECT_EQ(HotChannel(255), 255);
    EXPECT_EQ(HotChannel(0), 0);
    EXPECT_EQ(HotChannel(128), 97);
    EXPECT_EQ(HotChannel(12), 3);
    for (auto grey : {DisabledGrey24, DisabledGrey32}) {
        EXPECT_EQ(grey(255, 255, 255), 255);
        EXPECT_EQ(grey(0, 0, 0), 0);
        EXPECT_EQ(grey(128, 128, 128), 180);
    }
}

TEST(AppToolbar, ToolbarResourceSetsButtonsSizesAndTheThreeLists) {
    HostWindow host;
    CAlphaToolBar bar;
    ASSERT_TRUE(bar.CreateEx(&host.wnd, TBSTYLE_FLAT | TBSTYLE_TRANSPARENT));
    ASSERT_TRUE(bar.LoadToolBar(IDR_MAINFRAME));
    HWND control = bar.GetSafeHwnd();

    EXPECT_EQ(SendMessageW(control, TB_BUTTONCOUNT, 0, 0), 7);
    const LRESULT buttonSize = SendMessageW(control, TB_GETBUTTONSIZE, 0, 0);
    EXPECT_EQ(LOWORD(buttonSize), 46);
    EXPECT_EQ(HIWORD(buttonSize), 51);

    const CAlphaImageList& images = bar.Images();
    EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessageW(control, TB_GETIMAGELIST, 0, 0)), images.Normal());
    EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessageW(control, TB_GETHOTIMAGELIST, 0, 0)), images.Hot());
    EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessageW(control, TB_GETDISABLEDIMAGELIST, 0, 0)), images.Disabled());
    for (HIMAGELIST list : {images.Normal(), images.Hot(), images.Disabled()}) {
        int cx = 0, cy = 0;
        ASSERT_TRUE(ImageList_GetIconSize(list, &cx, &cy));
        EXPECT_EQ(cx, 38);
        EXPECT_EQ(cy, 44);
        EXPECT_EQ(ImageList_GetImageCount(list), 7);   // the strip's seven images
    }
    // Buttons show images 0 to 5 in order; the separator has none.
    const int images_of_buttons[] = {0, 1, 2, -1, 3, 4, 5};
    for (int i = 0; i < 7; ++i) {
        TBBUTTON button = {};
        SendMessageW(control, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
        if (images_of_buttons[i] >= 0) {
            EXPECT_EQ(button.iBitmap, images_of_buttons[i]) << "button " << i;
        }
    }
}

TEST(AppToolbar, HotAndDisabledImagesAreTheCurvesOfTheNormalOnes) {
    CAlphaImageList images;
    ASSERT_TRUE(images.Create(38, 44, 7));
    ASSERT_TRUE(images.LoadImages());
    for (int index : {0, 3, 5}) {
        const std::vector<DWORD> normal = ImagePixels(images.Normal(), index);
        const std::vector<DWORD> hot = ImagePixels(images.Hot(), index);
        const std::vector<DWORD> disabled = ImagePixels(images.Disabled(), index);
        ASSERT_EQ(normal.size(), 38u * 44u);
        ASSERT_EQ(hot.size(), normal.size());
        ASSERT_EQ(disabled.size(), normal.size());
        int coloured = 0, mismatches = 0;
        for (size_t i = 0; i < normal.size(); ++i) {
            const unsigned char b = normal[i] & 0xFF, g = (normal[i] >> 8) & 0xFF, r = (normal[i] >> 16) & 0xFF;
            if (r != g || g != b) ++coloured;
            // The strip has 24 bits per pixel: the 24-bit passes run at either depth.
            const unsigned char expectedGrey = DisabledGrey24(r, g, b);
            if ((hot[i] & 0xFF) != HotChannel(b) || ((hot[i] >> 8) & 0xFF) != HotChannel(g) ||
                ((hot[i] >> 16) & 0xFF) != HotChannel(r))
                ++mismatches;
            if ((disabled[i] & 0xFFFFFF) != (expectedGrey * 0x010101u)) ++mismatches;
        }
        EXPECT_GT(coloured, 0) << "image " << index << " has no colour to test";
        EXPECT_EQ(mismatches, 0) << "image " << index;
    }
}

TEST(AppToolbar, MissingToolbarResourceSetsNoButton) {
    HostWindow host;
    CAlphaToolBar bar;
    ASSERT_TRUE(bar.CreateEx(&host.wnd));
    EXPECT_FALSE(bar.LoadToolBar(0x7ABC));
    EXPECT_EQ(SendMessageW(bar.GetSafeHwnd(), TB_BUTTONCOUNT, 0, 0), 0);
    EXPECT_EQ(bar.Images().Normal(), nullptr);
}
