// Explicit little-endian loads and stores. Store structures are never cast
// onto buffers: every field is decoded from its byte offset.
#pragma once
#include <cstddef>
#include <cstdint>

namespace fmt {

inline uint16_t LoadLe16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t LoadLe32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline uint64_t LoadLe64(const uint8_t* p) {
    return static_cast<uint64_t>(LoadLe32(p)) | (static_cast<uint64_t>(LoadLe32(p + 4)) << 32);
}
// The 40-bit file offsets of the Unicode header's ROOT structure: five bytes,
// the three above them are ignored.
inline uint64_t LoadLe40(const uint8_t* p) {
    return static_cast<uint64_t>(LoadLe32(p)) | (static_cast<uint64_t>(p[4]) << 32);
}

inline void StoreLe16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void StoreLe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void StoreLe64(uint8_t* p, uint64_t v) {
    for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// A bounds-checked view of a byte range. Every accessor answers whether the
// bytes exist before it reads them; a failed read yields zero.
class ByteView {
public:
    ByteView() = default;
    ByteView(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }
    bool Has(size_t offset, size_t count) const {
        return offset <= size_ && count <= size_ - offset;
    }
    uint8_t U8(size_t off) const { return Has(off, 1) ? data_[off] : 0; }
    uint16_t U16(size_t off) const { return Has(off, 2) ? LoadLe16(data_ + off) : 0; }
    uint32_t U32(size_t off) const { return Has(off, 4) ? LoadLe32(data_ + off) : 0; }
    uint64_t U64(size_t off) const { return Has(off, 8) ? LoadLe64(data_ + off) : 0; }
    // Sub-view; empty when the range does not fit.
    ByteView Slice(size_t offset, size_t count) const {
        return Has(offset, count) ? ByteView(data_ + offset, count) : ByteView();
    }

private:
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

}  // namespace fmt
