// The application object: start-up (single instance, folders, document
// template, main window, the store dialog) and the framework's default
// About box.
#pragma once
#include "framework/framework.h"

#include "res/resource.h"

class CTarnwellApp : public CWinApp {
public:
    CTarnwellApp() = default;
    BOOL InitInstance() override;

    afx_msg void OnAppAbout();
    DECLARE_MESSAGE_MAP()
};

class CAboutDlg : public CDialog {
public:
    CAboutDlg() : CDialog(IDD_ABOUTBOX) {}
    enum { IDD = IDD_ABOUTBOX };

protected:
    DECLARE_MESSAGE_MAP()
};

// The start-up steps the tests run one by one.
// Ends the process (code 0) when a window with the main title exists.
void EnsureSingleInstance();
// Sets the start-up texts, the image folder and the installation folder.
void InitStartupTexts();
// OLE, the control container, the rich-edit control and the reader's
// observer; FALSE when OLE cannot be initialised (after its message).
BOOL InitPlatform();
