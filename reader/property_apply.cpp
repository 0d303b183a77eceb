#include "reader/property_apply.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "format/bytes.h"
#include "reader/ltp.h"
#include "format/props.h"
#include "reader/reader_observer.h"
#include "reader/rtf_decompress.h"
#include "reader/store_text.h"

namespace {

constexpr uint32_t kStringNamedId = 0xFFFFFFFF;

// Which record a field lives in.
enum class Holder : uint8_t { Item, Message, Folder, Contact, Store, Journal, Appointment, Attachment };
// How a value is copied into its field.
enum class Form : uint8_t { Text, Binary, Bare, Time, Int32, Bool, Ignore, Special };

struct FieldRule {
    uint32_t id;
    Holder holder;
    Form form;
    size_t offset;
};

#define ITEM(id, form, field) {id, Holder::Item, Form::form, offsetof(ItemRecord, field)}
#define MSG(id, form, field) {id, Holder::Message, Form::form, offsetof(MessageDetail, field)}
#define FOLDER(id, form, field) {id, Holder::Folder, Form::form, offsetof(FolderCounts, field)}
#define CONTACT(id, form, field) {id, Holder::Contact, Form::form, offsetof(ContactDetail, field)}
#define STORE(id, form, field) {id, Holder::Store, Form::form, offsetof(StoreRecord, field)}
#define JOURNAL(id, form, field) {id, Holder::Journal, Form::form, offsetof(JournalDetail, field)}
#define APPT(id, form, field) {id, Holder::Appointment, Form::form, offsetof(AppointmentDetail, field)}
#define ATTACH(id, form, field) {id, Holder::Attachment, Form::form, offsetof(AttachmentNode, field)}
#define IGNORED(id) {id, Holder::Item, Form::Ignore, 0}
#define SPECIAL(id) {id, Holder::Item, Form::Special, 0}

const FieldRule kRules[] = {
    // The item's own fields.
    SPECIAL(0x001A), SPECIAL(0x3613), SPECIAL(0x0037), SPECIAL(0x0E07),
    ITEM(0x3001, Text, txDisplayName), ITEM(0x3004, Text, txComment),
    ITEM(0x1000, Text, txBody), ITEM(0x3FDE, Int32, nInternetCodePage),
    ITEM(0x3FFD, Int32, nMessageCodePage), ITEM(0x0E08, Int32, nMessageSize),
    ITEM(0x8554, Text, txVersionName), ITEM(0x0FF9, Binary, binRecordKey),
    ITEM(0x65E3, Binary, binChangeList), ITEM(0x0063, Bool, bResponseRequested),
    ITEM(0x3007, Time, pftCreated), ITEM(0x3008, Time, pftModified),
    ITEM(0x002B, Bool, bReassignProhibited),
    // Message.
    MSG(0x0E06, Time, pftMessageDeliveryTime), SPECIAL(0x0002),
    MSG(0x0E03, Text, txDisplayCc), MSG(0x0E02, Text, txDisplayBcc),
    MSG(0x0071, Binary, binConversationIndex), MSG(0x3A03, Bool, bConversionProhibited),
    MSG(0x0E01, Bool, bDeleteAfterSubmit), SPECIAL(0x0023),
    MSG(0x6F04, Binary, binValue6F04), MSG(0x6F02, Binary, binValue6F02),
    MSG(0x007D, Text, txTransportMessageHeaders), MSG(0x1013, Text, txBodyHtml),
    MSG(0x0017, Int32, nImportance), MSG(0x1042, Text, txInReplyToId),
    MSG(0x0058, Bool, bMessageCcMe), MSG(0x0059, Bool, bMessageRecipientMe),
    MSG(0x0057, Bool, bMessageToMe), MSG(0x1035, Text, txInternetMessageId),
    MSG(0x002E, Int32, nOriginalSensitivity), MSG(0x0072, Text, txOriginalDisplayBcc),
    MSG(0x0073, Text, txOriginalDisplayCc), MSG(0x0074, Text, txOriginalDisplayTo),
    MSG(0x0051, Text, txReceivedBySearchKey), MSG(0x0044, Text, txReceivedRepresentingName),
    MSG(0x0052, Text, txReceivedRepresentingSearchKey),
    MSG(0x003B, Text, txSentRepresentingSearchKey), MSG(0x0042, Text, txSentRepresentingName),
    MSG(0x0C1D, Text, txSenderSearchKey), SPECIAL(0x0026),
    MSG(0x0070, Text, txConversationTopic), MSG(0x0029, Bool, bReadReceiptRequested),
    MSG(0x0075, Text, txReceivedByAddressType), MSG(0x0076, Text, txReceivedByEmailAddress),
    MSG(0x0077, Text, txReceivedRepresentingAddressType),
    MSG(0x0078, Text, txReceivedRepresentingEmailAddress),
    MSG(0x0C17, Bool, bReplyRequested), MSG(0x0050, Text, txReplyRecipientNames),
    MSG(0x1046, Text, txOriginalMessageId), MSG(0x1007, Int32, nRtfSyncBodyCount),
    MSG(0x1006, Int32, nRtfSyncBodyCrc), MSG(0x1008, Text, txRtfSyncBodyTag),
    SPECIAL(0x1009), MSG(0x0E1F, Bool, bRtfInSync),
    MSG(0x1010, Int32, nRtfSyncPrefixCount), MSG(0x1011, Int32, nRtfSyncTrailingCount),
    MSG(0x0064, Text, txSentRepresentingAddressType),
    MSG(0x0065, Text, txSentRepresentingEmailAddress),
    MSG(0x0C1E, Text, txSenderAddressType), MSG(0x0C1F, Text, txSenderEmailAddress),
    MSG(0x0036, Int32, nSensitivity), MSG(0x0039, Time, pftClientSubmitTime),
    MSG(0x0E0A, Bare, pSentMailEntryId), MSG(0x0E04, Text, txDisplayTo),
    MSG(0x1001, Text, txReportText), MSG(0x0032, Time, pftReportTime),
    MSG(0x0C04, Int32, nNonDeliveryReportReasonCode),
    MSG(0x0C05, Int32, nNonDeliveryReportDiagCode), MSG(0x0C1B, Text, txSupplementaryInfo),
    MSG(0x0C20, Int32, nNonDeliveryReportStatusCode),
    // Folder.
    FOLDER(0x3602, Int32, nContentCount), FOLDER(0x3603, Int32, nContentUnreadCount),
    FOLDER(0x3617, Int32, nAssociatedContentCount), FOLDER(0x360A, Bool, bSubfolders),
    // Message store.
    SPECIAL(0x35E0), STORE(0x35E2, Bare, pIpmOutboxEntryId),
    STORE(0x35E3, Bare, pIpmWastebasketEntryId), STORE(0x35E4, Bare, pIpmSentMailEntryId),
    STORE(0x35E5, Bare, pViewsEntryId), STORE(0x35E6, Bare, pCommonViewsEntryId),
    STORE(0x35E7, Bare, pFinderEntryId), STORE(0x7C07, Bare, binValue7C07),
    STORE(0x35DF, Int32, nValidFolderMask), STORE(0x67FF, Int32, nPstPassword),
    // Appointment and reminder.
    APPT(0x820D, Time, pftAppointmentStartWhole), APPT(0x820E, Time, pftAppointmentEndWhole),
    APPT(0x8208, Text, txLocation), APPT(0x8503, Bool, bReminderSet),
    APPT(0x8560, Time, pftReminderSignalTime), APPT(0x8501, Int32, nReminderDelta),
    APPT(0x851F, Text, txReminderFileParameter), APPT(0x8234, Text, txTimeZoneDescription),
    APPT(0x8205, Int32, nBusyStatus), APPT(0x8214, Int32, nAppointmentColor),
    APPT(0x8215, Bool, bAppointmentSubType), APPT(0x8223, Bool, bRecurring),
    APPT(0x8231, Int32, nRecurrenceType), APPT(0x8232, Text, txRecurrencePattern),
    APPT(0x8216, Binary, binAppointmentRecur), APPT(0x8235, Time, pftClipStart),
    APPT(0x8236, Time, pftClipEnd),
    // Journal.
    JOURNAL(0x8706, Time, pftLogStart), JOURNAL(0x8708, Time, pftLogEnd),
    JOURNAL(0x8700, Text, txLogType), JOURNAL(0x8712, Text, txLogTypeDesc),
    // Contact (recipient rows' 0x3002 and 0x3003 land here too).
    CONTACT(0x3A00, Text, txAccount), CONTACT(0x8083, Text, txEmail1EmailAddress),
    CONTACT(0x3003, Text, txEmail1EmailAddress), CONTACT(0x8085, Text, txEmail1OriginalEntryId),
    CONTACT(0x8084, Text, txEmail1OriginalDisplayName),
    CONTACT(0x8082, Text, txEmail1AddressType), CONTACT(0x3002, Text, txEmail1AddressType),
    CONTACT(0x8093, Text, txEmail2EmailAddress), CONTACT(0x8095, Text, txEmail2OriginalEntryId),
    CONTACT(0x8094, Text, txEmail2OriginalDisplayName),
    CONTACT(0x8092, Text, txEmail2AddressType), CONTACT(0x80A3, Text, txEmail3EmailAddress),
    CONTACT(0x80A5, Text, txEmail3OriginalEntryId),
    CONTACT(0x80A4, Text, txEmail3OriginalDisplayName),
    CONTACT(0x80A2, Text, txEmail3AddressType), CONTACT(0x3A30, Text, txAssistant),
    CONTACT(0x3A2E, Text, txAssistantTelephoneNumber), CONTACT(0x8535, Text, txBilling),
    CONTACT(0x3A42, Time, pftBirthday), CONTACT(0x801B, Text, txWorkAddress),
    CONTACT(0x3A27, Text, txLocality), CONTACT(0x3A26, Text, txCountry),
    CONTACT(0x3A24, Text, txBusinessFaxNumber), CONTACT(0x3A51, Text, txBusinessHomePage),
    CONTACT(0x3A08, Text, txBusinessTelephoneNumber),
    CONTACT(0x3A1B, Text, txBusiness2TelephoneNumber), CONTACT(0x3A2B, Text, txPostOfficeBox),
    CONTACT(0x3A2A, Text, txPostalCode), CONTACT(0x3A28, Text, txStateOrProvince),
    CONTACT(0x3A29, Text, txStreetAddress), CONTACT(0x3A02, Text, txCallbackTelephoneNumber),
    CONTACT(0x3A1E, Text, txCarTelephoneNumber),
    CONTACT(0x3A57, Text, txCompanyMainTelephoneNumber), CONTACT(0x3A16, Text, txCompanyName),
    CONTACT(0x3A49, Text, txComputerNetworkName), CONTACT(0x3A4A, Text, txCustomerId),
    CONTACT(0x3A15, Text, txPostalAddress), CONTACT(0x3A18, Text, txDepartmentName),
    CONTACT(0x3A45, Text, txDisplayNamePrefix), CONTACT(0x3A06, Text, txGivenName),
    CONTACT(0x8530, Text, txFlagRequest), CONTACT(0x80D8, Text, txFreeBusyLocation),
    CONTACT(0x3A4C, Text, txFtpSite), CONTACT(0x8005, Text, txFileUnder),
    CONTACT(0x3A07, Text, txGovernmentIdNumber), CONTACT(0x3A43, Text, txHobbies),
    CONTACT(0x801A, Text, txHomeAddress), CONTACT(0x3A59, Text, txHomeAddressCity),
    CONTACT(0x3A5A, Text, txHomeAddressCountry), CONTACT(0x3A25, Text, txHomeFaxNumber),
    CONTACT(0x3A09, Text, txHomeTelephoneNumber), CONTACT(0x3A2F, Text, txHome2TelephoneNumber),
    CONTACT(0x3A5E, Text, txHomeAddressPostOfficeBox),
    CONTACT(0x3A5B, Text, txHomeAddressPostalCode),
    CONTACT(0x3A5C, Text, txHomeAddressStateOrProvince),
    CONTACT(0x3A5D, Text, txHomeAddressStreet), CONTACT(0x3A0A, Text, txInitials),
    CONTACT(0x3A2D, Text, txIsdnNumber), CONTACT(0x3A17, Text, txTitle),
    CONTACT(0x3A0B, Text, txKeyword), CONTACT(0x3A0C, Text, txLanguage),
    CONTACT(0x3A0D, Text, txLocation), CONTACT(0x3A0E, Bool, bMailPermission),
    CONTACT(0x3A4E, Text, txManagerName), CONTACT(0x3A44, Text, txMiddleName),
    CONTACT(0x8534, Text, txMileage), CONTACT(0x3A1C, Text, txMobileTelephoneNumber),
    CONTACT(0x3A4F, Text, txNickname), CONTACT(0x3A19, Text, txOfficeLocation),
    CONTACT(0x3A0F, Text, txMessageHandlingSystemCommonName),
    CONTACT(0x3A10, Text, txOrganizationalIdNumber), CONTACT(0x801C, Text, txOtherAddress),
    CONTACT(0x3A5F, Text, txOtherAddressCity), CONTACT(0x3A60, Text, txOtherAddressCountry),
    CONTACT(0x3A1F, Text, txOtherTelephoneNumber),
    CONTACT(0x3A64, Text, txOtherAddressPostOfficeBox),
    CONTACT(0x3A61, Text, txOtherAddressPostalCode),
    CONTACT(0x3A62, Text, txOtherAddressStateOrProvince),
    CONTACT(0x3A63, Text, txOtherAddressStreet), CONTACT(0x3A21, Text, txPagerTelephoneNumber),
    CONTACT(0x3A50, Text, txPersonalHomePage), CONTACT(0x3A47, Text, txReferredByName),
    CONTACT(0x3A23, Text, txPrimaryFaxNumber), CONTACT(0x3A1A, Text, txPrimaryTelephoneNumber),
    CONTACT(0x3A46, Text, txProfession), CONTACT(0x3A1D, Text, txRadioTelephoneNumber),
    CONTACT(0x3A40, Bool, bSendRichInfo), CONTACT(0x3A48, Text, txSpouseName),
    CONTACT(0x3A05, Text, txGeneration), CONTACT(0x3A11, Text, txSurname),
    CONTACT(0x3A2C, Text, txTelexNumber), CONTACT(0x3A20, Text, txTransmittableDisplayName),
    CONTACT(0x3A4B, Text, txTtyTddPhoneNumber), CONTACT(0x3A41, Time, pftWeddingAnniversary),
    CONTACT(0x8045, Text, txWorkAddressStreet), CONTACT(0x8046, Text, txWorkAddressCity),
    CONTACT(0x8047, Text, txWorkAddressState), CONTACT(0x8048, Text, txWorkAddressPostalCode),
    CONTACT(0x8049, Text, txWorkAddressCountry), CONTACT(0x804A, Text, txWorkAddressPostOfficeBox),
    // The attachment row or property context's target node.
    SPECIAL(0x3701), ATTACH(0x3704, Text, txAttachFilename),
    ATTACH(0x3705, Int32, nAttachMethod), ATTACH(0x3707, Text, txAttachLongFilename),
    ATTACH(0x370B, Int32, nRenderingPosition), ATTACH(0x370E, Text, txAttachMimeTag),
    ATTACH(0x3710, Int32, nAttachProperty3710), SPECIAL(0x67F2),
    // Taken and dropped.
    IGNORED(0x0C06), IGNORED(0x0C19), IGNORED(0x0C1A), IGNORED(0x0E20), IGNORED(0x300B),
    IGNORED(0x3A01), IGNORED(0x3A12), IGNORED(0x3A13), IGNORED(0x3A14), IGNORED(0x3A22),
    IGNORED(0x3A4D), IGNORED(0x3A58), IGNORED(0x8516), IGNORED(0x8517),
    // String-named properties.
    SPECIAL(kStringNamedId),
};

#undef ITEM
#undef MSG
#undef FOLDER
#undef CONTACT
#undef STORE
#undef JOURNAL
#undef APPT
#undef ATTACH
#undef IGNORED
#undef SPECIAL

// The rules sorted by id for a binary search.
const std::vector<FieldRule>& SortedRules() {
    static const std::vector<FieldRule> rules = [] {
        std::vector<FieldRule> v(std::begin(kRules), std::end(kRules));
        std::sort(v.begin(), v.end(),
                  [](const FieldRule& a, const FieldRule& b) { return a.id < b.id; });
        return v;
    }();
    return rules;
}

const FieldRule* FindRule(uint32_t id) {
    const auto& rules = SortedRules();
    auto it = std::lower_bound(rules.begin(), rules.end(), id,
                               [](const FieldRule& r, uint32_t v) { return r.id < v; });
    return (it != rules.end() && it->id == id) ? &*it : nullptr;
}

template <typename T>
T* MakeOnce(T*& slot) {
    if (!slot) slot = static_cast<T*>(std::calloc(1, sizeof(T)));
    return slot;
}

// ---- value forms ----

bool IsTextType(uint32_t type) {
    return type == fmt::kPtString8 || type == fmt::kPtUnicode || type == fmt::kPtBinary;
}

void CopyText(StoreText& field, const PropValue& v) {
    std::free(field.pData);
    field.pData = nullptr;
    if (IsTextType(v.type)) {
        const uint32_t size = static_cast<uint32_t>(v.size);
        // Zero bytes end both 8-bit and UTF-16LE text; three, so that a value
        // of odd size (damaged) still ends in a zero unit on an even offset.
        field.pData = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(size) + 3, 1));
        if (field.pData && v.pData) std::memcpy(field.pData, v.pData, size);
    }
    field.bWide = v.type == fmt::kPtUnicode ? 1 : 0;
}

void CopyTextBytes(StoreText& field, const uint8_t* bytes, uint32_t size, uint32_t type) {
    PropValue v;
    v.pData = const_cast<uint8_t*>(bytes);
    v.size = size;
    v.type = type;
    CopyText(field, v);
}

void CopyBinary(uint64_t& cb, uint8_t*& data, const PropValue& v) {
    std::free(data);
    data = nullptr;
    cb = v.pData ? v.size : 0;
    if (cb == 0) return;
    const size_t size = static_cast<uint32_t>(cb);
    data = static_cast<uint8_t*>(std::malloc(size ? size : 1));
    if (!data) {
        cb = 0;
        return;
    }
    std::memcpy(data, v.pData, size);
}

void CopyBare(uint8_t*& field, const PropValue& v) {
    std::free(field);
    const size_t size = v.pData ? static_cast<uint32_t>(v.size) : 0;
    field = static_cast<uint8_t*>(std::calloc(size + 1, 1));
    if (field && size) std::memcpy(field, v.pData, size);
}

void CopyTime(ItemFileTime*& field, const PropValue& v) {
    if (!field) field = static_cast<ItemFileTime*>(std::calloc(1, sizeof(ItemFileTime)));
    if (!field) return;
    uint8_t bytes[8] = {};
    if (v.pData) std::memcpy(bytes, v.pData, static_cast<size_t>(std::min<uint64_t>(v.size, 8)));
    field->dwLowDateTime = fmt::LoadLe32(bytes);
    field->dwHighDateTime = fmt::LoadLe32(bytes + 4);
}

// The first 4 (or 2) bytes of a value, little-endian; missing bytes count as 0.
uint32_t ValuePrefix(const PropValue& v, size_t bytes) {
    uint8_t b[4] = {};
    if (v.pData) std::memcpy(b, v.pData, static_cast<size_t>(std::min<uint64_t>(v.size, bytes)));
    return fmt::LoadLe32(b);
}

void ApplyForm(Form form, void* holder, size_t offset, const PropValue& v) {
    uint8_t* base = static_cast<uint8_t*>(holder) + offset;
    switch (form) {
    case Form::Text:
        CopyText(*reinterpret_cast<StoreText*>(base), v);
        break;
    case Form::Binary: {
        auto* bin = reinterpret_cast<StoreBinary*>(base);
        CopyBinary(bin->cb, bin->pData, v);
        break;
    }
    case Form::Bare:
        CopyBare(*reinterpret_cast<uint8_t**>(base), v);
        break;
    case Form::Time:
        CopyTime(*reinterpret_cast<ItemFileTime**>(base), v);
        break;
    case Form::Int32:
        *reinterpret_cast<int32_t*>(base) = static_cast<int32_t>(ValuePrefix(v, 4));
        break;
    case Form::Bool:
        *reinterpret_cast<int32_t*>(base) = (ValuePrefix(v, 2) & 0xFFFF) != 0 ? 1 : 0;
        break;
    case Form::Ignore:
    case Form::Special:
        break;
    }
}

// ---- the cases that do more than a copy ----

// Widens the class value by the store string mode and narrows it to the ANSI
// code page; always gives a text (empty for an empty value).
char* ClassText(const PropValue& v) {
    const uint32_t size = static_cast<uint32_t>(v.size);
    char* text = static_cast<char*>(std::calloc(static_cast<size_t>(size) + 1, 1));
    if (!text || !v.pData || size == 0) return text;
    // Mode 1 counts 2 bytes per character, mode 2 takes the size as it is.
    const uint64_t byteCount = g_nStringMode == 1 ? 2 * static_cast<uint64_t>(size) : size;
    if (byteCount > 0x7FFFFFFF) return text;
    StoreWChar* wide = StoreStringToWide(static_cast<int32_t>(byteCount), v.pData);
    if (!wide) return text;
    size_t units = 0;
    while (wide[units]) ++units;
    // The ANSI text never takes more bytes than the value had.
    WideToAnsi(wide, units, text, std::min<size_t>(units, size));
    std::free(wide);
    return text;
}

void ApplyClass(ItemRecord* r, const PropValue& v, bool isMessageClass) {
    if (v.type != fmt::kPtString8 && v.type != fmt::kPtUnicode) return;
    char* text = ClassText(v);
    if (!text && isMessageClass) {
        text = static_cast<char*>(std::malloc(sizeof("unknown")));
        if (text) std::memcpy(text, "unknown", sizeof("unknown"));
    }
    std::free(r->szClass);
    r->szClass = text;
    const char* classified = text ? text : "";
    r->nKind = isMessageClass ? ClassifyMessageClass(classified) : ClassifyContainerClass(classified);
}

// A subject may be stored behind a marker character below 0x20 and a
// prefix-length character ([MS-PST] 2.5.3.1.1.1): two characters, that is 4
// bytes of UTF-16 text and 2 bytes of 8-bit text, are skipped. The marker is
// a whole character: in UTF-16 text the first 16-bit unit, so that a subject
// beginning with U+0410 (bytes 10 04) or U+4E00 keeps its first characters.
void ApplySubject(ItemRecord* r, const PropValue& v) {
    const uint64_t skip = g_nStringMode == 1 ? 2 : 4;
    const uint32_t first = !v.pData || v.size < skip ? 0xFFFF
                           : g_nStringMode == 1      ? v.pData[0]
                                                     : fmt::LoadLe16(v.pData);
    if (first < 0x20) {
        CopyTextBytes(r->txSubject, v.pData + skip, static_cast<uint32_t>(v.size - skip), v.type);
    } else {
        CopyText(r->txSubject, v);
    }
}

// Finds charset="..." in a content-type value (8-bit text up to its first zero).
void TakeCharset(ItemRecord* r, const uint8_t* value) {
    const char* text = reinterpret_cast<const char*>(value);
    const char* start = std::strstr(text, "charset=\"");
    if (!start) return;
    start += 9;
    const char* end = std::strchr(start, '"');
    if (!end) return;
    const size_t n = static_cast<size_t>(end - start);
    char* copy = static_cast<char*>(std::malloc(n + 1));
    if (!copy) return;
    std::memcpy(copy, start, n);
    copy[n] = 0;
    std::free(r->szCharset);
    r->szCharset = copy;
    r->bHasCharset = 1;
}

void AddNamedValue(ItemRecord* r, const char* name, const uint8_t* bytes, size_t size) {
    auto* nv = static_cast<NamedValue*>(std::calloc(1, sizeof(NamedValue)));
    if (!nv) return;
    const size_t nameLen = std::strlen(name);
    nv->szName = static_cast<char*>(std::malloc(nameLen + 1));
    nv->pValue = static_cast<uint8_t*>(std::calloc(size + 1, 1));
    if (!nv->szName || !nv->pValue) {
        std::free(nv->szName);
        std::free(nv->pValue);
        std::free(nv);
        return;
    }
    std::memcpy(nv->szName, name, nameLen + 1);
    if (size && bytes) std::memcpy(nv->pValue, bytes, size);
    nv->pNext = r->pNamedValues;
    r->pNamedValues = nv;
    if (std::strcmp(name, "content-type") == 0) TakeCharset(r, nv->pValue);
}

// A multi-valued 8-bit string: u32 count, count u32 offsets, then the strings.
// Elements are bounded by the value: offsets past it, or past the next one,
// are clamped, and a count larger than the offsets present is cut.
void AddMultiString8(ItemRecord* r, const char* name, const PropValue& v) {
    if (!v.pData || v.size < 4) return;
    const uint64_t size = v.size;
    uint64_t count = fmt::LoadLe32(v.pData);
    const uint64_t maxCount = (size - 4) / 4;
    if (count > maxCount) count = maxCount;
    for (uint64_t k = 0; k < count; ++k) {
        uint64_t begin = fmt::LoadLe32(v.pData + 4 + 4 * k);
        uint64_t end = k + 1 < count ? fmt::LoadLe32(v.pData + 8 + 4 * k) : size;
        if (begin > size) begin = size;
        if (end > size) end = size;
        if (end < begin) end = begin;
        AddNamedValue(r, name, v.pData + begin, static_cast<size_t>(end - begin));
    }
}

void ApplyStringNamed(ItemRecord* r, const PropValue& v) {
    if (!v.pszName) return;
    if (v.type == fmt::kPtMultipleString8) {
        AddMultiString8(r, v.pszName, v);
    } else if (v.type == fmt::kPtString8 || v.type == fmt::kPtUnicode || v.type == fmt::kPtBinary) {
        AddNamedValue(r, v.pszName, v.pData, v.pData ? static_cast<uint32_t>(v.size) : 0);
    }
}

void ApplyAttachData(AttachmentNode* target, const PropValue& v) {
    if (!target) return;
    if (v.pData) {
        CopyBinary(target->cbData, target->pData, v);
    } else {
        // Not read: the value carries the id of the subnode that holds it.
        target->nidData = static_cast<uint32_t>(v.type);
    }
}

void ApplySpecial(ItemRecord* r, AttachmentNode* target, const PropValue& v) {
    switch (v.propId) {
    case 0x001A:
        ApplyClass(r, v, true);
        break;
    case 0x3613:
        ApplyClass(r, v, false);
        break;
    case 0x0037:
        ApplySubject(r, v);
        break;
    case 0x0E07:
        if (MakeOnce(r->pMessage)) r->nMessageFlags = static_cast<int32_t>(ValuePrefix(v, 4));
        break;
    case 0x0002:
        if (v.type == fmt::kPtBoolean && MakeOnce(r->pMessage)) {
            r->pMessage->bAlternateRecipientAllowed = (ValuePrefix(v, 2) & 0xFFFF) != 0 ? 1 : -1;
        }
        break;
    case 0x0023:
        if (v.type == fmt::kPtBoolean && MakeOnce(r->pMessage)) {
            r->pMessage->bOriginatorDeliveryReportRequested = (ValuePrefix(v, 2) & 0xFFFF) != 0 ? 1 : 0;
        }
        break;
    case 0x0026:
        if (MakeOnce(r->pMessage)) r->pMessage->nPriority = static_cast<int32_t>(ValuePrefix(v, 4) + 1);
        break;
    case 0x1009:
        if (MakeOnce(r->pMessage)) {
            StoreBinary& rtf = r->pMessage->binRtfCompressed;
            CopyBinary(rtf.cb, rtf.pData, v);
            // The body file always holds the body of the item read last.
            if (v.pData && rtf.pData) DecompressRtfToFile(rtf.pData, rtf.cb, RtfBodyFilePath());
        }
        break;
    case 0x35E0:
        if (MakeOnce(r->pStore)) {
            CopyBare(r->pStore->pIpmSubtreeEntryId, v);
            r->pStore->cbIpmSubtreeEntryId = v.pData ? static_cast<uint32_t>(v.size) : 0;
        }
        break;
    case 0x3701:
        ApplyAttachData(target, v);
        break;
    case 0x67F2:
        if (target) target->nidData = ValuePrefix(v, 4);
        break;
    case kStringNamedId:
        ApplyStringNamed(r, v);
        break;
    default:
        break;
    }
}

void* HolderOf(ItemRecord* r, AttachmentNode* target, Holder holder) {
    switch (holder) {
    case Holder::Item: return r;
    case Holder::Message: return MakeOnce(r->pMessage);
    case Holder::Folder: return MakeOnce(r->pFolderCounts);
    case Holder::Contact: return MakeOnce(r->pContact);
    case Holder::Store: return MakeOnce(r->pStore);
    case Holder::Journal: return MakeOnce(r->pJournal);
    case Holder::Appointment: return MakeOnce(r->pAppointment);
    case Holder::Attachment: return target;
    }
    return nullptr;
}

void ApplyValue(ItemRecord* r, AttachmentNode* target, PropValue& v) {
    const FieldRule* rule = FindRule(v.propId);
    if (!rule) {
        // No field takes it: its data goes at once.
        std::free(v.pData);
        v.pData = nullptr;
        return;
    }
    if (rule->form == Form::Ignore) return;
    if (rule->form == Form::Special) {
        ApplySpecial(r, target, v);
        return;
    }
    void* holder = HolderOf(r, target, rule->holder);
    if (holder) ApplyForm(rule->form, holder, rule->offset, v);
}

char FoldAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

int OrderOf(char literal, char text) {
    const unsigned char a = static_cast<unsigned char>(FoldAscii(literal));
    const unsigned char b = static_cast<unsigned char>(FoldAscii(text));
    if (a == b) return 0;
    return a >= b ? 1 : -1;
}

}  // namespace

int StartsWithNoCase(const char* literal, const char* text, size_t count) {
    size_t i = 0;
    while (literal[i]) {
        if (!text[i] || i >= count) break;
        if (FoldAscii(literal[i]) != FoldAscii(text[i])) break;
        ++i;
    }
    if (!literal[i] || !text[i]) return 0;
    return OrderOf(literal[i], text[i]);
}

int CompareNoCase(const char* literal, const char* text) {
    size_t i = 0;
    while (literal[i] && text[i] && FoldAscii(literal[i]) == FoldAscii(text[i])) ++i;
    return OrderOf(literal[i], text[i]);
}

int32_t ClassifyMessageClass(const char* c) {
    auto S = [c](const char* lit) { return StartsWithNoCase(lit, c, std::strlen(lit)) == 0; };
    if (S("IPM.Note")) return kItemKindNote;
    if (CompareNoCase("IPM", c) == 0) return kItemKindNote;
    if (S("IPM.Contact")) return kItemKindContact;
    if (S("REPORT.IPM.Note")) return kItemKindReport;
    if (S("IPM.Activity")) return kItemKindJournal;
    if (S("IPM.Appointment")) return kItemKindAppointment;
    if (S("IPM.Schedule.Meeting")) return kItemKindMeetingRequest;
    if (S("IPM.StickyNote")) return kItemKindStickyNote;
    if (S("IPM.Task")) return kItemKindTask;
    return kItemKindOther;
}

int32_t ClassifyContainerClass(const char* c) {
    auto S = [c](const char* lit) { return StartsWithNoCase(lit, c, std::strlen(lit)) == 0; };
    if (S("IPF.Note")) return kItemKindNote;
    if (S("IPF.Imap")) return kItemKindNote;
    if (CompareNoCase("IPF", c) == 0) return kItemKindNote;
    if (S("IPF.Contact")) return kItemKindContact;
    if (S("IPF.Journal")) return kItemKindJournal;
    if (S("IPF.Appointment")) return kItemKindAppointment;
    if (S("IPF.StickyNote")) return kItemKindStickyNote;
    if (S("IPF.Task")) return kItemKindTask;
    return kItemKindOther;
}

int ApplyProperties(ItemRecord* record, PropRow* rows, AttachmentNode* target) {
    if (!record) return -1;
    ReaderObserver& observer = GetReaderObserver();
    for (PropRow* row = rows; row; row = row->pNext) {
        const int32_t count = std::min(row->valueCount, row->slotCount);
        for (int32_t i = 0; i < count; ++i) {
            PropValue* v = row->ppValues ? row->ppValues[i] : nullptr;
            if (!v) continue;
            ++g_nReadProgressPos;
            if (observer.IsDisplayBusy()) observer.SetReadProgressPos(g_nReadProgressPos);
            ApplyValue(record, target, *v);
        }
        if (target) target = target->pNext;
    }
    return 0;
}
