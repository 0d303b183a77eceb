#include "framework/seams.h"
#include <shellapi.h>
#include <process.h>

#include <mutex>

FrameworkSeams g_Seams;

namespace {

// The system's time zone, read again at most once a second: each reading
// costs registry reads, and a list of many dates asks for it for every one.
DWORD CachedTimeZoneInformation(DYNAMIC_TIME_ZONE_INFORMATION* zone) {
    static std::mutex lock;
    static ULONGLONG readAt = 0;
    static DYNAMIC_TIME_ZONE_INFORMATION cached = {};
    static DWORD cachedId = TIME_ZONE_ID_INVALID;
    std::lock_guard<std::mutex> guard(lock);
    const ULONGLONG now = ::GetTickCount64();
    if (cachedId == TIME_ZONE_ID_INVALID || now - readAt >= 1000) {
        cachedId = ::GetDynamicTimeZoneInformation(&cached);
        readAt = now;
    }
    *zone = cached;
    return cachedId;
}

}  // namespace

void FrameworkSeams::SetDefaults() {
    MessageBox = [](HWND h, LPCWSTR text, LPCWSTR caption, UINT type) { return ::MessageBoxW(h, text, caption, type); };
    GetOpenFileName = [](OPENFILENAMEW* ofn) { return ::GetOpenFileNameW(ofn); };
    GetSaveFileName = [](OPENFILENAMEW* ofn) { return ::GetSaveFileNameW(ofn); };
    BrowseForFolder = [](BROWSEINFOW* bi) { return ::SHBrowseForFolderW(bi); };
    GetPathFromIDList = [](PCIDLIST_ABSOLUTE pidl, LPWSTR path) { return ::SHGetPathFromIDListW(pidl, path); };
    ShellExecute = [](HWND h, LPCWSTR verb, LPCWSTR file, LPCWSTR params, LPCWSTR dir, INT show) {
        return ::ShellExecuteW(h, verb, file, params, dir, show);
    };
    GetLocalTime = [](SYSTEMTIME* st) { ::GetLocalTime(st); };
    Time64 = [](__time64_t* t) { return _time64(t); };
    GetDynamicTimeZoneInformation = CachedTimeZoneInformation;
    GetTempPath = [](DWORD n, LPWSTR buf) { return ::GetTempPathW(n, buf); };
    GetDiskFreeSpaceEx = [](LPCWSTR dir, PULARGE_INTEGER avail, PULARGE_INTEGER total, PULARGE_INTEGER free) {
        return ::GetDiskFreeSpaceExW(dir, avail, total, free);
    };
    CreateDispatch = [](LPCWSTR progId, IDispatch** out) -> HRESULT {
        *out = nullptr;
        CLSID clsid;
        HRESULT hr = ::CLSIDFromProgID(progId, &clsid);
        if (FAILED(hr)) return hr;
        return ::CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IDispatch, reinterpret_cast<void**>(out));
    };
    SpawnWait = [](LPCWSTR program, const wchar_t* const* argv) -> intptr_t {
        return _wspawnv(_P_WAIT, program, argv);
    };
    ModalDialogStarted = nullptr;
}
