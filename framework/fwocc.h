// OLE control container: ActiveX controls placed in dialog templates or made
// with CWnd::CreateControl live in a site window of the framework, which is
// their client site and in-place site. AfxEnableControlContainer turns the
// template support on; CWnd::InvokeHelper calls the control's IDispatch on the
// thread that owns the site, whichever thread asks.
//
// The web-browser control gets one more service: when it reports that it
// could not navigate to a local file (as it does where no HTML engine is
// installed), or cannot be created at all, the site shows that file itself in
// a read-only text view, markup reduced to text.
#pragma once
#include <windows.h>
#include <ole2.h>

#include <vector>

#include "fwstring.h"

// {8856F961-340A-11D0-A96B-00C04FD705A2}
extern const CLSID CLSID_FwWebBrowser;
// The web-browser control's Navigate method.
constexpr DISPID kDispidNavigate = 0x68;

// True once AfxEnableControlContainer ran.
bool AfxControlContainerEnabled();

// A control item taken out of a dialog template: its class id, styles, the
// rectangle in dialog units, its id, and the id of the item before it (0 for
// the first), so that it keeps its place in the tab order.
struct FwOleControlItem {
    CLSID clsid;
    DWORD style;
    DWORD exStyle;
    short x, y, cx, cy;
    DWORD id;
    DWORD previousId;
    bool hasPrevious;
};

// Removes the items whose class is a class id text ("{...}") from an extended
// dialog template (DIALOGEX) and returns them; other templates stay as they are.
std::vector<FwOleControlItem> AfxOccSplitTemplate(std::vector<BYTE>& tmpl);
// Creates a site window for each item in the dialog, in template order.
void AfxOccCreateControls(HWND dialog, const std::vector<FwOleControlItem>& items);

// A new site window hosting the control clsid, in place; null when the window
// cannot be made. A control that cannot be created leaves an empty site.
HWND AfxOccCreateSite(REFCLSID clsid, LPCWSTR windowName, DWORD style, DWORD exStyle, const RECT& rect,
                      HWND parent, UINT id);
// True for a site window of the framework.
bool AfxOccIsSite(HWND hWnd);
// The hosted control (no reference added), or null.
IUnknown* AfxOccGetControl(HWND site);
// The site's text view while it shows a file in place of the control, else null.
HWND AfxOccGetFallbackView(HWND site);

// Calls the hosted control's IDispatch::Invoke on the site's own thread with
// the arguments described by pbParamInfo (as COleDispatchDriver does); throws
// COleException or COleDispatchException.
void AfxOccInvokeV(HWND site, DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet, const BYTE* pbParamInfo,
                   va_list argList);

// A local file as readable text: UTF-16 or 8-bit text by its marks and its
// declared or detected character set; HTML (by the file's extension) reduced
// from markup to text. Empty when the file cannot be read.
CString AfxReadLocalFileAsText(LPCWSTR path);
// HTML markup reduced to text: no tags, scripts, styles or head; entities
// decoded; white space collapsed; block elements end lines ("\r\n").
CString AfxHtmlToText(LPCWSTR html, size_t length);
