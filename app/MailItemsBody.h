// The lower right pane (the body pane): a form view on template 317 with the
// item's header fields, the web-browser control for HTML and plain bodies,
// the label/value list and the RTF view. The renderers fill it from the
// display worker through the body operations below.
#pragma once
#include "framework/framework.h"

#include <atomic>

#include "app/controls/TransparentStatic.h"
#include "res/resource.h"

// The web-browser control {8856F961-340A-11D0-A96B-00C04FD705A2}.
class CExplorer_html_data : public CWnd {
    DECLARE_DYNCREATE(CExplorer_html_data)
public:
    BOOL Create(LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                UINT nID, CCreateContext* pContext = nullptr) override;
    // The control's Navigate (dispatch id 0x68).
    void Navigate(LPCWSTR url, VARIANT* flags, VARIANT* targetFrameName, VARIANT* postData, VARIANT* headers);
};

class CMailItemsBody : public CFormView {
    DECLARE_DYNCREATE(CMailItemsBody)
protected:
    CMailItemsBody();

public:
    enum { IDD = IDD_MAIL_BODY };
    ~CMailItemsBody() override;

    // Hides the RTF view and the label list, collapses the browser at its
    // recorded corner and empties the To, Subject, From and attachment texts.
    // Until a body operation shows a body again, a resize lays the browser
    // out nowhere: it still holds the last body, of an item no longer shown.
    void ClearItem();

    CExplorer_html_data& GetBrowser() { return m_browser; }
    CListCtrl& GetValueList() { return m_valueList; }
    CRichEditCtrl& GetRichEdit() { return m_richEdit; }
    // The last body file set by ShowHtmlBody, ShowRtfBody or LoadRtfBody.
    const CString& GetBodyPath() const { return m_strBodyPath; }

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    void OnInitialUpdate() override;

    afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
    afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
    afx_msg void OnSize(UINT nType, int cx, int cy);
    DECLARE_MESSAGE_MAP()

private:
    friend void ShowHtmlBody(CMailItemsBody* pane, const char* bytes, size_t count);
    friend void ShowPlainBody(const wchar_t* text, CMailItemsBody* pane);
    friend void ShowRtfBody(CMailItemsBody* pane);
    friend void LoadRtfBody(CMailItemsBody* pane);

    // Navigates the browser to a local file; failures are not reported.
    void NavigateBrowser(const CString& path);

    CTransparentStatic m_toLabel;
    CTransparentStatic m_fromLabel;
    CTransparentStatic m_subjectLabel;
    CTransparentStatic m_ccLabel;
    CExplorer_html_data m_browser;
    CListCtrl m_valueList;
    VARIANT m_varEmpty;          // every optional argument of Navigate
    CString m_strBodyPath;
    CFont m_font;
    LOGFONTW m_logFont = {};
    CRichEditCtrl m_richEdit;
    CTransparentStatic m_toValue;
    CTransparentStatic m_subjectValue;
    CTransparentStatic m_fromValue;
    CTransparentStatic m_bodyLabel;
    CTransparentStatic m_attachmentLabel;
    CTransparentStatic m_attachmentValue;
    std::atomic<bool> m_bHoldsBody{false};   // set on the display worker, read by OnSize
};

// Layout rectangles in the body pane's client coordinates.
extern RECT g_rcBodyView;
extern RECT g_rcBodyBrowser;
extern RECT g_rcBodyRichEdit;
extern RECT g_rcBodyList;

// What the renderer showed: for calendar items 1 HTML, 2 RTF, 3 plain,
// 4 none; for sticky notes and tasks 3 RTF, 0 plain.
extern std::atomic<int> g_nBodyKind;

// Clears the body pane through g_pMailItemsBody (see ClearItem).
void ClearItemView();

// ---- body operations (run on the display worker) ----
// Writes the bytes as stored to "QM_Html_Body.html" in the temporary folder,
// lays the browser out (kept beside the list for a calendar item) and
// navigates it there.
void ShowHtmlBody(CMailItemsBody* pane, const char* bytes, size_t count);
// Writes the text as UTF-16LE without a mark to "QM_Plain_Body.txt" in the
// temporary folder and navigates the browser there.
void ShowPlainBody(const wchar_t* text, CMailItemsBody* pane);
// Shows the RTF view over the body area and streams the RTF body file in.
void ShowRtfBody(CMailItemsBody* pane);
// Streams the installation folder's "\QM_Rtf_Body.rtf" into the RTF view;
// a missing file leaves the view as it was.
void LoadRtfBody(CMailItemsBody* pane);
// The EM_STREAMIN callback: the cookie is the open CFile.
DWORD CALLBACK ReadRtfStreamCallback(DWORD_PTR dwCookie, LPBYTE pbBuff, LONG cb, LONG* pcb);

// ---- placements of the body pane's controls (each only for a window) ----
// Over the whole body area; on a resize it starts at the view's left edge.
void PlaceFullBody(CWnd& control, bool onResize = false);
// The label list's place at the left.
void PlaceLeftList(CWnd& control);
// The place right of the label list.
void PlaceRightOfList(CWnd& control);
// Zero size at the given corner: still a window, showing nothing.
void CollapseAt(CWnd& control, int x, int y);
