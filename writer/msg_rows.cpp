#include "writer/msg_rows.h"

#include "format/bytes.h"
#include "format/props.h"

namespace writer {

void CompactRows::Add(uint32_t rowId, const PropertySet& values) {
    auto put32 = [this](uint32_t v) {
        uint8_t b[4];
        fmt::StoreLe32(b, v);
        bytes_.insert(bytes_.end(), b, b + 4);
    };
    put32(rowId);
    const size_t countAt = bytes_.size();
    put32(0);
    uint32_t count = 0;
    for (const auto& entry : values.values()) {
        const PropValue& v = entry.second;
        if (v.object || v.source) continue;
        put32(fmt::MakeTag(entry.first, v.type));
        put32(static_cast<uint32_t>(v.bytes.size()));
        bytes_.insert(bytes_.end(), v.bytes.begin(), v.bytes.end());
        ++count;
    }
    fmt::StoreLe32(&bytes_[countAt], count);
    ++count_;
}

void CompactRows::ForEach(Variant variant, const std::function<void(uint32_t, const PropertySet&)>& f) const {
    size_t at = 0;
    for (size_t row = 0; row < count_; ++row) {
        const uint32_t rowId = fmt::LoadLe32(&bytes_[at]);
        const uint32_t count = fmt::LoadLe32(&bytes_[at + 4]);
        at += 8;
        PropertySet values(variant);
        for (uint32_t i = 0; i < count; ++i) {
            const uint32_t tag = fmt::LoadLe32(&bytes_[at]);
            const uint32_t size = fmt::LoadLe32(&bytes_[at + 4]);
            at += 8;
            values.Set(tag, Bytes(bytes_.begin() + static_cast<std::ptrdiff_t>(at),
                                  bytes_.begin() + static_cast<std::ptrdiff_t>(at + size)));
            at += size;
        }
        f(rowId, values);
    }
}

}  // namespace writer
