#include "reader/store_load.h"

#include <cstdlib>
#include <cwchar>
#include <cwctype>
#include <utility>

#include "format/layout.h"
#include "reader/item_reader.h"
#include "reader/item_record.h"
#include "reader/named_props.h"
#include "reader/ndb.h"
#include "reader/store_recovery.h"
#include "reader/store_text.h"

#ifdef _WIN32
#include <windows.h>
#endif

std::vector<folder> g_listFolders;
NodeEntry* g_pRootFolderNode = nullptr;
TreeItemHandle g_hPersonalFoldersItem = nullptr;
std::atomic<int> g_bAnalysisDone{0};

namespace {

const wchar_t kMsgFileInUse[] = L"Selected Source File in use.";
const wchar_t kMsgCannotRead[] = L"Cannot Read OST File Information";
const wchar_t kMsgNotAStore[] = L"Please select valid ost file.";

void CloseStoreFile() { g_storeFile.file.Close(); }

std::wstring UpperCase(std::wstring text) {
#ifdef _WIN32
    if (!text.empty()) CharUpperBuffW(&text[0], static_cast<DWORD>(text.size()));
#else
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towupper(c));
#endif
    return text;
}

// The path the store is opened by: upper-cased on Windows, where the file
// system ignores case; as chosen elsewhere.
std::wstring OpenPath(const std::wstring& path) {
#ifdef _WIN32
    return UpperCase(path);
#else
    return path;
#endif
}

// The name a folder is shown by: its display name, or, when the folder's
// own record cannot be read (a damaged heap or block), one made from its node
// id, so that its sub-folders and items keep their place in the tree. False
// for a node that is not a folder.
bool ReadFolderName(NodeEntry* node, std::wstring* name) {
    ItemRecord* record = nullptr;
    try {
        record = ReadItemRecord(g_storeFile, node);
    } catch (const StoreFileException&) {
        record = nullptr;  // an offset the file system refuses: damage like any other
    }
    if (!record) {
        if (!IsFolderNid(node->nodeId)) return false;
        wchar_t made[32];
        std::swprintf(made, 32, L"Folder %X", static_cast<unsigned>(node->nodeId));
        *name = made;
        return true;
    }
    const bool isFolder = record->pFolderCounts != nullptr;
    if (isFolder) {
        const uint32_t length = StoreStringLength(record->txDisplayName.pData);
        StoreWChar* wide = StoreStringToWide(static_cast<int32_t>(2 * length), record->txDisplayName.pData);
        *name = WideUnitsToWString(wide);
        std::free(wide);
    }
    FreeItemRecord(record);
    return isFolder;
}

}  // namespace

OstRepair::OstRepair(std::wstring ostPath) : m_strOstPath(std::move(ostPath)) {}

int GetFolderImageIndex(const wchar_t* name) {
    static const std::pair<const wchar_t*, int> kImages[] = {
        {L"CALENDAR", 3}, {L"CONTACTS", 4}, {L"DELETED ITEMS", 5}, {L"DRAFTS", 6},
        {L"INBOX", 7},    {L"JOURNAL", 8},  {L"JUNK E-MAIL", 9},   {L"NOTES", 10},
        {L"OUTBOX", 11},  {L"SENT ITEMS", 12}, {L"TASKS", 13},
    };
    const std::wstring upper = UpperCase(name ? name : L"");
    for (const auto& entry : kImages) {
        if (upper == entry.first) return entry.second;
    }
    return kFolderImageOther;
}

void OstRepair::FillFolderTree(NodeEntry* first, TreeItemHandle parent) {
    ReaderObserver& observer = GetReaderObserver();
    // Depth first with an explicit stack: a folder's sub-folders are inserted
    // before its next sibling, whatever the depth of the hierarchy.
    std::vector<std::pair<NodeEntry*, TreeItemHandle>> pending;
    pending.emplace_back(first, parent);
    while (!pending.empty()) {
        NodeEntry* node = pending.back().first;
        TreeItemHandle parentItem = pending.back().second;
        pending.pop_back();
        if (!node) continue;
        pending.emplace_back(node->pNextSibling, parentItem);
        // A message never reads as a folder: skip it unread, or a folder of
        // 100,000 mails would be read whole at every load.
        if (IsMessageNid(node->nodeId)) continue;

        std::wstring name;
        if (!ReadFolderName(node, &name)) continue;
        const int image = GetFolderImageIndex(name.c_str());
        TreeItemHandle item = observer.InsertFolderItem(name.c_str(), image, image, parentItem, kTreeSort);
        g_listFolders.push_back(folder{item, static_cast<uint32_t>(node->nodeId)});
        if (node->pFirstChild) pending.emplace_back(node->pFirstChild, item);
    }
    observer.ExpandFolderItem(observer.GetRootFolderItem());
    observer.ExpandFolderItem(g_hPersonalFoldersItem);
}

void OstRepair::LoadStore() {
    ReaderObserver& observer = GetReaderObserver();
    observer.DeleteAllFolderItems();
    observer.InsertFolderItem(m_strOstPath.c_str(), kFolderImageStore, kFolderImageStore, kTreeRoot,
                              kTreeFirst);
    observer.ShowLoadProgressBar();

    // A file error anywhere in the load (the header, the trees, the store
    // record, a folder) ends it with the same message.
    try {
        if (CFile64::OpenStore(&g_storeFile, OpenPath(m_strOstPath)) == -1) {
            observer.ShowLoadMessage(kMsgFileInUse, kLoadMessageStyle);
            return;
        }
        LoadBTrees(&g_storeFile);
        LoadNamedPropertyMap(&g_storeFile);
        try {
            RecoverListedItems(&g_storeFile);
        } catch (const StoreFileException&) {
            // Recovery is a best effort: the load goes on with what it has.
        }

        ItemRecord* storeRecord = ReadItemRecord(g_storeFile, g_storeFile.pFirstNode);
        NodeEntry* top = nullptr;
        if (!storeRecord && g_storeFile.pFirstNode && g_storeFile.pFirstNode->nodeId == fmt::kNidMessageStore)
            top = FindTopFolderWithoutStore(&g_storeFile);
        if (!top && (!storeRecord || !storeRecord->pStore)) {
            FreeItemRecord(storeRecord);
            observer.ShowLoadMessage(kMsgNotAStore, kLoadMessageStyle);
            CloseStoreFile();
            return;
        }
        if (!top) top = FindTopFolder(storeRecord, g_storeFile);
        FreeItemRecord(storeRecord);
        if (!top) return;

        g_pRootFolderNode = top->pFirstChild;
        observer.AddFolderTreeStyles(kFolderTreeStyles);
        g_hPersonalFoldersItem = observer.InsertFolderItem(L"Personal Folders", kFolderImageStore, kFolderImageStore,
                                                           observer.GetRootFolderItem(), kTreeLast);
        g_listFolders.push_back(folder{g_hPersonalFoldersItem, static_cast<uint32_t>(top->nodeId)});
        observer.SetLoadStatus(L"Retrieving Folders...");
        FillFolderTree(top->pFirstChild, g_hPersonalFoldersItem);
        observer.Pause(1000);
        observer.SetLoadProgress(100);
        observer.Pause(1000);
    } catch (...) {
        observer.ShowLoadMessage(kMsgCannotRead, kLoadMessageStyle);
    }
}

unsigned AnalysisThreadProc(void* param) {
    if (auto* host = static_cast<OstRepair*>(param)) host->LoadStore();
    g_bAnalysisDone = 1;
    GetReaderObserver().OnLoadFinished();
    return 1;
}

void ResetReader() {
    g_bAnalysisDone = 0;
    g_listFolders.clear();
    g_pRootFolderNode = nullptr;
    g_hPersonalFoldersItem = nullptr;
    StoreContext& context = g_storeFile;
    if (!context.pFirstBlock && !context.pFirstNode) return;
    ClearBlockList(&context);
    ResetNodeIndex(&context);
    ResetNamedPropertyMap(&context);
    context.bbtRootOffset = 0;
    context.nbtRootOffset = 0;
    context.cryptMethod = 0;
    context.formatVersion = 0;
    CloseStoreFile();
}
