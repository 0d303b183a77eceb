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
    uint16_t tag;                  // a property id, or a named property's id in its set
    const writer::Guid* set;       // null for a property id; else the named property's set
};

// The property a dispatch id puts on a contact; null when it has none.
const ContactProperty* FindContactProperty(DISPID dispid);

}  // namespace components
