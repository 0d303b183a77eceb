#include "writer/msg_rows.h"

#include <algorithm>

#include "format/bytes.h"
#include "format/props.h"

namespace writer {

// Row layout: row id (4 bytes), value count (1), then per value its id (2),
// type (2) and a number (LEB128): length << 1 for bytes that follow, or
// index << 1 | 1 for the same bytes as an earlier value of the row (a
// conversation topic equal to the subject).
namespace {
void PutNumber(std::vector<uint8_t>& out, size_t v) {
    do {
        const uint8_t low = static_cast<uint8_t>(v & 0x7F);
        v >>= 7;
        out.push_back(v ? static_cast<uint8_t>(low | 0x80) : low);
    } while (v);
}
size_t GetNumber(const uint8_t*& p) {
    size_t v = 0;
    for (int shift = 0;; shift += 7) {
        const uint8_t b = *p++;
        v |= static_cast<size_t>(b & 0x7F) << shift;
        if (!(b & 0x80)) return v;
    }
}
}  // namespace

void CompactRows::Add(uint32_t rowId, const PropertySet& values) {
    constexpr size_t kChunk = size_t(64) << 10;
    if (chunks_.empty() || chunks_.back().size() >= kChunk - 1024) {
        chunks_.emplace_back();
        chunks_.back().reserve(kChunk);
    }
    std::vector<uint8_t>& bytes_ = chunks_.back();
    uint8_t id[4];
    fmt::StoreLe32(id, rowId);
    bytes_.insert(bytes_.end(), id, id + 4);
    const size_t countAt = bytes_.size();
    bytes_.push_back(0);
    std::vector<const Bytes*> kept;
    for (const auto& entry : values.values()) {
        const PropValue& v = entry.second;
        if (v.object || v.source || kept.size() == 0xFF) continue;
        uint8_t head[4];
        fmt::StoreLe16(head, entry.first);
        fmt::StoreLe16(head + 2, v.type);
        bytes_.insert(bytes_.end(), head, head + 4);
        const auto same = std::find_if(kept.begin(), kept.end(),
                                       [&](const Bytes* b) { return b->size() > 8 && *b == v.bytes; });
        if (same != kept.end()) {
            PutNumber(bytes_, static_cast<size_t>(same - kept.begin()) << 1 | 1);
        } else {
            PutNumber(bytes_, v.bytes.size() << 1);
            bytes_.insert(bytes_.end(), v.bytes.begin(), v.bytes.end());
        }
        kept.push_back(&v.bytes);
    }
    bytes_[countAt] = static_cast<uint8_t>(kept.size());
    ++count_;
}

void CompactRows::ForEach(Variant variant, const std::function<void(uint32_t, const PropertySet&)>& f) const {
    size_t chunk = 0;
    const uint8_t* p = chunks_.empty() ? nullptr : chunks_[0].data();
    for (size_t row = 0; row < count_; ++row) {
        while (p == chunks_[chunk].data() + chunks_[chunk].size()) p = chunks_[++chunk].data();
        const uint32_t rowId = fmt::LoadLe32(p);
        const size_t count = p[4];
        p += 5;
        PropertySet values(variant);
        std::vector<const Bytes*> seen;
        for (size_t i = 0; i < count; ++i) {
            const uint16_t id = fmt::LoadLe16(p), type = fmt::LoadLe16(p + 2);
            p += 4;
            const size_t n = GetNumber(p);
            Bytes bytes;
            if (n & 1) {
                bytes = *seen[n >> 1];
            } else {
                bytes.assign(p, p + (n >> 1));
                p += n >> 1;
            }
            values.Set(fmt::MakeTag(id, type), std::move(bytes));
            seen.push_back(&values.Find(id)->bytes);
        }
        f(rowId, values);
    }
}

}  // namespace writer
