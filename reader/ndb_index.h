// The reader context's pools and lookup indexes (internal to the reader).
//
// The block list, the node tree and the named-property map are the linked
// records other code walks; these structures only make finding them fast and
// keep their memory together:
//  - records come from bump pools (no per-record heap block);
//  - blocks: an open-addressing table of entries by stored id, keeping the
//    first entry of an id (what a scan of the block list returns);
//  - nodes: a table of the first linked node of each id, with the later ones
//    of that id chained through NodeEntry::pNextSameId; top-level nodes
//    waiting for a parent are kept by parent id in top-level order.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "reader/ndb.h"
#include "reader/named_props.h"

// A bump allocator for trivially destructible records; chunks grow from 4 KiB
// to 1 MiB.
class RecordPool {
public:
    RecordPool() = default;
    RecordPool(const RecordPool&) = delete;
    RecordPool& operator=(const RecordPool&) = delete;

    void* Allocate(size_t size, size_t alignment);
    template <typename T>
    T* New() {
        return new (Allocate(sizeof(T), alignof(T))) T();
    }
    // Frees every chunk.
    void Clear();
    // Hands every chunk to a process-wide list that is never freed, so that
    // records handed out stay valid after the pool is emptied.
    void Retire();
    size_t BytesReserved() const { return m_reserved; }

private:
    std::vector<std::unique_ptr<uint8_t[]>> m_chunks;
    uint8_t* m_cursor = nullptr;
    size_t m_left = 0;
    size_t m_nextChunk = 4096;
    size_t m_reserved = 0;
};

// Open addressing with linear probing over record pointers; the key is read
// from the record, so a slot costs one pointer.
template <typename Record, uint64_t (*KeyOf)(const Record*)>
class RecordTable {
public:
    // Inserts unless a record with that key is present; returns the record
    // kept for the key.
    Record* InsertFirst(Record* record);
    Record* Find(uint64_t key) const;
    void Clear() {
        std::vector<Record*>().swap(m_slots);
        m_count = 0;
    }
    size_t Count() const { return m_count; }
    size_t BytesReserved() const { return m_slots.capacity() * sizeof(Record*); }

private:
    static size_t Hash(uint64_t key) {
        key ^= key >> 33;
        key *= 0xff51afd7ed558ccdULL;
        key ^= key >> 33;
        return static_cast<size_t>(key);
    }
    void Grow();

    std::vector<Record*> m_slots;
    size_t m_count = 0;
};

inline uint64_t BlockKey(const BbtEntry* entry) { return entry->blockId; }
inline uint64_t NodeKey(const NodeEntry* entry) { return entry->nodeId; }

struct ReaderIndexes {
    // Block list.
    RecordPool blockPool;
    RecordTable<BbtEntry, BlockKey> blocks;
    BbtEntry* indexedFirst = nullptr;  // the list the table was built for
    BbtEntry* indexedLast = nullptr;
    uint64_t blockCount = 0;
    // Leaf entries the block B-tree walk passed over as damaged (after a key
    // out of order, or on a page that does not hold together) but that look
    // like blocks: FindBlock falls back to them for ids the list lacks. Empty
    // on an undamaged store.
    RecordTable<BbtEntry, BlockKey> salvagedBlocks;

    // Node tree.
    RecordPool nodePool;
    RecordTable<NodeEntry, NodeKey> nodes;
    uint64_t nodeCount = 0;
    std::unordered_map<uint64_t, std::vector<NodeEntry*>> waitingByParent;
    // The node LinkNode is linking: it and what it adopted are not yet
    // reachable from the top-level list.
    NodeEntry* pLinking = nullptr;
    // Node B-tree leaf entries the walk passed over as damaged (after a key
    // out of order, or on a page that does not hold together), made into
    // node entries but not linked; and whether the walk met damage at all.
    // Empty and false on an undamaged store.
    std::vector<NodeEntry*> salvagedNodes;
    bool nodeTreeDamaged = false;

    // B-tree pages read in the current tree load (a page is read once).
    std::unordered_set<uint64_t> visitedPages;

    // Named-property map: the first entry of each id, by ascending id.
    RecordPool namedPool;
    std::vector<std::pair<uint32_t, NamedPropEntry*>> namedFirst;
    NamedPropEntry* namedIndexedHead = nullptr;
    bool namedSorted = true;
};

// The context's indexes, made on first use.
ReaderIndexes& GetIndexes(StoreContext* context);

// ---- RecordTable ----------------------------------------------------------

template <typename Record, uint64_t (*KeyOf)(const Record*)>
Record* RecordTable<Record, KeyOf>::InsertFirst(Record* record) {
    if ((m_count + 1) * 4 > m_slots.size() * 3) Grow();
    const size_t mask = m_slots.size() - 1;
    const uint64_t key = KeyOf(record);
    for (size_t i = Hash(key) & mask;; i = (i + 1) & mask) {
        Record* slot = m_slots[i];
        if (!slot) {
            m_slots[i] = record;
            ++m_count;
            return record;
        }
        if (KeyOf(slot) == key) return slot;
    }
}

template <typename Record, uint64_t (*KeyOf)(const Record*)>
Record* RecordTable<Record, KeyOf>::Find(uint64_t key) const {
    if (m_slots.empty()) return nullptr;
    const size_t mask = m_slots.size() - 1;
    for (size_t i = Hash(key) & mask;; i = (i + 1) & mask) {
        Record* slot = m_slots[i];
        if (!slot) return nullptr;
        if (KeyOf(slot) == key) return slot;
    }
}

template <typename Record, uint64_t (*KeyOf)(const Record*)>
void RecordTable<Record, KeyOf>::Grow() {
    std::vector<Record*> old;
    old.swap(m_slots);
    m_slots.assign(old.empty() ? 64 : old.size() * 2, nullptr);
    const size_t mask = m_slots.size() - 1;
    for (Record* record : old) {
        if (!record) continue;
        size_t i = Hash(KeyOf(record)) & mask;
        while (m_slots[i]) i = (i + 1) & mask;
        m_slots[i] = record;
    }
}
