#include "writer/ltp_heap.h"

#include <algorithm>
#include <stdexcept>

#include "format/bytes.h"
#include "format/layout.h"

namespace writer {

namespace {
constexpr size_t kMaxAllocationsPerPage = 2047;   // 11-bit allocation index

// Fill level nibble of a page with this many free bytes ([MS-PST] 2.3.1.2).
uint8_t FillLevel(size_t freeBytes) {
    static const size_t kBounds[] = {3584, 2560, 2048, 1792, 1536, 1280, 1024, 768,
                                     512,  256,  128,  64,   32,   16,   8};
    for (uint8_t level = 0; level < 15; ++level)
        if (freeBytes >= kBounds[level]) return level;
    return 15;
}
}  // namespace

HeapBuilder::HeapBuilder(Variant variant, uint8_t clientSig)
    : maxBlock_(MaxBlockData(variant)), clientSig_(clientSig) {
    NewPage();
}

size_t HeapBuilder::HeaderSize(size_t pageIndex) const {
    if (pageIndex == 0) return fmt::kHeapHeaderSize;
    if (pageIndex % 128 == 8) return fmt::kHeapBitmapHeaderSize;
    return fmt::kHeapPageHeaderSize;
}

void HeapBuilder::NewPage() {
    // Past this many pages a heap with a sink writes the pages it has moved
    // past; below it nothing changes for small heaps.
    constexpr size_t kPagesKept = 32;
    if (sink_ && pages_.size() >= kPagesKept) {
        if (written_.empty()) written_.resize(pages_.size());
        for (size_t i = passed_; i < pages_.size(); ++i)
            if (!HoldsFillLevels(i)) {
                ClosePage(i);
                WritePage(i);
            }
        passed_ = pages_.size();
    }
    Page page;
    // A page's final size is known: no room lost to growth on large heaps.
    page.bytes.reserve(maxBlock_);
    page.bytes.assign(HeaderSize(pages_.size()), 0);
    pages_.push_back(std::move(page));
    if (!written_.empty()) written_.emplace_back(0, 0);
}

uint32_t HeapBuilder::Allocate(const uint8_t* data, size_t size) {
    if (size > kMaxHeapItem) throw std::length_error("heap item larger than 3580 bytes");
    auto fits = [&](const Page& p) {
        const size_t n = p.starts.size() + 1;
        const size_t end = p.bytes.size() + size;
        const size_t mapSize = 4 + 2 * (n + 1);
        return n <= kMaxAllocationsPerPage && end + (end & 1) + mapSize <= maxBlock_;
    };
    if (!fits(pages_.back())) {
        if (pages_.size() >= 0xFFFF) throw std::length_error("heap has too many pages");
        NewPage();
    }
    Page& page = pages_.back();
    page.starts.push_back(static_cast<uint16_t>(page.bytes.size()));
    page.bytes.insert(page.bytes.end(), data, data + size);
    const uint32_t pageIndex = static_cast<uint32_t>(pages_.size() - 1);
    return (pageIndex << 16) | (static_cast<uint32_t>(page.starts.size()) << 5);
}

// Adds the page map; no item is added to the page afterwards.
void HeapBuilder::ClosePage(size_t index) {
    Page& page = pages_[index];
    const size_t itemsEnd = page.bytes.size();
    if (itemsEnd & 1) page.bytes.push_back(0);               // keep ibHnpm even
    const size_t ibHnpm = page.bytes.size();
    const size_t n = page.starts.size();
    Bytes map(4 + 2 * (n + 1));
    fmt::StoreLe16(&map[0], static_cast<uint16_t>(n));
    for (size_t k = 0; k < n; ++k) fmt::StoreLe16(&map[4 + 2 * k], page.starts[k]);
    fmt::StoreLe16(&map[4 + 2 * n], static_cast<uint16_t>(itemsEnd));
    fmt::StoreLe16(&page.bytes[0], static_cast<uint16_t>(ibHnpm));
    page.bytes.insert(page.bytes.end(), map.begin(), map.end());
    page.closed = true;
    std::vector<uint16_t>().swap(page.starts);
    if (fill_.size() <= index) fill_.resize(index + 1);
    fill_[index] = FillLevel(maxBlock_ - page.bytes.size());
}

void HeapBuilder::WritePage(size_t index) {
    Bytes& bytes = pages_[index].bytes;
    written_[index] = {sink_(bytes), static_cast<uint32_t>(bytes.size())};
    Bytes().swap(bytes);
}

void HeapBuilder::SetFillLevels() {
    for (size_t i = 0; i < pages_.size(); ++i)
        if (!pages_[i].closed) ClosePage(i);
    Bytes& first = pages_[0].bytes;
    first[fmt::kHeapHeader_bSig] = fmt::kHeapSignature;
    first[fmt::kHeapHeader_bClientSig] = clientSig_;
    fmt::StoreLe32(&first[fmt::kHeapHeader_hidUserRoot], userRoot_);
    for (size_t i = 0; i < 8 && i < pages_.size(); ++i)
        first[fmt::kHeapHeader_rgbFillLevel + i / 2] |= static_cast<uint8_t>(fill_[i] << (4 * (i % 2)));
    for (size_t b = 8; b < pages_.size(); b += 128) {
        Bytes& bitmapPage = pages_[b].bytes;
        for (size_t i = 0; i < 128 && b + i < pages_.size(); ++i)
            bitmapPage[2 + i / 2] |= static_cast<uint8_t>(fill_[b + i] << (4 * (i % 2)));
    }
}

std::vector<Bytes> HeapBuilder::Finish() {
    if (!written_.empty()) throw std::logic_error("heap pages went to a sink: use FinishData");
    SetFillLevels();
    std::vector<Bytes> blocks;
    blocks.reserve(pages_.size());
    for (Page& page : pages_) blocks.push_back(std::move(page.bytes));
    pages_.clear();
    return blocks;
}

NodeData HeapBuilder::FinishData() {
    NodeData data;
    if (written_.empty()) {
        data.blocks = Finish();
        return data;
    }
    SetFillLevels();
    for (size_t i = 0; i < pages_.size(); ++i)
        if (!pages_[i].bytes.empty()) WritePage(i);
    pages_.clear();
    data.written = std::move(written_);
    return data;
}

uint32_t WriteBth(HeapBuilder& heap, uint8_t cbKey, uint8_t cbEnt, const Bytes& records,
                  bool zeroRoot) {
    uint8_t levels = 0;
    uint32_t root = 0;
    if (!records.empty()) {
        size_t recordSize = static_cast<size_t>(cbKey) + cbEnt;
        Bytes level = records;
        for (;;) {
            if (level.size() <= kMaxHeapItem) {
                root = heap.Allocate(level);
                break;
            }
            // Split this level into items and index them one level up.
            const size_t perItem = kMaxHeapItem / recordSize;
            Bytes upper;
            for (size_t off = 0; off < level.size(); off += perItem * recordSize) {
                const size_t len = std::min(perItem * recordSize, level.size() - off);
                const uint32_t hid = heap.Allocate(level.data() + off, len);
                upper.insert(upper.end(), level.begin() + off, level.begin() + off + cbKey);
                uint8_t h[4];
                fmt::StoreLe32(h, hid);
                upper.insert(upper.end(), h, h + 4);
            }
            level.swap(upper);
            recordSize = static_cast<size_t>(cbKey) + 4;
            ++levels;
        }
    }
    uint8_t header[8] = {fmt::kClientSigBth, cbKey, cbEnt, levels, 0, 0, 0, 0};
    fmt::StoreLe32(&header[4], zeroRoot ? 0 : root);
    return heap.Allocate(header, sizeof header);
}

}  // namespace writer
