// What the save operations put on a stored item, shared by both components.
#pragma once
#include <string>

#include "components/item_texts.h"
#include "writer/store_builder.h"

namespace components {

// Body type codes of the save operations.
enum BodyType : int { kBodyPlain = 0, kBodyHtml = 1, kBodyRtf = 3 };

// A body type argument as it is; throws std::invalid_argument, saying
// which types there are, for any other number.
int CheckedBodyType(long value);

// A body as the exporters hand it over: plain text; HTML or RTF as their
// file bytes widened from the ANSI code page. HTML goes back to those bytes
// (UTF-8 when a character has no form there) with its code page; RTF is
// compressed. An empty text is no body.
void SetBody(writer::Message& m, int bodyType, const std::wstring& text);

// The sender (or organizer) and the times of a stored item.
void SetSender(writer::Message& m, const Address& sender);
void SetDeliveryTime(writer::Message& m, uint64_t fileTime);   // 0: none

}  // namespace components
