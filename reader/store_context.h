// The reader context: the open store file and every piece of reader state the
// store load builds (block list, node tree, named-property map, header values).
#pragma once
#include <cstdint>

#include "reader/store_file.h"

struct BbtEntry;
struct NodeEntry;
struct NamedPropEntry;
struct ReaderIndexes;

struct StoreContext {
    CFile64 file;
    // Block list, in file order of the block B-tree leaves.
    BbtEntry* pFirstBlock = nullptr;
    BbtEntry* pLastBlock = nullptr;
    // Top-level node list.
    NodeEntry* pFirstNode = nullptr;
    NodeEntry* pLastNode = nullptr;
    // Name-to-id map.
    NamedPropEntry* pFirstNamedProp = nullptr;
    uint64_t bbtRootOffset = 0;
    uint64_t nbtRootOffset = 0;
    int bUnicode = 0;
    uint8_t cryptMethod = 0;
    uint8_t formatVersion = 0;
    uint64_t bbtRootBid = 0;
    uint64_t nbtRootBid = 0;
    // Pools and lookup indexes of the block list, the node tree and the
    // named-property map (reader/ndb_index.h); made on first use.
    ReaderIndexes* pIndexes = nullptr;

    StoreContext() = default;
    // Frees the block list, the node entries and the named-property map.
    ~StoreContext();
};

// The one reader context of the program.
extern StoreContext g_storeFile;
// The version byte that counts as the 8-bit variant (14, or 15 once a
// version-15 header was read).
extern int g_nAnsiVersion;
