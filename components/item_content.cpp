#include "components/item_content.h"

#include <windows.h>

#include <cstdint>
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

namespace {
// RTF text as file bytes in the ANSI code page; a character that has no form
// there becomes RTF's Unicode escape, \uN with N the signed 16-bit code
// unit, followed by '?' for readers that skip it (one code unit each, so a
// character beyond the BMP is two escapes).
std::string RtfBytes(const std::wstring& text) {
    std::string bytes;
    if (AnsiFromWide(text, bytes)) return bytes;
    bytes.clear();
    std::string one;
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c < 0x80) {
            bytes += static_cast<char>(c);
            continue;
        }
        const bool pair = c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
        if (!pair && AnsiFromWide(std::wstring(1, c), one)) {
            bytes += one;
            continue;
        }
        for (size_t k = 0; k < (pair ? 2u : 1u); ++k)
            bytes += "\\u" + std::to_string(static_cast<int16_t>(text[i + k])) + "?";
        if (pair) ++i;
    }
    return bytes;
}
}  // namespace

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
    case kBodyRtf:
        m.SetRtfBody(RtfBytes(text));
        break;
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
