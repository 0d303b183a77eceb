// An attachment's size measured without copying its bytes must be what
// writing it out gives, for every place its data may lie (the heap, a
// subnode, a data tree of one or two levels) and on damaged stores.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "reader/attachment_writer.h"
#include "reader/item_reader.h"
#include "reader/ndb.h"
#include "reader_item_test_support.h"
#include "support/temp_file.h"
#include "writer/store_builder.h"

using item_test::LoadedStore;
using item_test::ScopedInstallFolder;
using testing_support::TempFile;

namespace {

uint64_t WrittenSize(const AttachmentNode* a) {
    FILE* f = testing_support::OpenScratchFile();
    EXPECT_NE(f, nullptr);
    uint64_t n = 0;
    try {
        n = WriteAttachmentToFile(f, a);
    } catch (const StoreFileException&) {
        n = 0;
    }
    std::fclose(f);
    return n;
}

uint64_t MeasuredSize(const AttachmentNode* a) {
    try {
        return AttachmentDataSize(g_storeFile, a);
    } catch (const StoreFileException&) {
        return 0;
    }
}

// Every attachment of every item of the loaded store: measured == written,
// and a named attachment that writes nothing says it could not be read (the
// save counts it). Returns the number of attachments compared.
int CompareEveryAttachment() {
    int compared = 0;
    for (const folder& f : g_listFolders) {
        NodeEntry* node = FindNode(&g_storeFile, f.nNodeId);
        for (NodeEntry* child = node ? node->pFirstChild : nullptr; child; child = child->pNextSibling) {
            ItemRecord* r = nullptr;
            try {
                r = ReadItemRecord(g_storeFile, child);
            } catch (const StoreFileException&) {
                continue;
            }
            if (!r) continue;
            for (const AttachmentNode* a = r->pAttachments; a; a = a->pNext) {
                const uint64_t written = WrittenSize(a);
                EXPECT_EQ(MeasuredSize(a), written) << "node " << child->nodeId;
                if (a->txAttachLongFilename.pData && written == 0)
                    EXPECT_TRUE(a->bUnreadable) << "node " << child->nodeId;
                ++compared;
            }
            FreeItemRecord(r);
        }
    }
    return compared;
}

std::vector<uint8_t> StoreWithEveryKindOfAttachment(writer::Variant variant, uint8_t crypt) {
    writer::StoreOptions options;
    options.variant = variant;
    options.cryptMethod = crypt;
    writer::StoreBuilder b(options);
    const uint32_t folder = b.AddFolder(b.IpmSubtree(), u"Mail", "IPF.Note");
    writer::Message& m = b.AddMessage(folder, "IPM.Note");
    m.SetSubject(u"Sizes");
    // The heap, a subnode, a one-level data tree, and (Unicode) a tree of
    // XBLOCKs under an XXBLOCK.
    const size_t sizes[] = {100, 7001, 300001, variant == writer::Variant::Unicode ? size_t(9) << 20 : 0};
    for (size_t size : sizes) {
        if (!size) continue;
        std::vector<uint8_t> bytes(size);
        for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 13 + (i >> 11));
        m.AddAttachment(u"file" + writer::Utf16FromAscii(std::to_string(size)), bytes);
    }
    return b.WriteMemory();
}

TEST(ReaderAttachmentSize, MeasuredSizeIsTheWrittenSizeWhereverTheDataLies) {
    ScopedInstallFolder install;
    for (const auto& v : {std::make_pair(writer::Variant::Unicode, uint8_t(1)),
                          std::make_pair(writer::Variant::Unicode, uint8_t(2)),
                          std::make_pair(writer::Variant::Ansi, uint8_t(1))}) {
        SCOPED_TRACE(static_cast<int>(v.second));
        TempFile file(StoreWithEveryKindOfAttachment(v.first, v.second), ".pst");
        LoadedStore store(file.wpath());
        EXPECT_GE(CompareEveryAttachment(), 3);
    }
    for (const char* name : testing_support::SampleStoreNames()) {
        SCOPED_TRACE(name);
        LoadedStore store(testing_support::SamplePathW(name));
        CompareEveryAttachment();
    }
}

// Damaged data-tree pages (XBLOCK, XXBLOCK): a child missing from the block
// list, a count beyond the ids the page holds, a page read as the other
// kind. The measure fails or cuts exactly where the read does.
TEST(ReaderAttachmentSize, DamagedDataTreesMeasureAsTheyRead) {
    ScopedInstallFolder install;
    const std::vector<uint8_t> source = StoreWithEveryKindOfAttachment(writer::Variant::Unicode, 1);
    std::vector<uint64_t> pages;
    {
        TempFile file(source, ".pst");
        LoadedStore store(file.wpath());
        for (const BbtEntry* e = g_storeFile.pFirstBlock; e; e = e->pNext) {
            if ((e->blockId & 2) && e->offset + 16 <= source.size()) pages.push_back(e->offset);
        }
    }
    ASSERT_GE(pages.size(), 3u);   // the one-level tree, the XXBLOCK and its XBLOCKs
    int compared = 0;
    for (uint64_t at : pages) {
        for (int damage = 0; damage < 4; ++damage) {
            SCOPED_TRACE(damage);
            std::vector<uint8_t> bytes = source;
            uint8_t* page = bytes.data() + at;
            if (damage == 0) page[2] = static_cast<uint8_t>(page[2] + 5);    // more entries than fit
            if (damage == 1) page[8 + 6] ^= 0x40;                          // first child unknown
            if (damage == 2) page[1] = page[1] == 1 ? 2 : 1;               // the other level
            if (damage == 3) page[8] ^= 0x04;                              // first child another block
            TempFile file(bytes, ".pst");
            LoadedStore store(file.wpath());
            compared += CompareEveryAttachment();
        }
    }
    EXPECT_GT(compared, 0);
}

}  // namespace
