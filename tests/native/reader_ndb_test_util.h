// Helpers of the reader core's tests: a store loaded from bytes (a copy in
// the temporary folder, so that parallel tests never share an exclusively
// opened sample), an observer that records what the reader reports, and the
// plain scans the indexed lookups must agree with.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "reader/ndb.h"
#include "reader/reader_observer.h"
#include "support/temp_file.h"

namespace reader_test {

class RecordingObserver : public ReaderObserver {
public:
    RecordingObserver() { SetReaderObserver(this); }
    ~RecordingObserver() override { SetReaderObserver(nullptr); }
    void Pause(unsigned milliseconds) override { pauses.push_back(milliseconds); }
    void SetLoadProgress(int position) override { progress.push_back(position); }
    void SetLoadStatus(const wchar_t* text) override { lastStatus = text; ++statusCount; }
    bool WantBodies() override { return wantBodies; }
    bool IsDisplayBusy() override { return displayBusy; }
    void SetReadProgressRange(int maximum) override { ranges.push_back(maximum); }
    void SetReadProgressPos(int position) override { positions.push_back(position); }

    std::vector<unsigned> pauses;
    std::vector<int> progress;
    std::wstring lastStatus;
    int statusCount = 0;
    bool wantBodies = false;
    bool displayBusy = false;
    std::vector<int> ranges;
    std::vector<int> positions;
};

// A store file opened from bytes; the file goes with the object.
struct OpenedStore {
    std::unique_ptr<testing_support::TempFile> file;
    std::unique_ptr<StoreContext> context;
    StoreContext* operator->() { return context.get(); }
    StoreContext* get() { return context.get(); }
};

inline OpenedStore OpenStoreBytes(const std::vector<uint8_t>& bytes, bool loadTrees = true) {
    OpenedStore store;
    store.file.reset(new testing_support::TempFile(bytes, ".pst"));
    store.context.reset(new StoreContext());
    if (CFile64::OpenStore(store.context.get(), store.file->wpath()) != 0) store.context.reset();
    if (store.context && loadTrees) LoadBTrees(store.context.get());
    return store;
}

inline OpenedStore OpenSample(const std::string& name, bool loadTrees = true) {
    return OpenStoreBytes(testing_support::ReadWholeFile(testing_support::SamplePath(name)), loadTrees);
}

// What a scan of the block list in file order returns.
inline BbtEntry* ScanForBlock(StoreContext* context, uint64_t blockId) {
    const uint64_t key = blockId & ~uint64_t(1);
    if (key == 0) return nullptr;
    for (BbtEntry* b = context->pFirstBlock; b; b = b->pNext)
        if (b->blockId == key) return b;
    return nullptr;
}

// The depth-first, parent-before-children walk of the top-level list.
template <typename Visit>
void WalkNodes(StoreContext* context, Visit visit) {
    NodeEntry* n = context->pFirstNode;
    while (n) {
        if (!visit(n)) return;
        if (n->pFirstChild) {
            n = n->pFirstChild;
            continue;
        }
        while (n && !n->pNextSibling) n = n->pParent;
        if (n) n = n->pNextSibling;
    }
}

inline NodeEntry* ScanForNode(StoreContext* context, uint64_t nodeId) {
    NodeEntry* found = nullptr;
    WalkNodes(context, [&](NodeEntry* n) {
        if (n->nodeId == nodeId) found = n;
        return found == nullptr;
    });
    return found;
}

inline std::vector<uint64_t> WalkOrder(StoreContext* context) {
    std::vector<uint64_t> ids;
    WalkNodes(context, [&](NodeEntry* n) {
        ids.push_back(n->nodeId);
        return true;
    });
    return ids;
}

inline std::vector<uint64_t> ChildIds(const NodeEntry* parent) {
    std::vector<uint64_t> ids;
    for (const NodeEntry* c = parent->pFirstChild; c; c = c->pNextSibling) ids.push_back(c->nodeId);
    return ids;
}

inline std::vector<uint64_t> TopLevelIds(StoreContext* context) {
    std::vector<uint64_t> ids;
    for (const NodeEntry* c = context->pFirstNode; c; c = c->pNextSibling) ids.push_back(c->nodeId);
    return ids;
}

}  // namespace reader_test
