#include "app/OstAboutUs.h"

#include "app/AppGlobals.h"
#include "app/Prompts.h"

IMPLEMENT_DYNAMIC(COstAboutUs, CDialogEx)

BEGIN_MESSAGE_MAP(COstAboutUs, CDialogEx)
    ON_BN_CLICKED(IDC_WEBSITE_LINK, &COstAboutUs::OnWebsiteLink)
    ON_BN_CLICKED(IDC_SECOND_WEBSITE_LINK, &COstAboutUs::OnSecondWebsiteLink)
    ON_BN_CLICKED(IDC_SALES_LINK, &COstAboutUs::OnSalesMailLink)
    ON_BN_CLICKED(IDC_SUPPORT_LINK, &COstAboutUs::OnSupportMailLink)
END_MESSAGE_MAP()

// Web addresses are bare host names, as the buttons show them.
const wchar_t COstAboutUs::kWebsite[] = L"www.quillmere.example";
const wchar_t COstAboutUs::kSecondWebsite[] = L"quillmere.example";
const wchar_t COstAboutUs::kSalesMail[] = L"mailto:sales@quillmere.example";
const wchar_t COstAboutUs::kSupportMail[] = L"mailto:support@quillmere.example";

COstAboutUs::COstAboutUs(CWnd* pParent) : CDialogEx(IDD_ABOUT_US, pParent) {
    m_hIcon = ::LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME));
}

void COstAboutUs::DoDataExchange(CDataExchange* pDX) {
    CDialogEx::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_ABOUT_PICTURE, m_picture);
    DDX_Control(pDX, IDC_VERSION, m_version);
    DDX_Control(pDX, IDC_NOTICE, m_notice);
    DDX_Control(pDX, IDC_WEBSITE_LABEL, m_websiteLabel);
    DDX_Control(pDX, IDC_WEBSITE_LINK, m_websiteLink);
    DDX_Control(pDX, IDC_SECOND_WEBSITE_LINK, m_secondWebsiteLink);
    DDX_Control(pDX, IDC_SALES_LABEL, m_salesLabel);
    DDX_Control(pDX, IDC_SALES_LINK, m_salesLink);
    DDX_Control(pDX, IDC_SUPPORT_LABEL, m_supportLabel);
    DDX_Control(pDX, IDC_SUPPORT_LINK, m_supportLink);
}

BOOL COstAboutUs::OnInitDialog() {
    CDialogEx::OnInitDialog();
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    return TRUE;
}

void COstAboutUs::OpenLink(const wchar_t* address, CURLLinkButton& button) {
    ShellOpen(address);
    button.SetVisited(TRUE);
    button.Invalidate();
}

void COstAboutUs::OnWebsiteLink() { OpenLink(kWebsite, m_websiteLink); }
void COstAboutUs::OnSecondWebsiteLink() { OpenLink(kSecondWebsite, m_secondWebsiteLink); }
void COstAboutUs::OnSalesMailLink() { OpenLink(kSalesMail, m_salesLink); }
void COstAboutUs::OnSupportMailLink() { OpenLink(kSupportMail, m_supportLink); }
