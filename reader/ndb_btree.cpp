// Reading the block and node B-trees ([MS-PST] 2.2.2.7.7) page by page into
// the block list and the node tree, with the load's progress and status.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <vector>

#include "format/bytes.h"
#include "format/layout.h"
#include "reader/ndb.h"
#include "reader/ndb_index.h"
#include "reader/reader_observer.h"

int g_nStringMode = 1;

namespace {

enum class Tree { Block, Node };

// Deeper than any real tree (a 20-way tree of this depth holds more pages
// than a file can): a page chain that deep is damage, not data.
constexpr int kMaxPageDepth = 16;

constexpr uint64_t kAllOnes = ~uint64_t(0);

// Where the fields of a B-tree page are, by variant.
struct PageLayout {
    size_t entryCountAt;
    size_t levelAt;
    size_t trailerBidAt;
    size_t entrySize;       // intermediate and block leaf entries
    size_t nodeEntrySize;   // node leaf entries
    int maxIntermediate;
    int maxBlockLeaf;
    int maxNodeLeaf;
    bool wide;              // 64-bit ids
};

const PageLayout kAnsiPage = {fmt::ansi::kBtPage_cEnt, fmt::ansi::kBtPage_cLevel, fmt::ansi::kPageTrailer_bid,
                              fmt::ansi::kBtEntrySize, fmt::ansi::kNbtEntrySize,
                              fmt::ansi::kMaxIntermediateEntries, fmt::ansi::kMaxBbtLeafEntries,
                              fmt::ansi::kMaxNbtLeafEntries, false};
const PageLayout kUnicodePage = {fmt::unicode::kBtPage_cEnt, fmt::unicode::kBtPage_cLevel,
                                 fmt::unicode::kPageTrailer_bid, fmt::unicode::kBtEntrySize,
                                 fmt::unicode::kNbtEntrySize, fmt::unicode::kMaxIntermediateEntries,
                                 fmt::unicode::kMaxBbtLeafEntries, fmt::unicode::kMaxNbtLeafEntries, true};

uint64_t LoadId(const uint8_t* p, bool wide) { return wide ? fmt::LoadLe64(p) : fmt::LoadLe32(p); }

// File offsets of the 64-bit variant fit in 40 bits, as the header's root
// offsets are read: higher bits set in an entry's offset are damage, and the
// offset the low bits give is tried (the page's trailer or the block's
// contents still decide whether it is right).
uint64_t FileOffset(uint64_t stored) { return stored >> 40 ? stored & ((uint64_t(1) << 40) - 1) : stored; }

// Pages lie on 512-byte boundaries: the low bits of a page offset that does
// not are damage, and the boundary below is tried.
uint64_t PageOffset(uint64_t stored) { return FileOffset(stored) & ~uint64_t(fmt::kPageSize - 1); }

// The read size follows the version byte; every other choice the Unicode flag.
size_t PageReadSize(const StoreContext* context) {
    if (context->formatVersion == g_nAnsiVersion) return fmt::kPageReadSizeAnsi;
    if (context->formatVersion == fmt::kVersionUnicode) return fmt::kPageReadSizeUnicode;
    return 0;
}

// The root's progress weight: 24-byte steps from the start of the page while
// the step's first byte is non-zero (the same step in both variants).
int CountProgressSteps(const std::vector<uint8_t>& page, size_t readSize) {
    int steps = 0;
    for (size_t at = 0; at < readSize && page[at] != 0; at += 24) ++steps;
    return steps;
}

void ReportProgress(int numerator, int steps) {
    if (steps <= 0) return;
    const int position = static_cast<int>(100LL * numerator / steps);
    GetReaderObserver().SetLoadProgress(std::min(100, std::max(0, position)));
}

// The key checks of both trees: below the upper key, not below the previous
// key, and the first key equal to a non-zero lower key.
bool KeyInOrder(uint64_t key, int entry, uint64_t previousKey, uint64_t lowerKey, uint64_t upperKey) {
    if (key >= upperKey || key < previousKey) return false;
    if (entry == 0 && lowerKey != 0 && key != lowerKey) return false;
    return true;
}

// The level a child page must have is unknown at the root.
constexpr int kAnyLevel = -1;

int ReadTreePage(StoreContext* context, Tree tree, uint64_t pageOffset, int depth,
                 uint64_t expectedBlockId, uint64_t lowerKey, uint64_t upperKey, bool exactLower,
                 int expectedLevel);

// One page read into memory with the key range its parent gave it.
struct Page {
    StoreContext* context;
    Tree tree;
    const PageLayout& layout;
    const std::vector<uint8_t>& bytes;
    int count;
    int depth;
    int level;
    uint64_t lowerKey;
    uint64_t upperKey;
    // False below an entry whose key was damaged: the first key need not
    // equal the lower key, only not lie below it.
    bool exactLower;
    uint64_t CheckedLower() const { return exactLower ? lowerKey : 0; }
    const uint8_t* Entry(int i, size_t size) const { return bytes.data() + i * size; }
    uint64_t Id(const uint8_t* at) const { return LoadId(at, layout.wide); }
    size_t IdSize() const { return layout.wide ? 8 : 4; }
};

// The entries of an intermediate page whose keys are not all in order: the
// longest run of keys that are in order is taken as sound (marked true), the
// others as damaged. Only the entries before a zero key count.
std::vector<bool> SoundKeys(const std::vector<uint64_t>& keys, const Page& page) {
    const size_t n = keys.size();
    std::vector<int> length(n, 0), before(n, -1);
    int best = -1;
    for (size_t i = 0; i < n; ++i) {
        const uint64_t key = keys[i];
        if (key < page.lowerKey || key >= page.upperKey) continue;
        if (i == 0 && page.CheckedLower() != 0 && key != page.lowerKey) continue;
        length[i] = 1;
        for (size_t j = 0; j < i; ++j) {
            if (length[j] > 0 && keys[j] < key && length[j] + 1 > length[i]) {
                length[i] = length[j] + 1;
                before[i] = static_cast<int>(j);
            }
        }
        if (best < 0 || length[i] > length[best]) best = static_cast<int>(i);
    }
    std::vector<bool> sound(n, false);
    for (int i = best; i >= 0; i = before[i]) sound[i] = true;
    return sound;
}

// Intermediate page: every child page in key order, with the root's progress.
// When a key is out of order (a damaged entry), the sound keys bound the
// children: a damaged entry's child is still read, with the keys between its
// sound neighbours, so that one damaged key loses no page.
int ReadChildPages(const Page& page, size_t readSize) {
    const bool reportsProgress = page.depth == 0;
    const int steps = reportsProgress ? CountProgressSteps(page.bytes, readSize) : 0;
    const size_t size = page.layout.entrySize;
    std::vector<uint64_t> keys;
    bool ordered = true;
    for (int i = 0; i < page.count; ++i) {
        const uint64_t key = page.Id(page.Entry(i, size));
        if (key == 0) break;
        if (ordered && !KeyInOrder(key, i, keys.empty() ? page.lowerKey : keys.back(), page.CheckedLower(),
                                   page.upperKey))
            ordered = false;
        keys.push_back(key);
    }
    const std::vector<bool> sound = ordered ? std::vector<bool>(keys.size(), true) : SoundKeys(keys, page);
    uint64_t previousSound = page.lowerKey;
    bool anySound = false;
    int childrenRead = 0;
    for (size_t i = 0; i < keys.size(); ++i) {
        const uint8_t* entry = page.Entry(static_cast<int>(i), size);
        uint64_t childUpper = page.upperKey;
        if (ordered) {
            // As stored: the next entry's key, even a zero one.
            if (static_cast<int>(i) + 1 < page.count) childUpper = page.Id(entry + size);
        } else {
            for (size_t j = i + 1; j < keys.size(); ++j) {
                if (sound[j]) {
                    childUpper = keys[j];
                    break;
                }
            }
        }
        const uint64_t childBid = page.Id(entry + page.IdSize());
        const uint64_t childOffset = PageOffset(page.Id(entry + 2 * page.IdSize()));
        int read = 0;
        if (sound[i]) {
            read = ReadTreePage(page.context, page.tree, childOffset, page.depth + 1, childBid, keys[i], childUpper,
                                true, page.level - 1);
            previousSound = keys[i];
            anySound = true;
        } else {
            const uint64_t childLower = anySound ? previousSound + 1 : page.lowerKey;
            read = ReadTreePage(page.context, page.tree, childOffset, page.depth + 1, childBid, childLower,
                                childUpper, false, page.level - 1);
        }
        // Nodes of a page that failed may be listed by their folders.
        if (read < 0 && page.tree == Tree::Node) GetIndexes(page.context).nodeTreeDamaged = true;
        ++childrenRead;
        if (reportsProgress) ReportProgress(childrenRead, steps);
    }
    if (reportsProgress && page.tree == Tree::Block) ReportProgress(childrenRead + 1, steps);
    return 0;
}

// The entries of a block B-tree leaf from the first, that the walk passes
// over, kept aside where they look like blocks (FindBlock falls back to them).
void SalvageBlockEntries(const Page& page, int first) {
    for (int i = first; i < page.count; ++i) {
        const uint8_t* entry = page.Entry(i, page.layout.entrySize);
        const uint64_t offset = FileOffset(page.Id(entry + page.IdSize()));
        const uint16_t byteCount = fmt::LoadLe16(entry + 2 * page.IdSize());
        if (offset % fmt::kBlockAlignment != 0 || byteCount == 0 || byteCount > fmt::kMaxBlockSize) continue;
        SalvageBlock(page.context, page.Id(entry), offset, byteCount);
    }
}

// Block B-tree leaf: entries appended to the block list up to a zero id.
int ReadBlockLeaf(const Page& page) {
    uint64_t previousKey = page.lowerKey;
    for (int i = 0; i < page.count; ++i) {
        const uint8_t* entry = page.Entry(i, page.layout.entrySize);
        const uint64_t blockId = page.Id(entry);
        if (blockId == 0) return 0;
        if (!KeyInOrder(blockId, i, previousKey, page.CheckedLower(), page.upperKey)) {
            SalvageBlockEntries(page, i);
            return -1;
        }
        const uint64_t offset = FileOffset(page.Id(entry + page.IdSize()));
        const uint16_t byteCount = fmt::LoadLe16(entry + 2 * page.IdSize());
        AppendBlock(page.context, blockId, offset, byteCount);
        previousKey = blockId;
    }
    return 0;
}

NodeEntry* NodeFromEntry(const Page& page, const uint8_t* entry) {
    const size_t idSize = page.IdSize();
    NodeEntry* node = NewNodeEntry(page.context);
    node->nodeId = page.Id(entry);
    node->pDataBlock = FindBlock(page.context, page.Id(entry + idSize));
    node->pSubnodeBlock = FindBlock(page.context, page.Id(entry + 2 * idSize));
    node->parentId = fmt::LoadLe32(entry + 3 * idSize);
    return node;
}

// The entries of a node B-tree leaf from the first, that the walk passes
// over: kept aside, unlinked, for the folders whose contents tables list them.
void SalvageNodeEntries(const Page& page, int first) {
    ReaderIndexes& index = GetIndexes(page.context);
    index.nodeTreeDamaged = true;
    for (int i = first; i < page.count; ++i) {
        const uint8_t* entry = page.Entry(i, page.layout.nodeEntrySize);
        if (page.Id(entry) == 0) continue;
        NodeEntry* node = NodeFromEntry(page, entry);
        if (node->pDataBlock) index.salvagedNodes.push_back(node);
    }
}

// Node B-tree leaf: every entry becomes a node linked into the tree.
int ReadNodeLeaf(const Page& page) {
    uint64_t previousKey = page.lowerKey;
    const size_t idSize = page.IdSize();
    for (int i = 0; i < page.count; ++i) {
        const uint8_t* entry = page.Entry(i, page.layout.nodeEntrySize);
        const uint64_t nodeId = page.Id(entry);
        if (!KeyInOrder(nodeId, i, previousKey, page.CheckedLower(), page.upperKey)) {
            SalvageNodeEntries(page, i);
            return -1;
        }
        NodeEntry* node = NewNodeEntry(page.context);
        node->nodeId = nodeId;
        const uint64_t dataId = page.Id(entry + idSize);
        const uint64_t subnodeId = page.Id(entry + 2 * idSize);
        node->pDataBlock = FindBlock(page.context, dataId);
        node->pSubnodeBlock = FindBlock(page.context, subnodeId);
        if (dataId != 0 && !node->pDataBlock) node->nMissingBlocks |= kDataBlockMissing;
        if (subnodeId != 0 && !node->pSubnodeBlock) node->nMissingBlocks |= kSubnodeBlockMissing;
        node->parentId = fmt::LoadLe32(entry + 3 * idSize);
        LinkNode(page.context, node);
        previousKey = nodeId;
    }
    return 0;
}

// A page whose trailer does not name the id its parent gave is still read
// when everything in it holds together: the page type, the entry size, the
// level its parent implies, and every entry's key in order within the
// parent's range, with offsets where pages and blocks can lie. Damage to the
// trailer (or to the id in the parent) then loses nothing; a page of other
// bytes fails these checks.
bool IsSoundPage(const Page& page, const std::vector<uint8_t>& bytes, int expectedLevel) {
    const PageLayout& layout = page.layout;
    const bool leaf = page.level == 0;
    const size_t entrySize = leaf && page.tree == Tree::Node ? layout.nodeEntrySize : layout.entrySize;
    const uint8_t pageType = page.tree == Tree::Block ? fmt::kPageBbt : fmt::kPageNbt;
    const size_t trailer = layout.wide ? fmt::unicode::kPageTrailer : fmt::ansi::kPageTrailer;
    const size_t entrySizeAt = layout.wide ? fmt::unicode::kBtPage_cbEnt : fmt::ansi::kBtPage_cbEnt;
    if (page.count < 1) return false;
    if (bytes[trailer] != pageType && bytes[trailer + 1] != pageType) return false;
    if (bytes[entrySizeAt] != entrySize) return false;
    if (expectedLevel == kAnyLevel ? page.level > kMaxPageDepth : page.level != expectedLevel) return false;
    uint64_t previousKey = page.lowerKey;
    for (int i = 0; i < page.count; ++i) {
        const uint8_t* entry = page.Entry(i, entrySize);
        const uint64_t key = page.Id(entry);
        if (key == 0 || !KeyInOrder(key, i, previousKey, page.CheckedLower(), page.upperKey)) return false;
        if (i > 0 && key == previousKey) return false;
        previousKey = key;
        if (leaf && page.tree == Tree::Node) continue;
        const uint64_t offset = page.Id(entry + page.IdSize());
        if (!leaf) {
            const uint64_t childOffset = page.Id(entry + 2 * page.IdSize());
            if (childOffset == 0 || childOffset % fmt::kPageSize != 0) return false;
        } else if (offset % fmt::kBlockAlignment != 0 ||
                   fmt::LoadLe16(entry + 2 * page.IdSize()) > fmt::kMaxBlockSize) {
            return false;
        }
    }
    return true;
}

int ReadTreePage(StoreContext* context, Tree tree, uint64_t pageOffset, int depth,
                 uint64_t expectedBlockId, uint64_t lowerKey, uint64_t upperKey, bool exactLower,
                 int expectedLevel) {
    if (!context) return -1;
    const PageLayout& layout = context->bUnicode ? kUnicodePage : kAnsiPage;
    if (tree == Tree::Block) g_nStringMode = context->bUnicode ? 2 : 1;
    if (lowerKey >= upperKey) return -1;
    if (tree == Tree::Node) {
        wchar_t status[64];
        std::swprintf(status, 64, L"Reading Block %lu", static_cast<unsigned long>(pageOffset & 0xFFFFFFFFu));
        GetReaderObserver().SetLoadStatus(status);
    }

    // A page is read once per tree load and never deeper than any real tree:
    // a page that points back up, or a page named twice, is skipped.
    ReaderIndexes& index = GetIndexes(context);
    if (depth == 0) index.visitedPages.clear();
    if (depth > kMaxPageDepth || !index.visitedPages.insert(pageOffset).second) return -1;

    const size_t readSize = PageReadSize(context);
    if (readSize == 0) return -1;
    std::vector<uint8_t> bytes(readSize + 1, 0);
    if (context->file.ReadAt(pageOffset, bytes.data(), static_cast<uint32_t>(readSize)) < readSize) return -1;

    const uint64_t trailerBid = LoadId(bytes.data() + layout.trailerBidAt, layout.wide);
    const int count = static_cast<int8_t>(bytes[layout.entryCountAt]);
    const int level = bytes[layout.levelAt];
    const bool leaf = level == 0;
    const int limit = !leaf ? layout.maxIntermediate
                            : (tree == Tree::Block ? layout.maxBlockLeaf : layout.maxNodeLeaf);
    if (count > limit) return -1;
    const Page page = {context, tree, layout, bytes, count, depth, level, lowerKey, upperKey, exactLower};
    if (trailerBid != expectedBlockId && !IsSoundPage(page, bytes, expectedLevel)) {
        if (tree == Tree::Block && leaf) SalvageBlockEntries(page, 0);
        if (tree == Tree::Node) {
            GetIndexes(context).nodeTreeDamaged = true;
            if (leaf && count >= 1) SalvageNodeEntries(page, 0);
        }
        return -1;
    }
    if (count < 1) return 0;

    if (!leaf) return ReadChildPages(page, readSize);
    return tree == Tree::Block ? ReadBlockLeaf(page) : ReadNodeLeaf(page);
}

}  // namespace

int ReadBlockTreePage(StoreContext* context, uint64_t pageOffset, int depth, uint64_t expectedBlockId,
                      uint64_t lowerKey, uint64_t upperKey) {
    return ReadTreePage(context, Tree::Block, pageOffset, depth, expectedBlockId, lowerKey, upperKey, true, kAnyLevel);
}

int ReadNodeTreePage(StoreContext* context, uint64_t pageOffset, int depth, uint64_t expectedBlockId,
                     uint64_t lowerKey, uint64_t upperKey) {
    return ReadTreePage(context, Tree::Node, pageOffset, depth, expectedBlockId, lowerKey, upperKey, true, kAnyLevel);
}

int LoadBTrees(StoreContext* context) {
    if (!context) return -1;
    ReadBlockTreePage(context, context->bbtRootOffset, 0, context->bbtRootBid, 0, kAllOnes);
    ReaderObserver& observer = GetReaderObserver();
    observer.Pause(1000);
    observer.SetLoadProgress(100);
    observer.Pause(1000);
    observer.SetLoadProgress(10);
    if (ReadNodeTreePage(context, context->nbtRootOffset, 0, context->nbtRootBid, fmt::kNidMessageStore, kAllOnes) < 0)
        GetIndexes(context).nodeTreeDamaged = true;
    GetIndexes(context).visitedPages.clear();
    return 0;
}
