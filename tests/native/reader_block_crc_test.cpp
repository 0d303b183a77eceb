// Blocks whose trailer does not vouch for their bytes: the item is still read
// from the bytes as found, and its record counts each such block once; the
// next item read counts its own blocks only.
#include <gtest/gtest.h>

#include "support/temp_file.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "format/bytes.h"
#include "format/layout.h"
#include "reader/attachment_writer.h"
#include "reader/item_reader.h"
#include "reader/ndb.h"
#include "reader_item_test_support.h"
#include "writer/store_builder.h"

using item_test::LoadedStore;
using item_test::ScopedInstallFolder;
using item_test::TextOf;
using testing_support::TempFile;

namespace {

struct RecordDeleter {
    void operator()(ItemRecord* r) const { FreeItemRecord(r); }
};
using Record = std::unique_ptr<ItemRecord, RecordDeleter>;

const std::string kBodyMark = "BODY-MARK";
const std::string kDataMark = "DATA-MARK";

std::vector<uint8_t> AttachmentData() {
    std::vector<uint8_t> data(300001);   // a data tree
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 13 + (i >> 11));
    std::copy(kDataMark.begin(), kDataMark.end(), data.begin() + 150000);
    return data;
}

std::vector<uint8_t> WriteOut(const AttachmentNode* a) {
    FILE* f = testing_support::OpenScratchFile();
    EXPECT_NE(f, nullptr);
    std::vector<uint8_t> out(static_cast<size_t>(WriteAttachmentToFile(f, a)));
    std::rewind(f);
    if (!out.empty()) {
        EXPECT_EQ(std::fread(out.data(), 1, out.size(), f), out.size());
    }
    std::fclose(f);
    return out;
}

// The offset of the first byte of the mark (8-bit, or UTF-16 when wide).
size_t Find(const std::vector<uint8_t>& bytes, const std::string& mark, bool wide) {
    std::vector<uint8_t> pattern;
    for (char c : mark) {
        pattern.push_back(static_cast<uint8_t>(c));
        if (wide) pattern.push_back(0);
    }
    const auto at = std::search(bytes.begin(), bytes.end(), pattern.begin(), pattern.end());
    return at == bytes.end() ? 0 : static_cast<size_t>(at - bytes.begin());
}

class ReaderBlockCrc : public ::testing::TestWithParam<writer::Variant> {};

TEST_P(ReaderBlockCrc, ChangedBlocksAreCountedOnceAndUsedAsFound) {
    const bool unicode = GetParam() == writer::Variant::Unicode;
    writer::StoreOptions options;
    options.variant = GetParam();
    options.cryptMethod = 0;   // the marks stand in the file as written
    writer::StoreBuilder b(options);
    const uint32_t folder = b.AddFolder(b.IpmSubtree(), u"Mail");
    writer::Message& damaged = b.AddMessage(folder, "IPM.Note");
    damaged.SetSubject(u"Damaged");
    std::u16string body(6000, u'x');   // too large for the heap: kept in a subnode
    std::copy(kBodyMark.begin(), kBodyMark.end(), body.begin() + 3000);
    damaged.SetBody(body);
    damaged.AddAttachment(u"a.bin", AttachmentData());
    const uint32_t damagedNid = damaged.nid();
    writer::Message& sound = b.AddMessage(folder, "IPM.Note");
    sound.SetSubject(u"Sound");
    sound.SetBody(u"Sound body");
    const uint32_t soundNid = sound.nid();
    const std::vector<uint8_t> source = b.WriteMemory();

    // Where the trailers of the item's own block and of its attachment's
    // data tree page lie.
    const size_t trailerSize = unicode ? fmt::unicode::kBlockTrailerSize : fmt::ansi::kBlockTrailerSize;
    const size_t crcInTrailer = unicode ? fmt::unicode::kBlockTrailer_dwCRC : fmt::ansi::kBlockTrailer_dwCRC;
    auto trailerOf = [&](const BbtEntry* block) {
        const uint64_t span = (block->byteCount + trailerSize + fmt::kBlockAlignment - 1) & ~(fmt::kBlockAlignment - 1);
        return static_cast<size_t>(block->offset + span - trailerSize);
    };
    size_t trailerAt = 0, treeTrailerAt = 0;
    {
        TempFile file(source, ".pst");
        LoadedStore store(file.wpath());
        NodeEntry* node = FindNode(&g_storeFile, damagedNid);
        ASSERT_TRUE(node && node->pDataBlock);
        trailerAt = trailerOf(node->pDataBlock);
        Record r(ReadItemRecord(g_storeFile, node));
        ASSERT_TRUE(r && r->pAttachments);
        const BbtEntry* tree = FindBlock(&g_storeFile, r->pAttachments->bidData);
        ASSERT_TRUE(tree && (tree->blockId & fmt::kBidInternalBit));
        treeTrailerAt = trailerOf(tree);
    }
    const size_t bodyAt = std::max(Find(source, kBodyMark, true), Find(source, kBodyMark, false));
    const size_t dataAt = Find(source, kDataMark, false);
    ASSERT_NE(bodyAt, 0u);
    ASSERT_NE(dataAt, 0u);

    struct Case {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> damage;
        int damagedBlocks;
    };
    const Case cases[] = {
        {"nothing", [](std::vector<uint8_t>&) {}, 0},
        {"a byte of the body", [&](std::vector<uint8_t>& bytes) { bytes[bodyAt] = 'b'; }, 1},
        {"a byte of the attachment's data", [&](std::vector<uint8_t>& bytes) { bytes[dataAt] = 'd'; }, 1},
        {"the stored CRC of the item's own block",
         [&](std::vector<uint8_t>& bytes) { bytes[trailerAt + crcInTrailer] ^= 0x10; }, 1},
        // Read twice: to see that the attachment's data is whole, and for it.
        {"the stored CRC of the attachment's data tree page",
         [&](std::vector<uint8_t>& bytes) { bytes[treeTrailerAt + crcInTrailer] ^= 0x01; }, 1},
        {"the byte count in the trailer of the item's own block",
         [&](std::vector<uint8_t>& bytes) { fmt::StoreLe16(&bytes[trailerAt], 0); }, 1},
    };
    ScopedInstallFolder install;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> bytes = source;
        c.damage(bytes);
        TempFile file(bytes, ".pst");
        LoadedStore store(file.wpath(), /*wantBodies=*/true);
        Record r(ReadItemRecord(g_storeFile, FindNode(&g_storeFile, damagedNid)));
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->nBlocksDamaged, c.damagedBlocks);
        // Used as found: nothing is left out, the changed bytes are read.
        EXPECT_EQ(r->nPartsLost, 0);
        EXPECT_EQ(TextOf(r->txSubject), "Damaged");
        const std::string text = TextOf(r->txBody);
        EXPECT_EQ(text.size(), body.size());
        EXPECT_EQ(text.find("BODY-MARK") == std::string::npos, bytes[bodyAt] != source[bodyAt]);
        ASSERT_NE(r->pAttachments, nullptr);
        const std::vector<uint8_t> data = WriteOut(r->pAttachments);
        ASSERT_EQ(data.size(), 300001u);
        EXPECT_EQ(data[150000], bytes[dataAt]);

        Record next(ReadItemRecord(g_storeFile, FindNode(&g_storeFile, soundNid)));
        ASSERT_NE(next, nullptr);
        EXPECT_EQ(next->nBlocksDamaged, 0) << "the count is the item's own";
    }
}

INSTANTIATE_TEST_SUITE_P(Variants, ReaderBlockCrc, ::testing::Values(writer::Variant::Ansi, writer::Variant::Unicode),
                         [](const ::testing::TestParamInfo<writer::Variant>& info) {
                             return info.param == writer::Variant::Ansi ? "Ansi" : "Unicode";
                         });

}  // namespace
