// The ActiveX control container: control items of dialog templates, the
// site hosting the web-browser control, calls from other threads, the text
// view that shows a file the control could not, and the markup reduction.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "framework/framework.h"
#include "framework_test_support.h"

namespace {

std::wstring Text(HWND window) {
    wchar_t text[4096] = L"";
    GetWindowTextW(window, text, 4096);
    return text;
}

std::wstring ToText(const CString& s) { return s.GetString(); }

std::wstring Reduce(const std::wstring& html) { return ToText(AfxHtmlToText(html.c_str(), html.size())); }

std::wstring TempPath(const wchar_t* name) {
    wchar_t folder[MAX_PATH + 1] = L"";
    GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + L"tarnwell-occ-" + std::to_wstring(GetCurrentProcessId()) + L"-" + name;
}

std::wstring WriteTemp(const wchar_t* name, const std::string& bytes) {
    const std::wstring path = TempPath(name);
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
    return path;
}

// An extended dialog template (DIALOGEX) built in memory.
class ExTemplate {
public:
    explicit ExTemplate(short cx, short cy) {
        Word(1);
        Word(0xFFFF);
        Dword(0);                                   // help id
        Dword(0);                                   // extended style
        Dword(WS_CHILD | DS_SETFONT | DS_CONTROL);  // style
        Word(0);                                    // items, patched
        Word(0); Word(0); Word(cx); Word(cy);
        Word(0);  // menu
        Word(0);  // class
        Word(0);  // title
        Word(8); Word(400); Word(0);  // point size, weight, italic and character set
        Text(L"MS Shell Dlg");
    }
    void Add(const wchar_t* className, WORD atom, DWORD id, DWORD style, short x, short y, short cx, short cy) {
        while (m_bytes.size() % 4) m_bytes.push_back(0);
        Dword(0);
        Dword(0);
        Dword(style | WS_CHILD | WS_VISIBLE);
        Word(x); Word(y); Word(cx); Word(cy);
        Dword(id);
        if (className) Text(className);
        else {
            Word(0xFFFF);
            Word(atom);
        }
        Text(L"");
        Word(0);   // no creation data
        ++m_bytes[16];
    }
    std::vector<BYTE>& Bytes() { return m_bytes; }

private:
    void Word(WORD w) {
        m_bytes.push_back(LOBYTE(w));
        m_bytes.push_back(HIBYTE(w));
    }
    void Dword(DWORD d) {
        Word(LOWORD(d));
        Word(HIWORD(d));
    }
    void Text(const wchar_t* s) {
        for (; *s; ++s) Word(*s);
        Word(0);
    }
    std::vector<BYTE> m_bytes;
};

INT_PTR CALLBACK PlainDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// The site's text view once it shows (the control may report its error
// after the call, through this thread's messages).
HWND WaitForFallback(HWND site) {
    for (int i = 0; i < 200 && !AfxOccGetFallbackView(site); ++i) {
        fwtest::PumpPending();
        Sleep(5);
    }
    return AfxOccGetFallbackView(site);
}

const wchar_t kBrowserClass[] = L"{8856F961-340A-11D0-A96B-00C04FD705A2}";

class FrameworkOcc : public ::testing::Test {
protected:
    HWND host = nullptr;
    void SetUp() override {
        OleInitialize(nullptr);
        host = CreateWindowExW(0, L"STATIC", L"occ test", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, 10, 10,
                               500, 400, nullptr, nullptr, nullptr, nullptr);
    }
    void TearDown() override {
        DestroyWindow(host);
        fwtest::PumpPending();
        OleUninitialize();
    }
};

}  // namespace

TEST(FrameworkHtmlText, MarkupIsReducedToReadableText) {
    EXPECT_EQ(Reduce(L"<html><head><title>T</title><style>p{}</style></head><body><p>One  two\r\n three</p>"
                     L"<p>Four<br>Five</p></body></html>"),
              L"One two three\r\n\r\nFour\r\nFive");
    EXPECT_EQ(Reduce(L"a &amp; b &lt;c&gt; &quot;d&quot; &#65;&#x42; &euro; &bogus; x&nbsp;y"),
              L"a & b <c> \"d\" AB \u20ac &bogus; x y");
    EXPECT_EQ(Reduce(L"<script>if (a < b) alert('x')</script>shown<!-- <p>hidden</p> -->too"), L"showntoo");
    EXPECT_EQ(Reduce(L"<a title=\"a > b\" href='x'>link</a> 3 < 4"), L"link 3 < 4");
    EXPECT_EQ(Reduce(L"<pre>  keep\n    this</pre><table><tr><td>a</td><td>b</td></tr><tr><td>c</td></tr></table>"),
              L"  keep\r\n    this\r\n\r\na b\r\nc");
    EXPECT_EQ(Reduce(L"<div>one</div><div>two<br><br>three</div><ul><li>x</li><li>y</li></ul>end"),
              L"one\r\ntwo\r\n\r\nthree\r\n\r\nx\r\ny\r\n\r\nend");
    EXPECT_EQ(Reduce(L""), L"");
    EXPECT_EQ(Reduce(L"<p>unclosed <b"), L"unclosed");
}

TEST(FrameworkHtmlText, LocalFilesAreReadByTheirMarksAndCharacterSets) {
    // UTF-16LE without a mark, as the plain body file is written.
    const std::string utf16("a\0b\0\r\0\n\0c\0", 10);
    std::wstring path = WriteTemp(L"plain.txt", utf16);
    EXPECT_EQ(ToText(AfxReadLocalFileAsText(path.c_str())), L"ab\r\nc");
    DeleteFileW(path.c_str());
    // UTF-8 found valid, a declared 8-bit set, and line ends made CR LF.
    path = WriteTemp(L"utf8.html", "<p>gr\xC3\xBC\xC3\x9F</p>");
    EXPECT_EQ(ToText(AfxReadLocalFileAsText(path.c_str())), L"gr\u00fc\u00df");
    DeleteFileW(path.c_str());
    path = WriteTemp(L"latin.htm", "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">"
                                   "<p>caf\xE9 \x80</p>");
    EXPECT_EQ(ToText(AfxReadLocalFileAsText(path.c_str())), L"caf\u00e9 \u20ac");
    DeleteFileW(path.c_str());
    path = WriteTemp(L"lines.txt", "one\ntwo");
    EXPECT_EQ(ToText(AfxReadLocalFileAsText(path.c_str())), L"one\r\ntwo");
    DeleteFileW(path.c_str());
    EXPECT_EQ(ToText(AfxReadLocalFileAsText(TempPath(L"missing.html").c_str())), L"");
}

TEST_F(FrameworkOcc, TemplateControlItemsBecomeSitesInTheirPlaceAndTabOrder) {
    ExTemplate t(200, 100);
    t.Add(nullptr, 0x0080, 101, BS_PUSHBUTTON, 5, 5, 40, 14);
    t.Add(kBrowserClass, 0, 102, WS_TABSTOP, 10, 30, 100, 50);
    t.Add(nullptr, 0x0082, 103, 0, 120, 30, 40, 8);
    std::vector<BYTE> bytes = t.Bytes();
    const std::vector<FwOleControlItem> controls = AfxOccSplitTemplate(bytes);
    ASSERT_EQ(controls.size(), 1u);
    EXPECT_EQ(controls[0].id, 102u);
    EXPECT_EQ(controls[0].x, 10);
    EXPECT_EQ(controls[0].cy, 50);
    EXPECT_TRUE(IsEqualCLSID(controls[0].clsid, CLSID_FwWebBrowser));
    EXPECT_EQ(controls[0].previousId, 101u);
    EXPECT_EQ(bytes[16], 2);   // two items left

    HWND dialog = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(bytes.data()),
                                             host, PlainDialogProc, 0);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(GetDlgItem(dialog, 102), nullptr);
    AfxOccCreateControls(dialog, controls);
    HWND site = GetDlgItem(dialog, 102);
    ASSERT_NE(site, nullptr);
    EXPECT_TRUE(AfxOccIsSite(site));
    EXPECT_NE(AfxOccGetControl(site), nullptr);
    EXPECT_EQ(GetWindow(GetDlgItem(dialog, 101), GW_HWNDNEXT), site);
    RECT expected = {10, 30, 110, 80};
    MapDialogRect(dialog, &expected);
    RECT r;
    GetWindowRect(site, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, expected.left);
    EXPECT_EQ(r.bottom, expected.bottom);
    DestroyWindow(dialog);

    // A template without control items is left alone.
    ExTemplate plain(100, 50);
    plain.Add(nullptr, 0x0080, 1, 0, 1, 1, 10, 10);
    std::vector<BYTE> same = plain.Bytes();
    EXPECT_TRUE(AfxOccSplitTemplate(same).empty());
    EXPECT_EQ(same, plain.Bytes());
}

TEST_F(FrameworkOcc, NavigationTheControlCannotShowFallsBackToTheFileAsText) {
    CWnd browser;
    ASSERT_TRUE(browser.CreateControl(CLSID_FwWebBrowser, L"", WS_CHILD | WS_VISIBLE, CRect(0, 0, 300, 200),
                                      CWnd::FromHandle(host), 1018));
    ASSERT_NE(AfxOccGetControl(browser.GetSafeHwnd()), nullptr);
    EXPECT_EQ(AfxOccGetFallbackView(browser.GetSafeHwnd()), nullptr);
    const std::wstring page = WriteTemp(L"page.html", "<p>Hello <b>there</b></p>");
    VARIANT empty;
    VariantInit(&empty);
    static const BYTE kNavigate[] = VTS_BSTR VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT;

    // From a worker thread, as the display worker calls it; this thread serves.
    std::atomic<bool> done{false};
    std::thread worker([&] {
        browser.InvokeHelper(kDispidNavigate, DISPATCH_METHOD, VT_EMPTY, nullptr, kNavigate, page.c_str(), &empty,
                             &empty, &empty, &empty);
        done = true;
    });
    while (!done) {
        fwtest::PumpPending();
        Sleep(2);
    }
    worker.join();
    HWND view = WaitForFallback(browser.GetSafeHwnd());
    ASSERT_NE(view, nullptr) << "no text view after the navigation error";
    EXPECT_EQ(Text(view), L"Hello there");
    RECT r;
    GetClientRect(view, &r);
    EXPECT_EQ(r.right > 250, true);   // it covers the site

    // The next navigation replaces the text; a resize resizes the view.
    const std::wstring second = WriteTemp(L"second.html", "<p>Second</p>");
    browser.InvokeHelper(kDispidNavigate, DISPATCH_METHOD, VT_EMPTY, nullptr, kNavigate, second.c_str(), &empty,
                         &empty, &empty, &empty);
    ASSERT_NE(WaitForFallback(browser.GetSafeHwnd()), nullptr);
    EXPECT_EQ(Text(AfxOccGetFallbackView(browser.GetSafeHwnd())), L"Second");
    browser.SetWindowPos(nullptr, 0, 0, 120, 80, SWP_NOMOVE | SWP_NOZORDER);
    GetClientRect(GetWindow(browser.GetSafeHwnd(), GW_CHILD), &r);
    RECT viewRect;
    GetWindowRect(AfxOccGetFallbackView(browser.GetSafeHwnd()), &viewRect);
    EXPECT_EQ(viewRect.right - viewRect.left, 120);

    // Properties come back through the same path.
    CString location;
    browser.InvokeHelper(0xD3 /* LocationURL */, DISPATCH_PROPERTYGET, VT_BSTR, &location, nullptr);
    EXPECT_NE(ToText(location).find(L"second.html"), std::wstring::npos);

    browser.DestroyWindow();
    EXPECT_FALSE(IsWindow(view));
    DeleteFileW(page.c_str());
    DeleteFileW(second.c_str());
}

TEST_F(FrameworkOcc, ASiteWithoutItsControlStillShowsNavigatedFilesAndRefusesOtherCalls) {
    const CLSID nothing = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
    HWND site = AfxOccCreateSite(nothing, L"", WS_VISIBLE, 0, CRect(0, 0, 200, 100), host, 7);
    ASSERT_NE(site, nullptr);
    EXPECT_EQ(AfxOccGetControl(site), nullptr);
    EXPECT_THROW(AfxOccInvokeV(nullptr, 1, DISPATCH_METHOD, VT_EMPTY, nullptr, nullptr, nullptr), COleException);
    CWnd wrapper;
    wrapper.SubclassWindow(site);
    try {
        wrapper.InvokeHelper(0xD3, DISPATCH_PROPERTYGET, VT_EMPTY, nullptr, nullptr);
        ADD_FAILURE() << "a call without a control succeeded";
    } catch (const COleException& e) {
        EXPECT_EQ(e.m_sc, E_NOINTERFACE);
    }
    wrapper.DestroyWindow();

    // Only the web-browser site falls back; an empty browser site does at once.
    CWnd browser;
    HWND h = AfxOccCreateSite(CLSID_FwWebBrowser, L"", WS_VISIBLE, 0, CRect(0, 0, 200, 100), host, 8);
    browser.SubclassWindow(h);
    const std::wstring text = WriteTemp(L"text.txt", "plain words");
    VARIANT empty;
    VariantInit(&empty);
    static const BYTE kNavigate[] = VTS_BSTR VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT;
    browser.InvokeHelper(kDispidNavigate, DISPATCH_METHOD, VT_EMPTY, nullptr, kNavigate, (L"file:///" + text).c_str(),
                         &empty, &empty, &empty, &empty);
    HWND view = WaitForFallback(h);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(Text(view), L"plain words");
    browser.DestroyWindow();
    DeleteFileW(text.c_str());
}
