// Recovery of items a damaged node B-tree lost: each folder's contents table
// lists its items by node id, so an item whose node entry the walk passed
// over, or whose parent id was damaged, is placed below the folder that
// lists it.
#pragma once
#include <cstddef>

struct StoreContext;
struct NodeEntry;

// Runs only when the node B-tree load met damage or left messages without a
// parent; on an undamaged store it changes nothing. The number of nodes
// placed below a folder. File errors raise StoreFileException.
size_t RecoverListedItems(StoreContext* context);

// The top folder of a store whose message store record cannot be read (its
// block damaged): of the root folder's sub-folders, the one with the most
// folders below it, where the mail folders are. Null without a root folder
// that has sub-folders.
NodeEntry* FindTopFolderWithoutStore(StoreContext* context);
