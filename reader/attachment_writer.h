// Copies an attachment's bytes into an open file: from memory when its data
// was read with the item, else streamed from the store (a data block or a
// data tree), for the attachment files of the export.
#pragma once
#include <cstdint>
#include <cstdio>

#include "reader/item_record.h"

struct StoreContext;

// The number of bytes written; 0 when nothing could be read. File errors of
// the store raise StoreFileException.
uint64_t WriteAttachmentToFile(FILE* file, const AttachmentNode* attachment);
uint64_t WriteAttachmentToFile(StoreContext& context, FILE* file, const AttachmentNode* attachment);

// The number of bytes WriteAttachmentToFile would write, found without
// copying them (a data tree's data blocks are not read). File errors of the
// store raise StoreFileException.
uint64_t AttachmentDataSize(StoreContext& context, const AttachmentNode* attachment);
