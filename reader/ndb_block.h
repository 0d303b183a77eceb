// Block contents ([MS-PST] 2.2.2.8): one block by id, its decoding, data
// trees (XBLOCK, XXBLOCK) streamed into a sink, and subnode maps (SLBLOCK).
#pragma once
#include <cstdint>
#include <cstdio>
#include <vector>

#include "reader/ndb.h"

// One entry of a node's subnode map; a map is a singly linked list in file
// order. Freed with FreeSubnodeMap.
struct SubnodeEntry {
    uint32_t subnodeId = 0;            // low 32 bits of the stored id
    BbtEntry* pDataBlock = nullptr;    // never NULL
    SubnodeEntry* pNested = nullptr;   // the subnode's own map, or NULL
    SubnodeEntry* pNext = nullptr;
};

// Where a streamed read delivers its bytes: a growable byte vector or an
// open stdio file (at most one of the two is set).
//  - vector: after each write the vector's size is the number of bytes
//    delivered (position + length); a data tree that fails is taken back
//    to its start position. The caller owns the vector.
//  - file: bytes are written one after the other at the file's position.
//  - neither: the blocks are read (their trailers checked where a
//    DamagedBlockCount lives) and their bytes dropped undecoded; the result
//    is the count that would have been delivered.
struct DataSink {
    std::vector<uint8_t>* pVector = nullptr;
    FILE* pFile = nullptr;
    bool Delivers() const { return pVector != nullptr || pFile != nullptr; }
};

// The most bytes a vector sink accepts; a read that would grow it further
// ends with 0 (a damaged data tree cannot make an unbounded allocation).
extern uint64_t g_nVectorSinkLimit;

// Reads a block's bytes into buffer (resized to the bytes read); 0 for id 0
// or an id not in the block list (buffer untouched). Does not decode.
uint64_t ReadBlock(StoreContext* context, uint64_t blockId, std::vector<uint8_t>& buffer);
// The same for a block-list entry already found.
uint64_t ReadBlockEntry(StoreContext* context, const BbtEntry* entry, std::vector<uint8_t>& buffer);

// Counts, while it lives, the blocks this thread reads whose trailer does not
// vouch for their bytes (a stored CRC that does not match them, or another
// byte count), each block once. The reads still return the bytes as found.
// What an inner count finds is the outer one's too.
class DamagedBlockCount {
public:
    DamagedBlockCount();
    ~DamagedBlockCount();
    DamagedBlockCount(const DamagedBlockCount&) = delete;
    DamagedBlockCount& operator=(const DamagedBlockCount&) = delete;
    int32_t Count() const;

private:
    std::vector<uint64_t> m_blocks;   // ids, bit 0 cleared
    std::vector<uint64_t>* m_previous;
};

// Reads the given blocks ahead, neighbours in the file joined into one read
// each; ReadBlock on this thread then takes them from memory until the next
// read-ahead or DropReadAhead, which frees them (call it before the thread
// ends). Blocks that lie alone, or are large, are
// left to ReadBlock. What ReadBlock returns is unchanged.
void ReadBlocksAhead(StoreContext* context, const std::vector<const BbtEntry*>& blocks);
// The same for the data blocks of a subnode map (nested maps included) and
// one more block (a node's own data block, or NULL).
void ReadSubnodeBlocksAhead(StoreContext* context, const SubnodeEntry* map, const BbtEntry* also);
void DropReadAhead();

// Decodes in place: 1 permutation, 2 cyclic (key = low 32 bits of the block
// id); 0, or -1 for another method (buffer unchanged).
int DecodeBlock(uint8_t cryptMethod, uint8_t* buffer, uint32_t key, uint64_t length);

// The map of an SLBLOCK (nested maps included), or of an SIBLOCK (its
// SLBLOCKs' maps in order), or NULL. Any other block gives NULL.
SubnodeEntry* ReadSubnodeMap(StoreContext* context, BbtEntry* subnodeBlock);
// The same, adding to *lostEntries the parts of the map a damaged store keeps
// from being read: a map block that cannot be read or is not a map, an entry
// or nested map whose block the block list lacks.
SubnodeEntry* ReadSubnodeMap(StoreContext* context, BbtEntry* subnodeBlock, int32_t* lostEntries);
// True when every block of a block's data can be found: the block itself
// and, for a data tree, every block the tree names. Reads only the tree's
// internal blocks.
bool IsBlockDataComplete(StoreContext* context, BbtEntry* dataBlock);
// Depth first (entry, its nested map, next entry): the first entry with that
// id, or NULL.
SubnodeEntry* FindSubnode(SubnodeEntry* map, uint32_t subnodeId);
// The subnode's data streamed into the sink; 0 when it is not in the map.
uint64_t ReadSubnodeData(SubnodeEntry* map, StoreContext* context, uint32_t subnodeId,
                         const DataSink& sink);
// A block's data (a data tree for an internal block, else the decoded block)
// streamed into the sink from position 0; the bytes delivered.
uint64_t ReadBlockToSink(BbtEntry* dataBlock, StoreContext* context, const DataSink& sink);
// A data tree streamed into the sink from position; the final position, or
// 0 when any block of the tree cannot be read.
uint64_t ReadDataTreeToSink(StoreContext* context, uint64_t blockId, const DataSink& sink,
                            uint64_t position);
// The bytes ReadBlockToSink would deliver for the block, found without
// reading or decoding the data blocks of a data tree (only its XBLOCK and
// XXBLOCK pages are read): 0 where that read would fail.
uint64_t BlockDataSize(BbtEntry* dataBlock, StoreContext* context);
// Writes length bytes at position (vector) or after the previous bytes
// (file); position + length, or 0 when the vector cannot hold them.
uint64_t WriteToSink(const DataSink& sink, uint64_t position, const uint8_t* buffer,
                     uint64_t length);
// Frees every entry of a map and its nested maps.
void FreeSubnodeMap(SubnodeEntry* map);
