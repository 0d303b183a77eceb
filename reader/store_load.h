// The store load: opens the chosen store, loads the B-trees and the
// name-to-id map, checks that the first node is a message store, finds the
// top folder and fills the folder tree and the folder list. Runs on the
// analysis worker; the tree, the store dialog's texts and the message boxes
// are reached through the reader observer.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "reader/reader_observer.h"

struct NodeEntry;

// One folder item of the tree: its handle and the folder's 32-bit node id.
struct folder {
    TreeItemHandle hItem;
    uint32_t nNodeId;
};

// One element per folder item inserted in the tree, in insertion order,
// "Personal Folders" first. Emptied by ResetReader.
extern std::vector<folder> g_listFolders;
// The top folder's first child: where every folder-node search starts.
extern NodeEntry* g_pRootFolderNode;
extern TreeItemHandle g_hPersonalFoldersItem;
// Set by the analysis worker as its last step.
extern std::atomic<int> g_bAnalysisDone;

// Tree images of the folder tree view.
constexpr int kFolderImageOther = 1;
constexpr int kFolderImageStore = 2;
// The tree's buttons, lines, lines at root and check boxes.
constexpr unsigned kFolderTreeStyles = 0x107;
// MB_SYSTEMMODAL | MB_ICONINFORMATION: the load's message boxes.
constexpr unsigned kLoadMessageStyle = 0x1040;

// The reader's host for the load. The store dialog makes one with the chosen
// path and hands it to the analysis worker.
class OstRepair {
public:
    explicit OstRepair(std::wstring ostPath = std::wstring());
    virtual ~OstRepair() = default;

    // The load; reports failures itself.
    void LoadStore();
    // Inserts the folders of a sibling level (and, depth first, their
    // sub-folders) under the parent item.
    void FillFolderTree(NodeEntry* first, TreeItemHandle parent);

    const std::wstring& GetOstPath() const { return m_strOstPath; }

private:
    std::wstring m_strOstPath;
};

// The analysis worker's procedure (parameter: the OstRepair). Runs the load,
// then sets g_bAnalysisDone and tells the observer; returns 1.
unsigned AnalysisThreadProc(void* param);

// The tree image of a folder by its name (case-insensitive whole name).
int GetFolderImageIndex(const wchar_t* name);

// Before a new load: clears the done flag, empties the folder list and, when a store was loaded,
// frees the block list, forgets the node tree and the name-to-id map, clears
// the header values and closes the store file (raises when the close fails).
void ResetReader();
