// Message maps: dispatch through the chain of maps, commands, notifications,
// reflection to controls, default processing and the exception boundary.
#include "framework_test_support.h"
#include <gtest/gtest.h>
#include <stdexcept>

namespace {
const UINT kCustom = WM_APP + 1;
const UINT kThrow = WM_APP + 2;

class BaseWnd : public CWnd {
public:
    int created = 0, sized = 0, commands = 0, accelerated = 0, clicked = 0, notified = 0, baseCustom = 0;
    int lastCx = 0;
    int destroyed = 0;
    bool postNcDestroyed = false;
    void PostNcDestroy() override { postNcDestroyed = true; }
protected:
    afx_msg int OnCreate(LPCREATESTRUCTW cs) {
        ++created;
        return CWnd::OnCreate(cs);
    }
    afx_msg void OnSize(UINT nType, int cx, int cy) {
        ++sized;
        lastCx = cx;
        CWnd::OnSize(nType, cx, cy);
    }
    afx_msg void OnDestroy() {
        ++destroyed;
        CWnd::OnDestroy();
    }
    afx_msg LRESULT OnCustom(WPARAM w, LPARAM) {
        ++baseCustom;
        return (LRESULT)w * 2;
    }
    afx_msg LRESULT OnThrow(WPARAM, LPARAM) { throw std::runtime_error("handler failed"); }
    afx_msg void OnCmd() { ++commands; }
    afx_msg void OnButton() { ++clicked; }
    afx_msg void OnListClick(NMHDR*, LRESULT* pResult) {
        ++notified;
        *pResult = 7;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(BaseWnd, CWnd)
    ON_WM_CREATE()
    ON_WM_SIZE()
    ON_WM_DESTROY()
    ON_MESSAGE(kCustom, &BaseWnd::OnCustom)
    ON_MESSAGE(kThrow, &BaseWnd::OnThrow)
    ON_COMMAND(100, &BaseWnd::OnCmd)
    ON_BN_CLICKED(200, &BaseWnd::OnButton)
    ON_NOTIFY(NM_CLICK, 300, &BaseWnd::OnListClick)
END_MESSAGE_MAP()

// Overrides one entry; everything else comes from the base map.
class DerivedWnd : public BaseWnd {
public:
    int derivedCustom = 0;
protected:
    afx_msg LRESULT OnCustom2(WPARAM w, LPARAM) {
        ++derivedCustom;
        return (LRESULT)w * 3;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(DerivedWnd, BaseWnd)
    ON_MESSAGE(kCustom, &DerivedWnd::OnCustom2)
END_MESSAGE_MAP()

// A static that colours itself (reflected WM_CTLCOLOR), as transparent labels do.
class ReflectingStatic : public CStatic {
public:
    int reflected = 0;
    HBRUSH brush = (HBRUSH)::GetStockObject(NULL_BRUSH);
protected:
    afx_msg HBRUSH CtlColor(CDC* pDC, UINT nCtlColor) {
        ++reflected;
        pDC->SetBkMode(TRANSPARENT);
        return brush;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ReflectingStatic, CStatic)
    ON_WM_CTLCOLOR_REFLECT()
END_MESSAGE_MAP()

// A parent that handles WM_CTLCOLOR itself but lets the base reflect first.
class ColourParent : public CWnd {
public:
    int calls = 0;
protected:
    afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor) {
        ++calls;
        CWnd::OnCtlColor(pDC, pWnd, nCtlColor);
        return (HBRUSH)::GetStockObject(WHITE_BRUSH);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ColourParent, CWnd)
    ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

// An edit control that sees its text changes and still lets the control
// store the text (Default).
class WatchingEdit : public CWnd {
public:
    int setTexts = 0;
    CString seenAfterDefault;
protected:
    afx_msg LRESULT OnSetText(WPARAM, LPARAM) {
        ++setTexts;
        LRESULT r = Default();
        GetWindowText(seenAfterDefault);
        return r;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(WatchingEdit, CWnd)
    ON_MESSAGE(WM_SETTEXT, &WatchingEdit::OnSetText)
END_MESSAGE_MAP()

template <class W> void CreateTopLevel(W& w) {
    ASSERT_TRUE(w.CreateEx(0, nullptr, L"test", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr));
}
}  // namespace

TEST(FrameworkMessageMap, CreationMessagesReachTheMapBeforeCreateReturns) {
    BaseWnd w;
    CreateTopLevel(w);
    EXPECT_EQ(1, w.created);
    EXPECT_EQ(&w, CWnd::FromHandlePermanent(w.m_hWnd));
    w.SetWindowPos(nullptr, 0, 0, 250, 150, SWP_NOZORDER);
    EXPECT_GE(w.sized, 1);
    CRect rc;
    w.GetClientRect(&rc);
    EXPECT_EQ(rc.Width(), w.lastCx);
    w.DestroyWindow();
}

TEST(FrameworkMessageMap, DerivedEntriesWinAndTheBaseMapStillAnswers) {
    DerivedWnd w;
    CreateTopLevel(w);
    EXPECT_EQ(63, w.SendMessage(kCustom, 21));
    EXPECT_EQ(1, w.derivedCustom);
    EXPECT_EQ(0, w.baseCustom);
    w.SendMessage(WM_COMMAND, MAKEWPARAM(100, 0), 0);   // base map entry
    EXPECT_EQ(1, w.commands);
    EXPECT_EQ(1, w.created);
    w.DestroyWindow();
}

TEST(FrameworkMessageMap, CommandsMatchMenuAndAcceleratorButNotOtherCodes) {
    BaseWnd w;
    CreateTopLevel(w);
    w.SendMessage(WM_COMMAND, MAKEWPARAM(100, 0), 0);   // menu
    w.SendMessage(WM_COMMAND, MAKEWPARAM(100, 1), 0);   // accelerator
    w.SendMessage(WM_COMMAND, MAKEWPARAM(100, EN_CHANGE), 0);
    w.SendMessage(WM_COMMAND, MAKEWPARAM(101, 0), 0);
    EXPECT_EQ(2, w.commands);
    w.DestroyWindow();
}

TEST(FrameworkMessageMap, ControlNotificationsReachTheParentMap) {
    BaseWnd w;
    CreateTopLevel(w);
    CButton button;
    ASSERT_TRUE(button.Create(L"BUTTON", L"Go", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, CRect(0, 0, 50, 20), &w, 200));
    w.SendMessage(WM_COMMAND, MAKEWPARAM(200, BN_CLICKED), (LPARAM)button.m_hWnd);
    EXPECT_EQ(1, w.clicked);

    NMHDR nm{};
    nm.hwndFrom = button.m_hWnd;
    nm.idFrom = 300;
    nm.code = NM_CLICK;
    EXPECT_EQ(7, w.SendMessage(WM_NOTIFY, 300, (LPARAM)&nm));
    nm.code = NM_DBLCLK;
    EXPECT_EQ(0, w.SendMessage(WM_NOTIFY, 300, (LPARAM)&nm));
    EXPECT_EQ(1, w.notified);
    w.DestroyWindow();
    EXPECT_EQ(nullptr, button.m_hWnd);   // detached with its window
}

TEST(FrameworkMessageMap, ExceptionInHandlerStopsAtTheWindowProcedure) {
    BaseWnd w;
    CreateTopLevel(w);
    EXPECT_EQ(0, w.SendMessage(kThrow));
    EXPECT_EQ(10, w.SendMessage(kCustom, 5));   // still working
    w.DestroyWindow();
}

TEST(FrameworkMessageMap, DestroyDetachesAndCallsPostNcDestroy) {
    BaseWnd w;
    CreateTopLevel(w);
    HWND h = w.m_hWnd;
    w.DestroyWindow();
    EXPECT_EQ(1, w.destroyed);
    EXPECT_TRUE(w.postNcDestroyed);
    EXPECT_EQ(nullptr, w.m_hWnd);
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(h));
}

TEST(FrameworkMessageMap, ColourRequestsAreReflectedToTheControl) {
    // Parent without its own handler: the control answers.
    BaseWnd plain;
    CreateTopLevel(plain);
    ReflectingStatic label;
    ASSERT_TRUE(label.Create(L"STATIC", L"x", WS_CHILD | WS_VISIBLE, CRect(0, 0, 40, 20), &plain, 1));
    HDC hdc = ::GetDC(label.m_hWnd);
    LRESULT r = plain.SendMessage(WM_CTLCOLORSTATIC, (WPARAM)hdc, (LPARAM)label.m_hWnd);
    EXPECT_EQ((LRESULT)label.brush, r);
    EXPECT_EQ(1, label.reflected);
    EXPECT_EQ(TRANSPARENT, ::GetBkMode(hdc));
    ::ReleaseDC(label.m_hWnd, hdc);
    plain.DestroyWindow();

    // Parent with its own handler that calls the base: both run, parent's brush wins.
    ColourParent parent;
    CreateTopLevel(parent);
    ReflectingStatic label2;
    ASSERT_TRUE(label2.Create(L"STATIC", L"y", WS_CHILD | WS_VISIBLE, CRect(0, 0, 40, 20), &parent, 2));
    hdc = ::GetDC(label2.m_hWnd);
    r = parent.SendMessage(WM_CTLCOLORSTATIC, (WPARAM)hdc, (LPARAM)label2.m_hWnd);
    EXPECT_EQ((LRESULT)::GetStockObject(WHITE_BRUSH), r);
    EXPECT_EQ(1, parent.calls);
    EXPECT_EQ(1, label2.reflected);
    ::ReleaseDC(label2.m_hWnd, hdc);
    parent.DestroyWindow();
}

TEST(FrameworkMessageMap, SubclassedControlKeepsItsOwnBehaviourThroughDefault) {
    BaseWnd w;
    CreateTopLevel(w);
    HWND hEdit = ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 0, 0, 100, 20, w.m_hWnd, (HMENU)5,
                                   nullptr, nullptr);
    WatchingEdit edit;
    ASSERT_TRUE(edit.SubclassWindow(hEdit));
    EXPECT_FALSE(WatchingEdit().SubclassWindow(hEdit));   // one object per window
    ::SetWindowTextW(hEdit, L"hello");
    EXPECT_EQ(1, edit.setTexts);
    EXPECT_EQ(CString(L"hello"), edit.seenAfterDefault);
    EXPECT_EQ(hEdit, edit.UnsubclassWindow());
    ::SetWindowTextW(hEdit, L"again");
    EXPECT_EQ(1, edit.setTexts);
    wchar_t buf[16];
    ::GetWindowTextW(hEdit, buf, 16);
    EXPECT_STREQ(L"again", buf);
    w.DestroyWindow();
}

TEST(FrameworkMessageMap, HandlesWithoutObjectsGetTemporaryWrappers) {
    BaseWnd w;
    CreateTopLevel(w);
    HWND hChild = ::CreateWindowExW(0, L"STATIC", L"t", WS_CHILD, 0, 0, 10, 10, w.m_hWnd, (HMENU)9, nullptr, nullptr);
    CWnd* p = CWnd::FromHandle(hChild);
    ASSERT_NE(nullptr, p);
    EXPECT_EQ(hChild, p->m_hWnd);
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hChild));
    EXPECT_EQ(p, CWnd::FromHandle(hChild));   // same temporary until idle
    EXPECT_EQ(&w, p->GetParent());
    EXPECT_EQ(nullptr, CWnd::FromHandle(nullptr));
    AfxUnlockTempMaps();
    EXPECT_TRUE(::IsWindow(hChild));   // temporaries never destroy
    w.DestroyWindow();
}
