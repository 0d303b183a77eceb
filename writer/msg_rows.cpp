#include "writer/msg_rows.h"

#include <algorithm>

#include "format/bytes.h"
#include "format/props.h"

namespace writer {

// Row layout: the row id's difference from the last row's (zigzag LEB128),
// the value count (1 byte), then per value its slot (1 byte: the index of
// its tag among the tags seen; 0xFF: the tag's 4 bytes follow) and a number
// (LEB128) whose low two bits say what follows:
//   0  length << 2, then the bytes
//   1  index << 2: the same bytes as an earlier value of the row (a
//      conversation topic equal to the subject)
//   2  the same bytes as the last row's value of this tag (a message class,
//      a sender, the flags of most rows)
//   3  count << 2, then `count` bytes: UTF-16 text whose every high byte
//      is zero, kept without them
namespace {
constexpr uint8_t kTagFollows = 0xFF;
enum : size_t { kBytes = 0, kInRow = 1, kAsLastRow = 2, kNarrow = 3 };

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
bool IsNarrowText(uint16_t type, const Bytes& b) {
    if (type != fmt::kPtUnicode || b.size() % 2) return false;
    for (size_t i = 1; i < b.size(); i += 2)
        if (b[i]) return false;
    return true;
}
}  // namespace

uint8_t CompactRows::Slot(uint32_t tag) {
    for (size_t i = 0; i < tags_.size(); ++i)
        if (tags_[i] == tag) return static_cast<uint8_t>(i);
    if (tags_.size() == kTagFollows) return kTagFollows;
    tags_.push_back(tag);
    last_.emplace_back();
    return static_cast<uint8_t>(tags_.size() - 1);
}

void CompactRows::Add(uint32_t rowId, const PropertySet& values) {
    // A large folder's rows go into chunks of 1 MiB, which the system
    // hands out apart from the heap's small blocks (see record_arena.h).
    constexpr size_t kChunk = size_t(64) << 10;
    constexpr size_t kLargeChunk = size_t(1) << 20;
    if (chunks_.empty() || chunks_.back().size() + 1024 >= std::max(kChunk, chunks_.back().capacity())) {
        chunks_.emplace_back();
        chunks_.back().reserve(chunks_.size() < 4 ? kChunk : kLargeChunk);
    }
    std::vector<uint8_t>& out = chunks_.back();
    const int64_t delta = int64_t(rowId) - int64_t(lastRowId_);
    PutNumber(out, static_cast<size_t>(delta < 0 ? ((-delta) << 1) - 1 : delta << 1));
    lastRowId_ = rowId;
    const size_t countAt = out.size();
    out.push_back(0);
    std::vector<const Bytes*> kept;
    for (const auto& entry : values.values()) {
        const PropValue& v = entry.second;
        if (v.object || v.source || kept.size() == 0xFF) continue;
        const uint32_t tag = fmt::MakeTag(entry.first, v.type);
        const uint8_t slot = Slot(tag);
        out.push_back(slot);
        if (slot == kTagFollows) {
            uint8_t raw[4];
            fmt::StoreLe32(raw, tag);
            out.insert(out.end(), raw, raw + 4);
        }
        const auto same = std::find_if(kept.begin(), kept.end(),
                                       [&](const Bytes* b) { return b->size() >= 4 && *b == v.bytes; });
        if (slot != kTagFollows && last_[slot] == v.bytes) {
            PutNumber(out, kAsLastRow);
        } else if (same != kept.end()) {
            PutNumber(out, static_cast<size_t>(same - kept.begin()) << 2 | kInRow);
        } else if (IsNarrowText(v.type, v.bytes)) {
            PutNumber(out, v.bytes.size() / 2 << 2 | kNarrow);
            for (size_t i = 0; i < v.bytes.size(); i += 2) out.push_back(v.bytes[i]);
        } else {
            PutNumber(out, v.bytes.size() << 2 | kBytes);
            out.insert(out.end(), v.bytes.begin(), v.bytes.end());
        }
        if (slot != kTagFollows) last_[slot] = v.bytes;
        kept.push_back(&v.bytes);
    }
    out[countAt] = static_cast<uint8_t>(kept.size());
    ++count_;
}

void CompactRows::Drop(uint32_t rowId) {
    ++dropped_[rowId];
    ++droppedCount_;
}

void CompactRows::ForEach(Variant variant, const std::function<void(uint32_t, const PropertySet&)>& f) const {
    std::map<uint32_t, size_t> skip = dropped_;
    size_t chunk = 0;
    const uint8_t* p = chunks_.empty() ? nullptr : chunks_[0].data();
    std::vector<Bytes> last(tags_.size());
    uint32_t rowId = 0;
    for (size_t row = 0; row < count_; ++row) {
        while (p == chunks_[chunk].data() + chunks_[chunk].size()) p = chunks_[++chunk].data();
        const size_t zigzag = GetNumber(p);
        rowId = static_cast<uint32_t>(zigzag & 1 ? int64_t(rowId) - int64_t((zigzag + 1) >> 1)
                                                 : int64_t(rowId) + int64_t(zigzag >> 1));
        const size_t count = *p++;
        PropertySet values(variant);
        std::vector<const Bytes*> seen;
        for (size_t i = 0; i < count; ++i) {
            const uint8_t slot = *p++;
            uint32_t tag;
            if (slot == kTagFollows) {
                tag = fmt::LoadLe32(p);
                p += 4;
            } else {
                tag = tags_[slot];
            }
            const size_t n = GetNumber(p);
            Bytes bytes;
            switch (n & 3) {
            case kInRow: bytes = *seen[n >> 2]; break;
            case kAsLastRow: bytes = last[slot]; break;
            case kNarrow:
                bytes.resize((n >> 2) * 2);
                for (size_t k = 0; k < n >> 2; ++k) bytes[2 * k] = p[k];
                p += n >> 2;
                break;
            default:
                bytes.assign(p, p + (n >> 2));
                p += n >> 2;
                break;
            }
            if (slot != kTagFollows) last[slot] = bytes;
            values.Set(tag, std::move(bytes));
            seen.push_back(&values.Find(fmt::TagId(tag))->bytes);
        }
        auto dropped = skip.find(rowId);
        if (dropped != skip.end() && dropped->second > 0) --dropped->second;
        else f(rowId, values);
    }
}

}  // namespace writer
