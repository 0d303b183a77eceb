// A folder tree kept in memory: the reader observer of the native tools and
// tests, standing where the Windows program has its tree control and store
// dialog. Inserts follow the tree control's rules (first, last, sorted).
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "reader/reader_observer.h"

class FolderTreeModel : public ReaderObserver {
public:
    struct Item {
        std::wstring text;
        int image = 0;
        int selectedImage = 0;
        Item* parent = nullptr;
        std::vector<Item*> children;
        bool expanded = false;
    };

    // ---- the observer ----
    void ShowLoadProgressBar() override { progressBarShown = true; }
    void SetLoadProgress(int position) override { progress.push_back(position); }
    void SetLoadStatus(const wchar_t* text) override { statuses.emplace_back(text ? text : L""); }
    void ShowLoadMessage(const wchar_t* text, unsigned style) override;
    void Pause(unsigned milliseconds) override;
    void OnLoadFinished() override { loadFinished = true; }
    void DeleteAllFolderItems() override;
    TreeItemHandle InsertFolderItem(const wchar_t* text, int image, int selectedImage,
                                    TreeItemHandle parent, TreeItemHandle insertAfter) override;
    TreeItemHandle GetRootFolderItem() override;
    void ExpandFolderItem(TreeItemHandle item) override;
    void AddFolderTreeStyles(unsigned added) override { styles |= added; }
    bool WantBodies() override { return wantBodies; }
    bool IsDisplayBusy() override { return displayBusy; }
    void SetReadProgressPos(int position) override { lastReadProgress = position; }

    // ---- the tree ----
    const std::vector<Item*>& Roots() const { return roots_; }
    static const Item* FromHandle(TreeItemHandle h) { return static_cast<const Item*>(h); }
    // The texts from the first root's child down to the item, joined by "/".
    static std::wstring PathOf(const Item* item);
    size_t ItemCount() const { return items_.size(); }

    // ---- settings and what was seen ----
    bool wantBodies = false;
    bool displayBusy = false;
    bool realPauses = false;   // tests keep the load's pauses at zero
    bool progressBarShown = false;
    bool loadFinished = false;
    unsigned styles = 0;
    unsigned pausedMilliseconds = 0;
    int lastReadProgress = 0;
    std::vector<int> progress;
    std::vector<std::wstring> statuses;
    std::vector<std::wstring> messages;
    std::vector<unsigned> messageStyles;

private:
    std::vector<std::unique_ptr<Item>> items_;
    std::vector<Item*> roots_;
};
