#include "writer/msg_name_map.h"

#include <map>
#include <stdexcept>

#include "format/bytes.h"
#include "format/crc.h"
#include "format/props.h"

namespace writer {

Guid MakeGuid(uint32_t d1, uint16_t d2, uint16_t d3, uint64_t d4) {
    Guid g{};
    fmt::StoreLe32(&g[0], d1);
    fmt::StoreLe16(&g[4], d2);
    fmt::StoreLe16(&g[6], d3);
    for (int i = 0; i < 8; ++i) g[8 + i] = static_cast<uint8_t>(d4 >> (56 - 8 * i));
    return g;
}

namespace {
constexpr uint64_t kOleTail = 0xC000000000000046ull;
}
const Guid kPsMapi = MakeGuid(0x00020328, 0, 0, kOleTail);
const Guid kPsPublicStrings = MakeGuid(0x00020329, 0, 0, kOleTail);
const Guid kPsInternetHeaders = MakeGuid(0x00020386, 0, 0, kOleTail);
const Guid kPsetidAppointment = MakeGuid(0x00062002, 0, 0, kOleTail);
const Guid kPsetidTask = MakeGuid(0x00062003, 0, 0, kOleTail);
const Guid kPsetidAddress = MakeGuid(0x00062004, 0, 0, kOleTail);
const Guid kPsetidCommon = MakeGuid(0x00062008, 0, 0, kOleTail);
const Guid kPsetidLog = MakeGuid(0x0006200A, 0, 0, kOleTail);
const Guid kPsetidNote = MakeGuid(0x0006200E, 0, 0, kOleTail);

uint16_t NameMap::GuidIndex(const Guid& guid) {
    if (guid == kPsMapi) return 1;
    if (guid == kPsPublicStrings) return 2;
    for (size_t i = 0; i < guids_.size(); ++i)
        if (guids_[i] == guid) return static_cast<uint16_t>(i + 3);
    guids_.push_back(guid);
    return static_cast<uint16_t>(guids_.size() + 2);
}

uint16_t NameMap::Add(Entry e) {
    for (size_t i = 0; i < entries_.size(); ++i) {
        const Entry& x = entries_[i];
        if (x.wGuid == e.wGuid && x.isString == e.isString && x.lid == e.lid && x.name == e.name)
            return static_cast<uint16_t>(fmt::kFirstNamedPropId + i);
    }
    if (entries_.size() >= 0x7FFF) throw std::length_error("name-to-id map is full");
    entries_.push_back(std::move(e));
    return static_cast<uint16_t>(fmt::kFirstNamedPropId + entries_.size() - 1);
}

uint16_t NameMap::Id(const Guid& guid, uint32_t lid) {
    return Add(Entry{GuidIndex(guid), false, lid, {}});
}

uint16_t NameMap::Id(const Guid& guid, const std::u16string& name) {
    return Add(Entry{GuidIndex(guid), true, 0, name});
}

PropertySet NameMap::Properties(Variant variant) const {
    PropertySet props(variant);
    props.SetInt32(fmt::kPidNameidBucketCount, kBucketCount);
    Bytes guidStream;
    for (const Guid& g : guids_) guidStream.insert(guidStream.end(), g.begin(), g.end());
    Bytes entryStream, stringStream;
    std::map<uint32_t, Bytes> buckets;
    for (size_t k = 0; k < entries_.size(); ++k) {
        const Entry& e = entries_[k];
        uint32_t id = e.lid, key = e.lid;
        if (e.isString) {
            const Bytes name = Utf16Bytes(e.name);
            id = static_cast<uint32_t>(stringStream.size());
            key = fmt::Crc32(name.data(), name.size());
            uint8_t len[4];
            fmt::StoreLe32(len, static_cast<uint32_t>(name.size()));
            stringStream.insert(stringStream.end(), len, len + 4);
            stringStream.insert(stringStream.end(), name.begin(), name.end());
            while (stringStream.size() % 4) stringStream.push_back(0);
        }
        const uint16_t guidAndKind = static_cast<uint16_t>((e.wGuid << 1) | (e.isString ? 1 : 0));
        uint8_t rec[8];
        fmt::StoreLe32(rec, id);
        fmt::StoreLe16(rec + 4, guidAndKind);
        fmt::StoreLe16(rec + 6, static_cast<uint16_t>(k));
        entryStream.insert(entryStream.end(), rec, rec + 8);
        fmt::StoreLe32(rec, key);                       // the bucket copy carries the hash key
        Bytes& bucket = buckets[(key ^ guidAndKind) % kBucketCount];
        bucket.insert(bucket.end(), rec, rec + 8);
    }
    props.SetBinary(fmt::kPidNameidStreamGuid, guidStream);
    props.SetBinary(fmt::kPidNameidStreamEntry, entryStream);
    props.SetBinary(fmt::kPidNameidStreamString, stringStream);
    for (auto& b : buckets)
        props.SetBinary(static_cast<uint16_t>(fmt::kPidNameidBucketBase + b.first), std::move(b.second));
    return props;
}

}  // namespace writer
