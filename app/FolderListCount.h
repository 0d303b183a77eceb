// How many items a folder lists (portable: the native tests check it on
// every sample store).
#pragma once
#include <cstdint>

#include "reader/item_record.h"
#include "reader/ndb.h"

// Node type of a normal message in the low 5 bits of its node id ([MS-PST] 2.2.2.1).
constexpr uint64_t kNormalMessageNodeType = 0x04;

// The message nodes that the node tree holds for a folder.
inline int CountMessageNodes(const NodeEntry* folderNode) {
    int count = 0;
    for (const NodeEntry* c = folderNode != nullptr ? folderNode->pFirstChild : nullptr; c != nullptr;
         c = c->pNextSibling) {
        if ((c->nodeId & 0x1F) == kNormalMessageNodeType) ++count;
    }
    return count;
}

// The folder's stored content count, or, where that count is 0 or missing,
// the message nodes the node tree holds for it: a stored count that hides
// existing items must not lose them.
inline int FolderListCount(const FolderCounts* counts, const NodeEntry* folderNode) {
    if (counts != nullptr && counts->nContentCount > 0) return counts->nContentCount;
    return CountMessageNodes(folderNode);
}
