// Helpers of the saving worker that the exporters share.
#pragma once
#include "framework/framework.h"

#include <cstdint>

#include "reader/ndb.h"

// The first node, depth first from `start` along its sibling chain, whose id
// is the folder id sign-extended to 64 bits; sets g_bNodeFound on a hit.
NodeEntry* FindFolderNodeById(int32_t folderId, NodeEntry* start);

// The whole file in a malloc'd block (its length + 10 bytes, a zero byte
// after the data), the file deleted; null when it cannot be opened or the
// block cannot be had (the file then stays). The caller frees the block.
// `length`, when given, receives the file's length: an RTF body may hold
// zero bytes of its own (binary pictures), so it is not measured up to the
// first zero.
uint8_t* ReadFileAndDelete(const CString& path, uint32_t* length = nullptr);

// The destination text of the saving dialog: the path, or its first 70
// characters and "..." when it is longer.
CString ShownDestination(const CString& pstPath);
