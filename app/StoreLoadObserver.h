// The reader's observer in the program: the store load reports to the store
// dialog's progress bar (1005) and status text (1020), inserts into the tree
// control of the folder tree view, and shows its messages in message boxes
// owned by the store dialog. Every report from the analysis worker first
// passes the worker's gate, so Pause holds the load and an abort ends it.
// The window handles are taken when a load starts, so that a late report of
// an ended load can never reach a destroyed window object.
#pragma once
#include <windows.h>

#include "reader/reader_observer.h"

class StoreLoadObserver : public ReaderObserver {
public:
    // The windows of the next load: the store dialog and the folder tree.
    void SetLoadWindows(HWND dialog, HWND tree);
    HWND GetTree() const { return m_tree; }

    void ShowLoadProgressBar() override;
    void SetLoadProgress(int position) override;
    void SetLoadStatus(const wchar_t* text) override;
    void ShowLoadMessage(const wchar_t* text, unsigned style) override;
    void Pause(unsigned milliseconds) override;
    void OnLoadFinished() override;

    void DeleteAllFolderItems() override;
    TreeItemHandle InsertFolderItem(const wchar_t* text, int image, int selectedImage, TreeItemHandle parent,
                                    TreeItemHandle insertAfter) override;
    TreeItemHandle GetRootFolderItem() override;
    void ExpandFolderItem(TreeItemHandle item) override;
    void AddFolderTreeStyles(unsigned styles) override;

    bool WantBodies() override;
    bool IsDisplayBusy() override;
    void SetReadProgressRange(int maximum) override;
    void SetReadProgressPos(int position) override;

private:
    HWND m_dialog = nullptr;
    HWND m_tree = nullptr;
};

// The program's one observer; installed by InitInstance.
extern StoreLoadObserver g_storeLoadObserver;

// The analysis worker as started by the store dialog: runs the reader's
// AnalysisThreadProc for the load of `param` (an OstRepair made with new,
// deleted here) behind the analysis gate.
UINT StoreLoadThreadProc(LPVOID param);
// Starts the analysis worker for the chosen path. Sets g_pAnalysisThread
// before the worker can run, so the worker's own clearing is never undone.
// FALSE when no thread could be started.
BOOL StartStoreLoad(const wchar_t* path);
