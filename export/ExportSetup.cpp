#include "export/ExportSetup.h"

#include <io.h>

#include "app/AppGlobals.h"
#include "app/Prompts.h"
#include "export/ExportState.h"
#include "export/LoomcraftDriver.h"
#include "framework/seams.h"

const wchar_t kSessionLibraryProgId[] = L"CorvaneRedmp.RDOSessionCorvane";
const wchar_t kItemWriterProgId[] = L"loomcraft.Class1";

namespace {

const wchar_t kSessionLibraryFile[] = L"\\CorvaneRedmp.dll";
const wchar_t kItemWriterFile[] = L"\\Loomcraft.dll";
const wchar_t kDisplayNamePrefix[] = L"Quillmere_Personal_Folders";
const wchar_t kHeaderFileName[] = L"Temp.eml";
// The setup's boxes carry the title without the caption's leading blank.
const wchar_t kSetupCaption[] = L"Quillmere for MS Exchange OST - MS Outlook PST";

CString WithTrailingBackslash(CString path) {
    if (path.IsEmpty() || path[path.GetLength() - 1] != L'\\') path += L"\\";
    return path;
}

void SetupMessage(const wchar_t* text, UINT style) {
    // The holder has no window: the box has no owner.
    AppMessageBox(g_pstExporter.GetSafeHwnd(), text, kSetupCaption, style);
}

// Creation of the session library only proves that a MAPI client is usable.
bool SessionLibraryUsable() {
    try {
        COleDispatchDriver session;
        if (session.CreateDispatch(kSessionLibraryProgId)) return true;
        RegisterComponent(kSessionLibraryFile);
        if (session.CreateDispatch(kSessionLibraryProgId)) return true;
        SetupMessage(L"Microsoft Outlook not found installed or corrupted. Please install Microsoft Outlook & "
                     L"re-run Application.",
                     MB_SYSTEMMODAL | MB_ICONHAND);
        session.ReleaseDispatch();
        return false;
    } catch (...) {
        return true;  // a failure of the test itself does not stop the save
    }
}

bool BindItemWriter() {
    if (g_itemWriter.CreateDispatch(kItemWriterProgId)) return true;
    try {
        RegisterComponent(kItemWriterFile);
        if (g_itemWriter.CreateDispatch(kItemWriterProgId)) return true;
    } catch (...) {
        return true;  // the first batch call below decides
    }
    SetupMessage(L"Loomcraft.dll is not properly configured. Please Re-Install the software.",
                 MB_SYSTEMMODAL | MB_ICONHAND);
    return false;
}

void SetTemporaryPaths() {
    wchar_t buffer[MAX_PATH + 1] = L"";
    DWORD length = g_Seams.GetTempPath(MAX_PATH, buffer);
    if (length == 0 || length > MAX_PATH) return;   // the paths stay as they were
    g_pstExporter.m_strTempFolder = WithTrailingBackslash(CString(buffer));
    g_pstExporter.m_strHeaderFilePath = g_pstExporter.m_strTempFolder + kHeaderFileName;
}

}  // namespace

CString ExportTimeStamp(const SYSTEMTIME& time) {
    CString stamp;
    stamp.Format(L"%d-%d-%d %d-%d-%d", time.wDay, time.wMonth, time.wYear, time.wHour, time.wMinute, time.wSecond);
    return stamp;
}

CString PstFileNameFor(const CString& ostFileName, const CString& stamp) {
    CString name = ostFileName;
    name.Replace(L".ost", stamp + L".pst");
    return name;
}

void RegisterComponent(const wchar_t* componentFile) {
    wchar_t systemFolder[MAX_PATH] = L"";
    GetSystemDirectoryW(systemFolder, MAX_PATH);
    CString tool = WithTrailingBackslash(CString(systemFolder)) + L"regsvr32.exe";
    CString component = g_strInstallFolder + componentFile;
    if (_waccess(component, 0) != 0) return;
    wchar_t shortPath[MAX_PATH] = L"";
    DWORD length = GetShortPathNameW(component, shortPath, MAX_PATH);
    // Without a short form (none made, or too long) the full path serves, quoted.
    CString argument = L"/s ";
    if (length > 0 && length < MAX_PATH)
        argument += shortPath;
    else
        argument += L"\"" + component + L"\"";
    const wchar_t* argv[] = {tool.GetString(), argument.GetString(), L"", nullptr};
    g_Seams.SpawnWait(tool, argv);
}

int BeginPstExport(CString destination) {
    ::CoInitialize(nullptr);

    if (!SessionLibraryUsable()) return kSetupNoSessionLibrary;
    if (!BindItemWriter()) return kSetupNoItemWriter;

    try {
        g_itemWriter.BeginBatch();
    } catch (...) {
        SetupMessage(L"Microsoft Outlook is not Installed Properly", MB_SYSTEMMODAL | MB_ICONINFORMATION);
        g_itemWriter.ReleaseDispatch();
        return kSetupNoItemWriter;
    }

    CString folder = WithTrailingBackslash(destination.IsEmpty() ? g_strDefaultDest : destination);
    SYSTEMTIME now = {};
    g_Seams.GetLocalTime(&now);
    const CString stamp = ExportTimeStamp(now);
    g_strPstPath = folder + PstFileNameFor(g_strOstFileName, stamp);
    const CString displayName = CString(kDisplayNamePrefix) + L"_" + stamp;

    try {
        ComText path(g_strPstPath);
        ComText name(displayName);
        g_itemWriter.CreateStore(path.Ref(), name.Ref());
    } catch (...) {
        // Nothing can be saved without the store; the worker ends the save.
        g_itemWriter.ReleaseDispatch();
        return kSetupStoreNotCreated;
    }
    g_strPstRootPath = L"\\\\" + displayName;

    SetTemporaryPaths();
    try {
        g_itemWriter.EndBatch();
    } catch (...) {
        g_itemWriter.ReleaseDispatch();
        return kSetupStoreNotCreated;
    }
    return kSetupReady;
}
