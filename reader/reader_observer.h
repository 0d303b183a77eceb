// What the reader tells the program while it works, and what it asks of it.
// The reader has no window: the store load's progress, status texts, folder
// tree inserts and message boxes, the status-bar progress of property reads
// and the question whether bodies are wanted now all go through one observer.
// The Windows program implements it with window messages; tests and tools
// implement it natively. The default observer does nothing and wants no bodies.
#pragma once
#include <cstdint>

// An opaque folder-tree item (the tree control's HTREEITEM on Windows).
using TreeItemHandle = void*;

// Insert positions and the root, with the values the Windows tree control uses.
extern TreeItemHandle const kTreeRoot;    // TVI_ROOT
extern TreeItemHandle const kTreeFirst;   // TVI_FIRST
extern TreeItemHandle const kTreeLast;    // TVI_LAST
extern TreeItemHandle const kTreeSort;    // TVI_SORT

class ReaderObserver {
public:
    virtual ~ReaderObserver() = default;

    // ---- the store dialog during a load ----
    virtual void ShowLoadProgressBar() {}
    virtual void SetLoadProgress(int position) {}          // 0..100
    virtual void SetLoadStatus(const wchar_t* text) {}
    // A message box owned by the store dialog (caption: the application's).
    virtual void ShowLoadMessage(const wchar_t* text, unsigned style) {}
    // The load's fixed pauses; tests may make them zero.
    virtual void Pause(unsigned milliseconds);
    // The analysis worker has finished (the dialog closes itself on it).
    virtual void OnLoadFinished() {}

    // ---- the folder tree ----
    virtual void DeleteAllFolderItems() {}
    virtual TreeItemHandle InsertFolderItem(const wchar_t* text, int image, int selectedImage,
                                            TreeItemHandle parent, TreeItemHandle insertAfter) {
        return nullptr;
    }
    virtual TreeItemHandle GetRootFolderItem() { return nullptr; }
    virtual void ExpandFolderItem(TreeItemHandle item) {}
    virtual void AddFolderTreeStyles(unsigned styles) {}

    // ---- reading items ----
    // True while the display worker or the saving worker runs: HTML and
    // compressed RTF bodies are read only then.
    virtual bool WantBodies() { return false; }
    // True while the display worker runs: property reads move the status-bar
    // progress bar.
    virtual bool IsDisplayBusy() { return false; }
    virtual void SetReadProgressRange(int maximum) {}
    virtual void SetReadProgressPos(int position) {}
};

// The observer in force (never null: a do-nothing one until set).
ReaderObserver& GetReaderObserver();
void SetReaderObserver(ReaderObserver* observer);
