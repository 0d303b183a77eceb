#include "export/ExportSetup.h"

#include <io.h>

#include <string>

#include "app/AppGlobals.h"
#include "app/Prompts.h"
#include "export/DestinationChecks.h"
#include "export/ExportState.h"
#include "export/LoomcraftDriver.h"
#include "export/SaveLosses.h"
#include "export/SaveTempFolder.h"
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

CString g_refusal;

// The save's own folder under the temporary folder for the attachment files
// and the header file; false (with the refusal) when it cannot be made.
bool SetTemporaryPaths() {
    wchar_t buffer[MAX_PATH + 1] = L"";
    DWORD length = g_Seams.GetTempPath(MAX_PATH, buffer);
    const CString root = length == 0 || length > MAX_PATH ? CString() : WithTrailingBackslash(CString(buffer));
    DWORD error = ERROR_PATH_NOT_FOUND;
    const CString folder = root.IsEmpty() ? CString() : BeginSaveTempFolder(root, &error);
    if (folder.IsEmpty()) {
        g_refusal = L"Saving not completed.\r\n\r\nThe temporary folder " + root + L" cannot be written.\r\nReason: " +
                    SystemErrorText(error);
        return false;
    }
    g_pstExporter.m_strTempFolder = folder;
    g_pstExporter.m_strHeaderFilePath = g_pstExporter.m_strTempFolder + kHeaderFileName;
    return true;
}

// "Saving not completed." and why the store could not be made: the
// destination's own error, else the item writer's text.
void NoteStoreNotCreated(const CString& folder, const CString& componentText) {
    const DWORD error = FolderWriteError(folder);
    CString reason = error != 0 ? SystemErrorText(error) : componentText;
    if (reason.IsEmpty()) reason = L"The item writer could not create the new store.";
    g_refusal = L"Saving not completed.\r\n\r\nReason: " + reason;
}

// Refuses a destination that would write over the store being saved or
// that takes no new file, before anything is written there.
bool DestinationUsable(const CString& folder) {
    if (!g_strOstPath.IsEmpty() && SameFile(g_strPstPath, g_strOstPath)) {
        g_refusal = L"Saving not completed.\r\n\r\nThe new store would be written over the store being saved: " +
                    g_strOstPath + L"\r\nPlease select another path for saving.";
        return false;
    }
    const DWORD error = FolderWriteError(folder);
    if (error != 0) {
        // The save's folder that the Save command could not make (a
        // read-only destination) is told as such, not as a path not found.
        const bool made = GetFileAttributesW(folder) != INVALID_FILE_ATTRIBUTES;
        g_refusal = L"Saving not completed.\r\n\r\nThe new store cannot be written in " + folder + L"\r\nReason: " +
                    (made ? SystemErrorText(error) : CString(L"The folder cannot be made there."));
        return false;
    }
    return true;
}

}  // namespace

CString ExportTimeStamp(const SYSTEMTIME& time) {
    CString stamp;
    stamp.Format(L"%d-%d-%d %d-%d-%d", time.wDay, time.wMonth, time.wYear, time.wHour, time.wMinute, time.wSecond);
    return stamp;
}

CString PstFileNameFor(const CString& ostFileName, const CString& stamp) {
    // Every ".ost", in any letter case.
    const std::wstring name(ostFileName.GetString());
    std::wstring result;
    size_t start = 0;
    for (size_t i = 0; i + 4 <= name.size();) {
        if (_wcsnicmp(name.c_str() + i, L".ost", 4) == 0) {
            result += name.substr(start, i - start) + stamp.GetString() + L".pst";
            i += 4;
            start = i;
        } else {
            ++i;
        }
    }
    result += name.substr(start);
    return CString(result);
}

const CString& SetupRefusal() { return g_refusal; }

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
    // A name already taken gets the next free one: no file is replaced.
    g_strPstPath = folder + FreeFileName(folder, PstFileNameFor(g_strOstFileName, stamp));
    const CString displayName = CString(kDisplayNamePrefix) + L"_" + stamp;

    g_refusal.Empty();
    if (!DestinationUsable(folder) || !SetTemporaryPaths()) {
        g_itemWriter.ReleaseDispatch();
        return kSetupRefused;
    }

    try {
        ComText path(g_strPstPath);
        ComText name(displayName);
        g_itemWriter.CreateStore(path.Ref(), name.Ref());
    } catch (...) {
        // Nothing can be saved without the store; the worker ends the save
        // and tells why.
        NoteStoreNotCreated(folder, CurrentFailureText());
        g_itemWriter.ReleaseDispatch();
        return kSetupStoreNotCreated;
    }
    g_strPstRootPath = L"\\\\" + displayName;

    try {
        g_itemWriter.EndBatch();
    } catch (...) {
        NoteStoreNotCreated(folder, CurrentFailureText());
        g_itemWriter.ReleaseDispatch();
        return kSetupStoreNotCreated;
    }
    return kSetupReady;
}
