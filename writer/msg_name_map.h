// The name-to-id map of a store (node 0x61, [MS-PST] 2.4.7): named
// properties (a property set GUID with a numeric id or a string name) get
// the property ids 0x8000 + n in the order they are registered.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "writer/ltp_context.h"

namespace writer {

using Guid = std::array<uint8_t, 16>;
Guid MakeGuid(uint32_t d1, uint16_t d2, uint16_t d3, uint64_t d4BigEndian);

extern const Guid kPsMapi;                 // {00020328-0000-0000-C000-000000000046}
extern const Guid kPsPublicStrings;        // {00020329-...}
extern const Guid kPsInternetHeaders;      // {00020386-...}
extern const Guid kPsetidAppointment;      // {00062002-...}
extern const Guid kPsetidTask;             // {00062003-...}
extern const Guid kPsetidAddress;          // {00062004-...}
extern const Guid kPsetidCommon;           // {00062008-...}
extern const Guid kPsetidLog;              // {0006200A-...}
extern const Guid kPsetidNote;             // {0006200E-...}

class NameMap {
public:
    // The property id of a name; registers it on first use.
    uint16_t Id(const Guid& guid, uint32_t lid);
    uint16_t Id(const Guid& guid, const std::u16string& name);
    size_t size() const { return entries_.size(); }

    static constexpr uint32_t kBucketCount = 251;
    PropertySet Properties(Variant variant) const;

private:
    struct Entry {
        uint16_t wGuid;
        bool isString;
        uint32_t lid;
        std::u16string name;
    };
    uint16_t GuidIndex(const Guid& guid);
    uint16_t Add(Entry e);

    std::vector<Guid> guids_;
    std::vector<Entry> entries_;
};

}  // namespace writer
