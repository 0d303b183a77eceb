// Modal dialogs from in-memory templates: data exchange subclassing,
// OnInitDialog, Enter and Esc through PreTranslateMessage, owner disabling
// and the modal seam that drives dialogs in tests.
#include "framework_test_support.h"
#include "framework/seam_script.h"
#include <gtest/gtest.h>

namespace {
const WORD kEditId = 1000;
const WORD kEndButtonId = 1001;

class KeyCountingEdit : public CWnd {
public:
    int keyDowns = 0;
protected:
    afx_msg void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) {
        ++keyDowns;
        CWnd::OnKeyDown(nChar, nRepCnt, nFlags);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(KeyCountingEdit, CWnd)
    ON_WM_KEYDOWN()
END_MESSAGE_MAP()

class TestDialog : public CDialog {
public:
    KeyCountingEdit m_edit;
    CButton m_end;
    bool keepEnterAndEsc = false;   // as the store dialog does
    bool endInInit = false;         // as the splash host does
    int inits = 0;
    bool subclassedInInit = false;
    CWnd* editObjectSeen = nullptr;

    void DoDataExchange(CDataExchange* pDX) override {
        DDX_Control(pDX, kEditId, m_edit);
        DDX_Control(pDX, kEndButtonId, m_end);
    }
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        ++inits;
        subclassedInInit = m_edit.m_hWnd != nullptr && CWnd::FromHandlePermanent(m_edit.m_hWnd) == &m_edit;
        if (endInInit) EndDialog(5);
        return TRUE;
    }
    BOOL PreTranslateMessage(MSG* pMsg) override {
        if (keepEnterAndEsc && pMsg->message == WM_KEYDOWN &&
            (pMsg->wParam == VK_RETURN || pMsg->wParam == VK_ESCAPE))
            return FALSE;   // to the focused control as a plain key
        return CDialog::PreTranslateMessage(pMsg);
    }
protected:
    afx_msg void OnEndButton() { EndDialog(77); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(TestDialog, CDialog)
    ON_BN_CLICKED(kEndButtonId, &TestDialog::OnEndButton)
END_MESSAGE_MAP()

fwtest::DialogTemplate MakeTemplate() {
    fwtest::DialogTemplate t(L"Test dialog", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 200, 80);
    t.Add(0x0081, L"", kEditId, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 10, 10, 120, 14);
    t.Add(0x0080, L"OK", IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 10, 40, 50, 14);
    t.Add(0x0080, L"Cancel", IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 70, 40, 50, 14);
    t.Add(0x0080, L"End", kEndButtonId, BS_PUSHBUTTON | WS_TABSTOP, 130, 40, 50, 14);
    return t;
}

void PostKey(HWND hDlg, WPARAM vk) {
    HWND hEdit = ::GetDlgItem(hDlg, kEditId);
    ::SetFocus(hEdit);
    ::PostMessageW(hEdit, WM_KEYDOWN, vk, 1);
    ::PostMessageW(hEdit, WM_KEYUP, vk, 0xC0000001);
}

void PostClick(HWND hDlg, WORD id) {
    ::PostMessageW(hDlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)::GetDlgItem(hDlg, id));
}
}  // namespace

TEST(FrameworkDialog, ControlsAreSubclassedForTheDialogsLifeOnly) {
    auto tmpl = MakeTemplate();
    TestDialog dlg;
    ASSERT_TRUE(dlg.InitModalIndirect(tmpl.Get()));
    SeamScript script;
    script.modalActions.push_back([&](HWND hDlg) {
        dlg.editObjectSeen = CWnd::FromHandlePermanent(::GetDlgItem(hDlg, kEditId));
        PostClick(hDlg, kEndButtonId);
    });
    EXPECT_EQ(77, dlg.DoModal());
    EXPECT_EQ(1, dlg.inits);
    EXPECT_TRUE(dlg.subclassedInInit);
    EXPECT_EQ(&dlg.m_edit, dlg.editObjectSeen);
    EXPECT_EQ(nullptr, dlg.m_edit.m_hWnd);
    EXPECT_EQ(nullptr, dlg.m_hWnd);
    ASSERT_EQ(1u, script.modalDialogs.size());
    EXPECT_EQ(L"Test dialog", script.modalDialogs[0]);

    // The same object runs again and subclasses afresh.
    script.modalActions.push_back([](HWND hDlg) { PostClick(hDlg, kEndButtonId); });
    EXPECT_EQ(77, dlg.DoModal());
    EXPECT_EQ(2, dlg.inits);
    EXPECT_TRUE(dlg.subclassedInInit);
}

TEST(FrameworkDialog, EnterAndEscEndTheDialogByDefault) {
    auto tmpl = MakeTemplate();
    SeamScript script;
    {
        TestDialog dlg;
        dlg.InitModalIndirect(tmpl.Get());
        script.modalActions.push_back([](HWND hDlg) { PostKey(hDlg, VK_RETURN); });
        EXPECT_EQ(IDOK, dlg.DoModal());
    }
    {
        TestDialog dlg;
        dlg.InitModalIndirect(tmpl.Get());
        script.modalActions.push_back([](HWND hDlg) { PostKey(hDlg, VK_ESCAPE); });
        EXPECT_EQ(IDCANCEL, dlg.DoModal());
    }
}

TEST(FrameworkDialog, PreTranslateMessageKeepsEnterAndEscFromTheDialog) {
    auto tmpl = MakeTemplate();
    TestDialog dlg;
    dlg.keepEnterAndEsc = true;
    dlg.InitModalIndirect(tmpl.Get());
    SeamScript script;
    script.modalActions.push_back([](HWND hDlg) {
        PostKey(hDlg, VK_RETURN);
        PostKey(hDlg, VK_ESCAPE);
        PostClick(hDlg, kEndButtonId);   // only this ends it
    });
    EXPECT_EQ(77, dlg.DoModal());
    EXPECT_EQ(2, dlg.m_edit.keyDowns);   // both reached the edit as plain keys
}

TEST(FrameworkDialog, OwnerIsDisabledWhileModalAndEnabledAfter) {
    CWnd owner;
    ASSERT_TRUE(owner.CreateEx(0, nullptr, L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, nullptr, nullptr));
    auto tmpl = MakeTemplate();
    TestDialog dlg;
    dlg.InitModalIndirect(tmpl.Get(), &owner);
    SeamScript script;
    BOOL enabledDuring = TRUE;
    HWND ownerSeen = nullptr;
    script.modalActions.push_back([&](HWND hDlg) {
        enabledDuring = ::IsWindowEnabled(owner.m_hWnd);
        ownerSeen = ::GetWindow(hDlg, GW_OWNER);
        PostClick(hDlg, IDCANCEL);
    });
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
    EXPECT_FALSE(enabledDuring);
    EXPECT_EQ(owner.m_hWnd, ownerSeen);
    EXPECT_TRUE(::IsWindowEnabled(owner.m_hWnd));
    owner.DestroyWindow();
}

TEST(FrameworkDialog, ModalDialogIsCentredOverItsOwnerUnlessInitMovedIt) {
    CWnd owner;
    ASSERT_TRUE(owner.CreateEx(0, nullptr, L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 80, 700, 500, nullptr, nullptr));
    auto tmpl = MakeTemplate();   // placed at 0,0 in the template
    SeamScript script;
    CRect seen;
    TestDialog dlg;
    dlg.InitModalIndirect(tmpl.Get(), &owner);
    script.modalActions.push_back([&](HWND hDlg) {
        ::GetWindowRect(hDlg, &seen);
        PostClick(hDlg, IDCANCEL);
    });
    dlg.DoModal();
    CRect rcOwner;
    owner.GetWindowRect(&rcOwner);
    EXPECT_NEAR(rcOwner.CenterPoint().x, seen.CenterPoint().x, 2);
    EXPECT_NEAR(rcOwner.CenterPoint().y, seen.CenterPoint().y, 2);

    struct MovingDialog : TestDialog {
        BOOL OnInitDialog() override {
            TestDialog::OnInitDialog();
            SetWindowPos(nullptr, 5, 6, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
            return TRUE;
        }
    } moving;
    moving.InitModalIndirect(tmpl.Get(), &owner);
    script.modalActions.push_back([&](HWND hDlg) {
        ::GetWindowRect(hDlg, &seen);
        PostClick(hDlg, IDCANCEL);
    });
    moving.DoModal();
    EXPECT_EQ(5, seen.left);
    EXPECT_EQ(6, seen.top);
    owner.DestroyWindow();
}

TEST(FrameworkDialog, DialogEndedDuringInitNeverEntersItsLoop) {
    auto tmpl = MakeTemplate();
    TestDialog dlg;
    dlg.endInInit = true;
    dlg.InitModalIndirect(tmpl.Get());
    SeamScript script;
    EXPECT_EQ(5, dlg.DoModal());
    EXPECT_TRUE(script.modalDialogs.empty());
}

TEST(FrameworkDialog, MissingTemplateFailsWithoutShowingAnything) {
    TestDialog dlg;
    EXPECT_EQ(-1, dlg.DoModal());
    CDialog missing(0x7ABC);
    EXPECT_EQ(-1, missing.DoModal());
}

TEST(FrameworkDialog, DataExchangeFailsForAMissingControl) {
    fwtest::DialogTemplate t(L"No edit", WS_POPUP | WS_CAPTION, 100, 50);
    t.Add(0x0080, L"OK", IDOK, BS_DEFPUSHBUTTON, 10, 10, 50, 14);
    TestDialog dlg;
    dlg.InitModalIndirect(t.Get());
    SeamScript script;
    script.modalActions.push_back([&](HWND hDlg) {
        EXPECT_FALSE(dlg.UpdateData(FALSE));
        PostClick(hDlg, IDCANCEL);
    });
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
}
