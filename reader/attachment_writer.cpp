#include "reader/attachment_writer.h"

#include "reader/ndb.h"
#include "reader/ndb_block.h"

uint64_t WriteAttachmentToFile(StoreContext& context, FILE* file, const AttachmentNode* attachment) {
    if (!file || !attachment) return 0;
    if (attachment->pData) {
        const size_t size = static_cast<size_t>(attachment->cbData);
        return std::fwrite(attachment->pData, 1, size, file);
    }
    if (attachment->bidData == ~uint64_t{0}) return 0;
    BbtEntry* block = FindBlock(&context, attachment->bidData);
    if (!block) return 0;
    DataSink sink;
    sink.pFile = file;
    return ReadBlockToSink(block, &context, sink);
}

uint64_t WriteAttachmentToFile(FILE* file, const AttachmentNode* attachment) {
    return WriteAttachmentToFile(g_storeFile, file, attachment);
}

uint64_t AttachmentDataSize(StoreContext& context, const AttachmentNode* attachment) {
    if (!attachment) return 0;
    if (attachment->pData) return attachment->cbData;
    if (attachment->bidData == ~uint64_t{0}) return 0;
    BbtEntry* block = FindBlock(&context, attachment->bidData);
    if (!block) return 0;
    return BlockDataSize(block, &context);
}
