// The store's name-to-id map (node 0x61, [MS-PST] 2.4.7): property ids
// 0x8000 and above mapped to a numeric id (LID) or to a name.
#pragma once
#include <cstdint>

#include "reader/store_context.h"

enum NamedPropKind : int32_t { kNamedPropNumeric = 1, kNamedPropString = 2 };

// One record of the map; a list sorted by ascending property id, the
// context's head first. Entries live in a pool of the context: they are not
// freed by the reset (item records may keep their names).
struct NamedPropEntry {
    int32_t kind = 0;         // NamedPropKind
    uint32_t propId = 0;      // 0x8000 + property index
    // kind 1: points to a 32-bit LID; kind 2: to a zero-terminated 8-bit name.
    void* pValue = nullptr;
    NamedPropEntry* pNext = nullptr;
};

// Builds the map from node 0x61; 1 when the entry stream was read, else 0.
int LoadNamedPropertyMap(StoreContext* context);

// The first entry whose id is not below propId, or NULL (the property
// reader's lookup; indexed).
NamedPropEntry* FindNamedPropEntry(StoreContext* context, uint32_t propId);

// The reset's part: the context's map head becomes NULL (entries stay
// allocated).
void ResetNamedPropertyMap(StoreContext* context);
