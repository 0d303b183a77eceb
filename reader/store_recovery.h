// Recovery of items a damaged node B-tree lost: each folder's contents table
// lists its items by node id, so an item whose node entry the walk passed
// over, or whose parent id was damaged, is placed below the folder that
// lists it.
#pragma once
#include <cstddef>

struct StoreContext;

// Runs only when the node B-tree load met damage or left messages without a
// parent; on an undamaged store it changes nothing. The number of nodes
// placed below a folder. File errors raise StoreFileException.
size_t RecoverListedItems(StoreContext* context);
