// A set of property values in memory, keyed by property id, as the writer's
// property and table contexts take them. Text goes in as UTF-16 and is
// stored the way the store's variant wants it: UTF-16LE (PtypString) in the
// Unicode variant, Windows-1252 (PtypString8) in the 8-bit variant.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "writer/ndb_writer.h"

namespace writer {

using Bytes = std::vector<uint8_t>;

// Windows-1252 bytes of a UTF-16 text; characters it cannot hold become '?'.
std::string ToWindows1252(const std::u16string& text);
Bytes Utf16Bytes(const std::u16string& text);     // UTF-16LE, no terminator
std::u16string Utf16FromAscii(const std::string& text);

// The text type of a variant (0x001F Unicode, 0x001E 8-bit) and the bytes of
// a text in it.
uint16_t TextType(Variant v);
Bytes TextBytes(Variant v, const std::u16string& text);
// A tag whose type is PtypString/PtypMultipleString, retyped for the variant.
uint32_t TagForVariant(Variant v, uint32_t tag);

struct PropValue {
    uint16_t type = 0;
    Bytes bytes;                               // little-endian value or variable data
    std::shared_ptr<Subnode> object;           // PtypObject: the subnode that holds it
    std::shared_ptr<DataSource> source;        // variable data read in pieces when written
    uint64_t Size() const { return source ? source->Size() : bytes.size(); }
};

class PropertySet {
public:
    explicit PropertySet(Variant variant) : variant_(variant) {}

    Variant variant() const { return variant_; }

    // Any tag with raw value bytes (little-endian for fixed-size types).
    void Set(uint32_t tag, Bytes bytes);
    void SetString(uint16_t id, const std::u16string& text);
    void SetInt32(uint16_t id, int32_t value);
    void SetInt16(uint16_t id, int16_t value);
    void SetBool(uint16_t id, bool value);
    void SetInt64(uint16_t id, int64_t value);
    void SetTime(uint16_t id, uint64_t filetime);
    void SetBinary(uint16_t id, Bytes bytes);
    // A binary value read from the source when its node is written.
    void SetBinaryStream(uint16_t id, std::shared_ptr<DataSource> source);
    // Multi-valued text (PtypMultipleString/String8 by variant): a count,
    // the offsets of the values, then the values ([MS-PST] 2.3.3.4.2).
    void SetMultiString(uint16_t id, const std::vector<std::u16string>& texts);
    // PtypObject: the value is the subnode (its nid is chosen by the context
    // builder); size is the object's size as recorded beside the nid.
    void SetObject(uint16_t id, Subnode subnode, uint32_t size);
    void Remove(uint16_t id) { values_.erase(id); }

    const PropValue* Find(uint16_t id) const;
    bool Has(uint16_t id) const { return values_.count(id) != 0; }
    int32_t Int32Or(uint16_t id, int32_t fallback) const;
    const std::map<uint16_t, PropValue>& values() const { return values_; }
    std::map<uint16_t, PropValue>& values() { return values_; }

private:
    Variant variant_;
    std::map<uint16_t, PropValue> values_;
};

// The stored form of a multi-valued variable-size value.
Bytes MultiValueBytes(const std::vector<Bytes>& values);

// Fixed cell sizes of property types: 1, 2, 4 or 8 bytes, 0 for variable
// size (strings, binaries, GUIDs, multi-valued and object values).
size_t FixedTypeSize(uint16_t type);

}  // namespace writer
