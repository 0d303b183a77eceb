// The program's test seams: every modal or environment-dependent platform
// call that a test must control goes through this one table. The real
// program leaves the defaults in place (the real Win32 functions); a test
// replaces entries with scripted answers (see seam_script.h) and restores
// them afterwards.
#pragma once
#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>
#include <ole2.h>
#include <time.h>
#include <stdint.h>
#include <functional>

struct FrameworkSeams {
    // MessageBoxW(owner, text, caption, type).
    std::function<int(HWND, LPCWSTR, LPCWSTR, UINT)> MessageBox;
    // GetOpenFileNameW / GetSaveFileNameW.
    std::function<BOOL(OPENFILENAMEW*)> GetOpenFileName;
    std::function<BOOL(OPENFILENAMEW*)> GetSaveFileName;
    // SHBrowseForFolderW: the folder browser. The result is freed by the
    // caller with CoTaskMemFree.
    std::function<PIDLIST_ABSOLUTE(BROWSEINFOW*)> BrowseForFolder;
    // SHGetPathFromIDListW for what BrowseForFolder returned.
    std::function<BOOL(PCIDLIST_ABSOLUTE, LPWSTR)> GetPathFromIDList;
    // ShellExecuteW(owner, verb, file, parameters, directory, show).
    std::function<HINSTANCE(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT)> ShellExecute;
    // The local clock: GetLocalTime and _time64.
    std::function<void(SYSTEMTIME*)> GetLocalTime;
    std::function<__time64_t(__time64_t*)> Time64;
    // GetDynamicTimeZoneInformation: the system's time zone, which stored
    // times are shown in (see ZoneTimeOfUtc).
    std::function<DWORD(DYNAMIC_TIME_ZONE_INFORMATION*)> GetDynamicTimeZoneInformation;
    // GetTempPathW(buffer size in units, buffer).
    std::function<DWORD(DWORD, LPWSTR)> GetTempPath;
    // GetDiskFreeSpaceExW(directory, free to caller, total, total free).
    std::function<BOOL(LPCWSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER)> GetDiskFreeSpaceEx;

    // An automation object made by its ProgID (CLSIDFromProgID, then
    // CoCreateInstance for IDispatch); COleDispatchDriver::CreateDispatch
    // goes through it, so tests can put a recording object in its place.
    std::function<HRESULT(LPCWSTR, IDispatch**)> CreateDispatch;
    // A program run to its end (_wspawnv in wait mode): program path and
    // the null-terminated argument list; its exit code, -1 when it did not run.
    std::function<intptr_t(LPCWSTR, const wchar_t* const*)> SpawnWait;

    // Called once per modal dialog (CDialog::DoModal) when its loop first
    // becomes idle, with the dialog up and initialised. Empty in the real
    // program; a test drives the dialog from here (clicks, EndDialog).
    std::function<void(HWND)> ModalDialogStarted;

    // Puts every entry back to the real function.
    void SetDefaults();
    FrameworkSeams() { SetDefaults(); }
};

extern FrameworkSeams g_Seams;
