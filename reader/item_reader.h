// Reading one node of the node tree into a new item record: its property
// context, recipient table, attachment table and every attachment's own
// property context. The only way the program reads store content after the
// load. One reader at a time: all readers share the store file.
#pragma once
#include <cstdint>

#include "format/layout.h"
#include "reader/item_record.h"

struct StoreContext;
struct NodeEntry;
struct SubnodeEntry;

// Subnodes of an item ([MS-PST] 2.4.4.2 and 2.4.6.1).
constexpr uint32_t kRecipientTableNid = fmt::kSubnidRecipientTable;
constexpr uint32_t kAttachmentTableNid = fmt::kSubnidAttachmentTable;
// The top folder when the message store names no IPM subtree.
constexpr uint32_t kDefaultTopFolderNid = 0x2142;

// A node's type by its id: a folder (normal or search) or a message (normal
// or associated). A message node is never read as a folder.
bool IsFolderNid(uint64_t nid);
bool IsMessageNid(uint64_t nid);

// A new record (freed by the caller with FreeItemRecord), or null for a node
// without a data block or without a readable property context. File errors
// raise StoreFileException.
ItemRecord* ReadItemRecord(StoreContext& context, NodeEntry* node);

// The top folder named by the message store's IPM subtree entry id (0x2142
// without one); a stub node of that id is linked at top level when the tree
// lacks it. Null for a record without a store sub-record.
NodeEntry* FindTopFolder(const ItemRecord* storeRecord, StoreContext& context);

// A deep copy of a subnode map; the data block entries are shared with the
// reader context. Null for null. Freed with FreeSubnodeMap.
SubnodeEntry* CopySubnodeMap(const SubnodeEntry* map);
