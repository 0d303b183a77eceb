#include "framework/seam_script.h"
#include "framework/fwtypes.h"
#include <cwchar>

namespace {
std::wstring Text(LPCWSTR p) { return p ? std::wstring(p) : std::wstring(); }

// The filter as one readable line: its zero separators become '|'.
std::wstring FilterText(LPCWSTR p) {
    std::wstring s;
    if (!p) return s;
    while (*p) {
        size_t n = wcslen(p);
        s.append(p, n);
        s += L'|';
        p += n + 1;
    }
    return s;
}

int FallbackAnswer(UINT type) {
    switch (type & MB_TYPEMASK) {
    case MB_YESNO:
    case MB_YESNOCANCEL: return IDNO;
    case MB_OKCANCEL:
    case MB_RETRYCANCEL: return IDCANCEL;
    default: return IDOK;
    }
}

__time64_t ScriptTime(const SYSTEMTIME& st) { return CTime(st).GetTime(); }
}  // namespace

SeamScript::SeamScript() : m_saved(g_Seams) {
    g_Seams.MessageBox = [this](HWND h, LPCWSTR text, LPCWSTR caption, UINT type) {
        std::lock_guard<std::mutex> guard(m_lock);
        messageBoxes.push_back({h, Text(text), Text(caption), type});
        if (messageBoxAnswers.empty()) return FallbackAnswer(type);
        int answer = messageBoxAnswers.front();
        messageBoxAnswers.pop_front();
        return answer;
    };
    auto fileDialog = [this](OPENFILENAMEW* ofn, bool save) -> BOOL {
        std::lock_guard<std::mutex> guard(m_lock);
        fileDialogs.push_back({ofn->hwndOwner, FilterText(ofn->lpstrFilter), ofn->Flags, save});
        if (fileDialogAnswers.empty()) return FALSE;
        std::wstring path = fileDialogAnswers.front();
        fileDialogAnswers.pop_front();
        if (path.empty() || !ofn->lpstrFile || path.size() + 1 > ofn->nMaxFile) return FALSE;
        wcscpy(ofn->lpstrFile, path.c_str());
        size_t slash = path.find_last_of(L"\\/");
        ofn->nFileOffset = (WORD)(slash == std::wstring::npos ? 0 : slash + 1);
        size_t dot = path.rfind(L'.');
        ofn->nFileExtension = (WORD)(dot == std::wstring::npos || dot < ofn->nFileOffset ? 0 : dot + 1);
        if (ofn->lpstrFileTitle && ofn->nMaxFileTitle > path.size() - ofn->nFileOffset)
            wcscpy(ofn->lpstrFileTitle, path.c_str() + ofn->nFileOffset);
        return TRUE;
    };
    g_Seams.GetOpenFileName = [fileDialog](OPENFILENAMEW* ofn) { return fileDialog(ofn, false); };
    g_Seams.GetSaveFileName = [fileDialog](OPENFILENAMEW* ofn) { return fileDialog(ofn, true); };
    g_Seams.BrowseForFolder = [this](BROWSEINFOW* bi) -> PIDLIST_ABSOLUTE {
        std::lock_guard<std::mutex> guard(m_lock);
        folderBrowses.push_back({bi->hwndOwner, Text(bi->lpszTitle), bi->ulFlags});
        if (folderAnswers.empty()) return nullptr;
        m_lastFolder = folderAnswers.front();
        folderAnswers.pop_front();
        if (m_lastFolder.empty()) return nullptr;
        // An empty item list (the desktop), allocated as the caller frees it;
        // GetPathFromIDList below gives the scripted path for it.
        auto* pidl = static_cast<PIDLIST_ABSOLUTE>(::CoTaskMemAlloc(sizeof(USHORT)));
        if (pidl) pidl->mkid.cb = 0;
        return pidl;
    };
    g_Seams.GetPathFromIDList = [this](PCIDLIST_ABSOLUTE, LPWSTR path) -> BOOL {
        std::lock_guard<std::mutex> guard(m_lock);
        if (!path) return FALSE;
        wcsncpy(path, m_lastFolder.c_str(), MAX_PATH - 1);
        path[MAX_PATH - 1] = L'\0';
        return !m_lastFolder.empty();
    };
    g_Seams.ShellExecute = [this](HWND h, LPCWSTR verb, LPCWSTR file, LPCWSTR params, LPCWSTR dir, INT show) {
        std::lock_guard<std::mutex> guard(m_lock);
        shellOpens.push_back({h, Text(verb), Text(file), Text(params), Text(dir), show});
        return (HINSTANCE)(INT_PTR)42;   // above 32: success
    };
    g_Seams.GetLocalTime = [this](SYSTEMTIME* st) {
        std::lock_guard<std::mutex> guard(m_lock);
        ++clockReads;
        *st = localTime;
    };
    g_Seams.Time64 = [this](__time64_t* t) {
        std::lock_guard<std::mutex> guard(m_lock);
        ++clockReads;
        __time64_t now = ScriptTime(localTime);
        if (t) *t = now;
        return now;
    };
    g_Seams.GetDynamicTimeZoneInformation = [this](DYNAMIC_TIME_ZONE_INFORMATION* zone) -> DWORD {
        std::lock_guard<std::mutex> guard(m_lock);
        *zone = timeZone;
        return TIME_ZONE_ID_UNKNOWN;   // the callers read the rules, not which part of the year it is
    };
    g_Seams.GetTempPath = [this](DWORD n, LPWSTR buf) -> DWORD {
        std::lock_guard<std::mutex> guard(m_lock);
        if (tempPath.size() + 1 > n || !buf) return (DWORD)tempPath.size() + 1;
        wcscpy(buf, tempPath.c_str());
        return (DWORD)tempPath.size();
    };
    g_Seams.GetDiskFreeSpaceEx = [this](LPCWSTR dir, PULARGE_INTEGER avail, PULARGE_INTEGER total, PULARGE_INTEGER free) -> BOOL {
        std::lock_guard<std::mutex> guard(m_lock);
        diskSpaceQueries.push_back(Text(dir));
        if (avail) avail->QuadPart = freeBytes;
        if (total) total->QuadPart = freeBytes * 2;
        if (free) free->QuadPart = freeBytes;
        return TRUE;
    };
    g_Seams.ModalDialogStarted = [this](HWND hDlg) {
        wchar_t caption[256] = {};
        ::GetWindowTextW(hDlg, caption, 256);
        std::function<void(HWND)> action;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            modalDialogs.push_back(caption);
            if (modalActions.empty()) return;   // driven some other way
            action = modalActions.front();
            modalActions.pop_front();
        }
        action(hDlg);   // outside the lock: it may ask for message boxes
    };
}

SeamScript::~SeamScript() { g_Seams = m_saved; }
