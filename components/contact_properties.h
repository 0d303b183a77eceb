// The contact properties the session library's item takes by dispatch id,
// and the stored property each one becomes ([MS-OXOCNTC]).
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <cstdint>

#include "writer/msg_name_map.h"

namespace components {

struct ContactProperty {
    DISPID dispid;
    const wchar_t* name;           // the property's name for callers by name
    uint16_t tag;                  // a property id, or a named property's id in its set
    const writer::Guid* set;       // null for a property id; else the named property's set
};

// The parts a contact's display name is made of.
constexpr DISPID kDispGivenName = 0x6004004D;
constexpr DISPID kDispMiddleName = 0x60040096;
constexpr DISPID kDispSurname = 0x60040083;
constexpr DISPID kDispCompanyName = 0x6004002D;
constexpr DISPID kDispEmail1Address = 0x60040035;

// The property a dispatch id puts on a contact; null when it has none.
const ContactProperty* FindContactProperty(DISPID dispid);
// All of them, in the order of their dispatch ids.
const ContactProperty* ContactProperties(size_t* count);

}  // namespace components
