// The About box of the About Us command: a picture, the version, a notice
// and link buttons that open the project's web site and mail addresses.
#pragma once
#include "framework/framework.h"

#include "app/SkinPicture.h"
#include "app/controls/TransparentStatic.h"
#include "app/controls/URLLinkButton.h"
#include "res/resource.h"

class COstAboutUs : public CDialogEx {
    DECLARE_DYNAMIC(COstAboutUs)
public:
    explicit COstAboutUs(CWnd* pParent = nullptr);
    enum { IDD = IDD_ABOUT_US };

    // The addresses the link buttons open (each button shows its own).
    static const wchar_t kWebsite[];
    static const wchar_t kSecondWebsite[];
    static const wchar_t kSalesMail[];
    static const wchar_t kSupportMail[];

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    afx_msg void OnWebsiteLink();
    afx_msg void OnSecondWebsiteLink();
    afx_msg void OnSalesMailLink();
    afx_msg void OnSupportMailLink();
    DECLARE_MESSAGE_MAP()

private:
    void OpenLink(const wchar_t* address, CURLLinkButton& button);

    CSkinPicture m_picture{L"AboutUs.bmp"};
    CTransparentStatic m_version;
    CTransparentStatic m_notice;
    CTransparentStatic m_websiteLabel;
    CURLLinkButton m_websiteLink;
    CURLLinkButton m_secondWebsiteLink;
    CTransparentStatic m_salesLabel;
    CURLLinkButton m_salesLink;
    CTransparentStatic m_supportLabel;
    CURLLinkButton m_supportLink;
    HICON m_hIcon = nullptr;
};
