// Scripted answers for the test seams. A SeamScript installs itself into
// g_Seams on construction, records every call, and puts the previous
// entries back on destruction. Queued answers are used in order; when a
// queue is empty the fallback answer is given (message boxes: IDNO for
// yes/no questions, IDCANCEL for OK/Cancel, otherwise IDOK; dialogs: cancel).
// The seams may be called from worker threads: every entry takes one lock.
// Read the records after the workers are done.
#pragma once
#include "seams.h"
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

class SeamScript {
public:
    struct MessageBoxCall { HWND hOwner; std::wstring text; std::wstring caption; UINT type; };
    struct FileDialogCall { HWND hOwner; std::wstring filter; DWORD flags; bool save; };
    struct FolderCall { HWND hOwner; std::wstring title; UINT flags; };
    struct ShellCall { HWND hOwner; std::wstring verb; std::wstring file; std::wstring params; std::wstring dir; int show; };

    SeamScript();
    ~SeamScript();
    SeamScript(const SeamScript&) = delete;
    SeamScript& operator=(const SeamScript&) = delete;

    // Answers, given in the order the program will ask.
    std::deque<int> messageBoxAnswers;
    std::deque<std::wstring> fileDialogAnswers;     // full path; empty = cancel
    std::deque<std::wstring> folderAnswers;         // chosen folder; empty = cancel
    SYSTEMTIME localTime{2024, 1, 1, 1, 12, 0, 0, 0};   // also the _time64 answer
    // The system's time zone: UTC with no daylight saving unless a test sets it.
    DYNAMIC_TIME_ZONE_INFORMATION timeZone{};
    std::wstring tempPath = L"C:\\windows\\temp\\";
    ULONGLONG freeBytes = 10ULL << 30;

    // One action per modal dialog, in order: called with the dialog's window
    // once it is up (see FrameworkSeams::ModalDialogStarted). Without an
    // action the dialog is left alone (a test may drive it from a thread).
    // Actions run on the dialog's thread; queue them before the dialog runs.
    std::deque<std::function<void(HWND)>> modalActions;

    // What the program asked.
    std::vector<MessageBoxCall> messageBoxes;
    std::vector<FileDialogCall> fileDialogs;
    std::vector<FolderCall> folderBrowses;
    std::vector<ShellCall> shellOpens;
    std::vector<std::wstring> diskSpaceQueries;
    std::vector<std::wstring> modalDialogs;   // their captions
    int clockReads = 0;

private:
    std::mutex m_lock;
    FrameworkSeams m_saved;
    std::wstring m_lastFolder;
};
