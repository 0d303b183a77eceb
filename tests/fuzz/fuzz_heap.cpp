// Heaps and contexts: the input becomes the heap pages of a store's node
// (and the data of two of its subnodes), laid out by the store writer with
// no encoding, and the node is read as a property or table context.
//
// Input: [page count n (1 byte)] then n pages and two subnode payloads, each
// as [u16 length][bytes].
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_support.h"
#include "writer/ndb_writer.h"

namespace {

bool Take(const uint8_t*& p, const uint8_t* end, size_t limit, std::vector<uint8_t>* out) {
    if (end - p < 2) return false;
    size_t length = p[0] | (p[1] << 8);
    p += 2;
    if (length > static_cast<size_t>(end - p)) length = static_cast<size_t>(end - p);
    if (length > limit) length = limit;
    out->assign(p, p + length);
    p += length;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const writer::Variant variant = (data[0] & 0x80) ? writer::Variant::Ansi : writer::Variant::Unicode;
    const size_t pages = 1 + (data[0] & 3);
    const size_t limit = writer::MaxBlockData(variant);
    const uint8_t* p = data + 1;
    const uint8_t* end = data + size;

    writer::StoreOptions options;
    options.variant = variant;
    options.cryptMethod = 0;
    writer::NdbWriter ndb(options);
    writer::Node node;
    node.nid = 0x21;
    for (size_t i = 0; i < pages; ++i) {
        std::vector<uint8_t> page;
        if (!Take(p, end, limit, &page) || page.empty()) break;
        node.data.blocks.push_back(std::move(page));
    }
    if (node.data.blocks.empty()) return 0;
    for (uint32_t nid : {0x3Fu, 0x5Fu}) {
        writer::Subnode sub;
        sub.nid = nid;
        if (!Take(p, end, 3 * limit, &sub.data.stream) || sub.data.stream.empty()) break;
        node.subnodes.push_back(std::move(sub));
    }
    ndb.AddNode(std::move(node));
    const std::vector<uint8_t> store = ndb.WriteMemory();
    ReadWholeStore(WriteScratchStore(store.data(), store.size()));
    return 0;
}
