#include "writer/ltp_property_set.h"

#include "format/bytes.h"
#include "format/props.h"

namespace writer {

namespace {
// Windows-1252 code points 0x80..0x9F; 0 where the code page has no character.
const char16_t kCp1252High[32] = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0, 0x017D, 0, 0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013,
    0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178,
};

Bytes LittleEndian(uint64_t value, size_t size) {
    Bytes b(size);
    for (size_t i = 0; i < size; ++i) b[i] = static_cast<uint8_t>(value >> (8 * i));
    return b;
}
}  // namespace

std::string ToWindows1252(const std::u16string& text) {
    std::string out;
    out.reserve(text.size());
    for (char16_t c : text) {
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        char mapped = '?';
        for (int i = 0; i < 32; ++i)
            if (kCp1252High[i] != 0 && kCp1252High[i] == c) mapped = static_cast<char>(0x80 + i);
        out.push_back(mapped);
    }
    return out;
}

Bytes Utf16Bytes(const std::u16string& text) {
    Bytes b(text.size() * 2);
    for (size_t i = 0; i < text.size(); ++i) fmt::StoreLe16(&b[2 * i], text[i]);
    return b;
}

std::u16string Utf16FromAscii(const std::string& text) {
    std::u16string out;
    out.reserve(text.size());
    for (unsigned char c : text) out.push_back(c);
    return out;
}

uint16_t TextType(Variant v) { return v == Variant::Unicode ? fmt::kPtUnicode : fmt::kPtString8; }

Bytes TextBytes(Variant v, const std::u16string& text) {
    if (v == Variant::Unicode) return Utf16Bytes(text);
    const std::string narrow = ToWindows1252(text);
    return Bytes(narrow.begin(), narrow.end());
}

uint32_t TagForVariant(Variant v, uint32_t tag) {
    if (v != Variant::Ansi) return tag;
    if (fmt::TagType(tag) == fmt::kPtUnicode) return fmt::MakeTag(fmt::TagId(tag), fmt::kPtString8);
    if (fmt::TagType(tag) == fmt::kPtMultipleUnicode)
        return fmt::MakeTag(fmt::TagId(tag), fmt::kPtMultipleString8);
    return tag;
}

void PropertySet::Set(uint32_t tag, Bytes bytes) {
    PropValue& v = values_[fmt::TagId(tag)];
    v.type = fmt::TagType(tag);
    v.bytes = std::move(bytes);
    v.object.reset();
}

void PropertySet::SetString(uint16_t id, const std::u16string& text) {
    Set(fmt::MakeTag(id, TextType(variant_)), TextBytes(variant_, text));
}
void PropertySet::SetInt32(uint16_t id, int32_t value) {
    Set(fmt::MakeTag(id, fmt::kPtInteger32), LittleEndian(static_cast<uint32_t>(value), 4));
}
void PropertySet::SetInt16(uint16_t id, int16_t value) {
    Set(fmt::MakeTag(id, fmt::kPtInteger16), LittleEndian(static_cast<uint16_t>(value), 2));
}
void PropertySet::SetBool(uint16_t id, bool value) {
    Set(fmt::MakeTag(id, fmt::kPtBoolean), LittleEndian(value ? 1 : 0, 1));
}
void PropertySet::SetInt64(uint16_t id, int64_t value) {
    Set(fmt::MakeTag(id, fmt::kPtInteger64), LittleEndian(static_cast<uint64_t>(value), 8));
}
void PropertySet::SetTime(uint16_t id, uint64_t filetime) {
    Set(fmt::MakeTag(id, fmt::kPtTime), LittleEndian(filetime, 8));
}
void PropertySet::SetBinary(uint16_t id, Bytes bytes) {
    Set(fmt::MakeTag(id, fmt::kPtBinary), std::move(bytes));
}

void PropertySet::SetBinaryStream(uint16_t id, std::shared_ptr<DataSource> source) {
    PropValue v;
    v.type = fmt::kPtBinary;
    v.source = std::move(source);
    values_[id] = std::move(v);
}
void PropertySet::SetMultiString(uint16_t id, const std::vector<std::u16string>& texts) {
    std::vector<Bytes> values;
    for (const auto& t : texts) values.push_back(TextBytes(variant_, t));
    const uint16_t type = variant_ == Variant::Unicode ? fmt::kPtMultipleUnicode : fmt::kPtMultipleString8;
    Set(fmt::MakeTag(id, type), MultiValueBytes(values));
}

Bytes MultiValueBytes(const std::vector<Bytes>& values) {
    Bytes out(4 + 4 * values.size());
    fmt::StoreLe32(out.data(), static_cast<uint32_t>(values.size()));
    for (size_t i = 0; i < values.size(); ++i) {
        fmt::StoreLe32(&out[4 + 4 * i], static_cast<uint32_t>(out.size()));
        out.insert(out.end(), values[i].begin(), values[i].end());
    }
    return out;
}

void PropertySet::SetObject(uint16_t id, Subnode subnode, uint32_t size) {
    PropValue& v = values_[id];
    v.type = fmt::kPtObject;
    v.bytes = LittleEndian(size, 4);
    v.object = std::make_shared<Subnode>(std::move(subnode));
}

const PropValue* PropertySet::Find(uint16_t id) const {
    auto it = values_.find(id);
    return it == values_.end() ? nullptr : &it->second;
}

int32_t PropertySet::Int32Or(uint16_t id, int32_t fallback) const {
    const PropValue* v = Find(id);
    if (!v || v->bytes.size() < 4) return fallback;
    return static_cast<int32_t>(fmt::LoadLe32(v->bytes.data()));
}

size_t FixedTypeSize(uint16_t type) {
    switch (type) {
    case fmt::kPtBoolean: return 1;
    case fmt::kPtInteger16: return 2;
    case fmt::kPtInteger32: case fmt::kPtFloating32: case fmt::kPtErrorCode: return 4;
    case fmt::kPtFloating64: case fmt::kPtCurrency: case fmt::kPtFloatingTime:
    case fmt::kPtInteger64: case fmt::kPtTime: return 8;
    default: return 0;
    }
}

}  // namespace writer
