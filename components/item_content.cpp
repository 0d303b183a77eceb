#include "components/item_content.h"

#include <windows.h>

#include <stdexcept>
#include <string>

#include "components/text_convert.h"
#include "format/props.h"

namespace components {

int CheckedBodyType(long value) {
    if (value != kBodyPlain && value != kBodyHtml && value != kBodyRtf)
        throw std::invalid_argument("The body type " + std::to_string(value) +
                                    " is none of 0 (plain text), 1 (HTML) and 3 (RTF).");
    return static_cast<int>(value);
}

void SetBody(writer::Message& m, int bodyType, const std::wstring& text) {
    if (text.empty()) return;
    switch (bodyType) {
    case kBodyHtml: {
        std::string bytes;
        int codePage = static_cast<int>(GetACP());
        if (!AnsiFromWide(text, bytes)) {
            bytes = Utf8FromWide(text);
            codePage = CP_UTF8;
        }
        m.SetHtmlBody(bytes);
        m.SetInt32(fmt::kPidInternetCodepage, codePage);
        break;
    }
    case kBodyRtf: {
        std::string bytes;
        AnsiFromWide(text, bytes);      // RTF keeps other characters as its own escapes
        m.SetRtfBody(bytes);
        break;
    }
    default:
        m.SetBody(U16(text));
        break;
    }
}

void SetSender(writer::Message& m, const Address& sender) {
    if (sender.name.empty() && sender.email.empty()) return;
    m.SetSender(U16(sender.name), U16(sender.email));
}

void SetDeliveryTime(writer::Message& m, uint64_t fileTime) {
    if (!fileTime) return;
    m.SetTime(fmt::kPidMessageDeliveryTime, fileTime);
    m.SetTime(fmt::kPidClientSubmitTime, fileTime);
    m.SetTime(fmt::kPidCreationTime, fileTime);
    m.SetTime(fmt::kPidLastModificationTime, fileTime);
}

}  // namespace components
