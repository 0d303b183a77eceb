#include "export/ContactExport.h"

#include <cstddef>
#include <cstdlib>

#include "export/AttachmentFiles.h"
#include "export/ExportSetup.h"
#include "export/ExportState.h"
#include "export/ExportText.h"
#include "export/SaveLosses.h"
#include "export/SaveWorker.h"
#include "reader/rtf_decompress.h"

namespace {

// Dispatch ids of the session library's objects.
const DISPID kLogOn = 4;
const DISPID kFolderByPath = 0x60020016;
const DISPID kFolderItems = 0x11;
const DISPID kAddItem = 4;
const DISPID kAttachFile = 0x600400E0;
const DISPID kRtfBodyText = 0x45;
const DISPID kPlainBody = 0xB;
const DISPID kSaveItem = 6;
const long kContactItemKind = 2;

const wchar_t kNoSessionLibrary[] = L"The session library cannot be started.";
const wchar_t kNoContactFolder[] = L"The session library cannot reach the contact's folder in the new store.";
const wchar_t kNoContactDetails[] = L"A contact without any contact details cannot be stored.";

struct ContactProperty {
    DISPID id;
    StoreText ContactDetail::*field;
};

// The puts in order; an id that occurs twice is put twice (the later value
// stays). The body goes between the two groups.
const ContactProperty kBeforeBody[] = {
    {0x600400A2, &ContactDetail::txOrganizationalIdNumber},
    {0x60040051, &ContactDetail::txFileUnder},
    {0x60040056, &ContactDetail::txGovernmentIdNumber},
    {0x600400CC, &ContactDetail::txTtyTddPhoneNumber},
    {0x6004000A, &ContactDetail::txBusiness2TelephoneNumber},
    {0x600400BE, &ContactDetail::txRadioTelephoneNumber},
    {0x600400C8, &ContactDetail::txTelexNumber},
    {0x1F, &ContactDetail::txMileage},
    {0x6004004D, &ContactDetail::txGivenName},
    {0x60040096, &ContactDetail::txMiddleName},
    {0x60040083, &ContactDetail::txSurname},
    {0x6004000C, &ContactDetail::txWorkAddress},
    {0x6004005B, &ContactDetail::txHome2TelephoneNumber},
    {0x60040033, &ContactDetail::txDepartmentName},
    {0x60040022, &ContactDetail::txCarTelephoneNumber},
    {0x60040012, &ContactDetail::txPostalCode},
    {0x60040018, &ContactDetail::txStreetAddress},
    {0x60040016, &ContactDetail::txStateOrProvince},
    {0x60040010, &ContactDetail::txCountry},
    {0x6004000E, &ContactDetail::txLocality},
    {0x60040020, &ContactDetail::txCallbackTelephoneNumber},
    {0x600400AA, &ContactDetail::txOtherAddressPostalCode},
    {0x600400A4, &ContactDetail::txOtherAddress},
    {0x600400B4, &ContactDetail::txOtherTelephoneNumber},
    {0x600400B0, &ContactDetail::txOtherAddressStreet},
    {0x600400AE, &ContactDetail::txOtherAddressStateOrProvince},
    {0x600400A8, &ContactDetail::txOtherAddressCountry},
    {0x600400A6, &ContactDetail::txOtherAddressCity},
    {0x60040067, &ContactDetail::txHomeAddressStateOrProvince},
    {0x60040069, &ContactDetail::txHomeAddressStreet},
    {0x60040063, &ContactDetail::txHomeAddressPostalCode},
    {0x60040061, &ContactDetail::txHomeAddressCountry},
    {0x6004001C, &ContactDetail::txBusinessHomePage},
    {0x600400B8, &ContactDetail::txPersonalHomePage},
    {0x6004009E, &ContactDetail::txNickname},
    {0x60040094, &ContactDetail::txManagerName},
    {0x60040073, &ContactDetail::txFreeBusyLocation},
    {0x6004005F, &ContactDetail::txHomeAddressCity},
    {0x6004002B, &ContactDetail::txCompanyMainTelephoneNumber},
    {0x600400C4, &ContactDetail::txSpouseName},
    {0x600400BC, &ContactDetail::txProfession},
    {0x60040004, &ContactDetail::txAssistant},
    {0x60040006, &ContactDetail::txAssistantTelephoneNumber},
    {0x60040075, &ContactDetail::txIsdnNumber},
    {0x600400B6, &ContactDetail::txPagerTelephoneNumber},
    {0x600400A0, &ContactDetail::txOfficeLocation},
    {0x6004006B, &ContactDetail::txHomeFaxNumber},
    {0x6004007B, &ContactDetail::txLanguage},
    {0x6004001E, &ContactDetail::txBusinessTelephoneNumber},
    {0x6004001A, &ContactDetail::txBusinessFaxNumber},
};

const ContactProperty kAfterBody[] = {
    {0x6004000C, &ContactDetail::txPostalAddress},
    {0x6004005D, &ContactDetail::txHomeAddress},
    {0x60040059, &ContactDetail::txHobbies},
    {0x60040031, &ContactDetail::txCustomerId},
    {0x0, &ContactDetail::txGeneration},
    {0x600400C6, &ContactDetail::txGeneration},
    {0x60040035, &ContactDetail::txEmail1EmailAddress},
    {0x6004002D, &ContactDetail::txCompanyName},
    {0x60040077, &ContactDetail::txTitle},
    {0x6004004D, &ContactDetail::txGivenName},
    {0x60040096, &ContactDetail::txMiddleName},
    {0x60040083, &ContactDetail::txSurname},
    {0x6004006D, &ContactDetail::txHomeTelephoneNumber},
    {0x60040098, &ContactDetail::txMobileTelephoneNumber},
    {0x60040051, &ContactDetail::txFileUnder},
};

const BYTE kOneText[] = VTS_BSTR;
const BYTE kOneVariant[] = VTS_VARIANT;
const BYTE kSixVariants[] = VTS_VARIANT VTS_VARIANT VTS_VARIANT VTS_VARIANT VTS_VARIANT VTS_VARIANT;

void PutText(COleDispatchDriver& item, DISPID id, const CString& text) {
    item.InvokeHelper(id, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, kOneText, text);
}

template <size_t N>
void PutProperties(COleDispatchDriver& item, const ContactDetail& contact, const ContactProperty (&rows)[N]) {
    for (const ContactProperty& row : rows) {
        const StoreText& text = contact.*row.field;
        if (HasText(text)) PutText(item, row.id, WidenStoreText(text));
    }
}

// An object a call gives, bound to a driver that releases it; false when the
// call gave none.
bool Bind(COleDispatchDriver& driver, LPDISPATCH object) {
    if (object == nullptr) return false;
    driver.AttachDispatch(object, TRUE);
    return true;
}

void PutBody(COleDispatchDriver& item, const ItemRecord& record) {
    const MessageDetail* message = record.pMessage;
    if (message == nullptr) return;
    if (message->binRtfCompressed.cb != 0) {
        uint32_t length = 0;
        char* rtf = reinterpret_cast<char*>(ReadFileAndDelete(CString(RtfBodyFilePath().c_str()), &length));
        if (rtf == nullptr) return;
        const CString text = WidenAnsiBytes(rtf, length);
        std::free(rtf);
        PutText(item, kRtfBodyText, text);
    } else if (HasText(record.txBody)) {
        PutText(item, kPlainBody, WidenStoreText(record.txBody));
    }
}

}  // namespace

int ExportContactItem(ItemRecord* record) {
    // Declared first, released last: the item, then items, folder and session.
    COleDispatchDriver session, folder, items, item;
    try {
        if (!session.CreateDispatch(kSessionLibraryProgId)) {
            g_saveLosses.Item(0, kNoSessionLibrary);
            return 0;
        }
        VARIANT empty;
        ::VariantInit(&empty);
        session.InvokeHelper(kLogOn, DISPATCH_METHOD, VT_EMPTY, nullptr, kSixVariants, &empty, &empty, &empty,
                             &empty, &empty, &empty);

        LPDISPATCH object = nullptr;
        session.InvokeHelper(kFolderByPath, DISPATCH_METHOD, VT_DISPATCH, &object, kOneText, g_strPstFolderPath);
        if (!Bind(folder, object)) {
            g_saveLosses.Item(0, kNoContactFolder);
            return 0;
        }
        object = nullptr;
        folder.InvokeHelper(kFolderItems, DISPATCH_PROPERTYGET, VT_DISPATCH, &object, nullptr);
        if (!Bind(items, object)) {
            g_saveLosses.Item(0, kNoContactFolder);
            return 0;
        }
        VARIANT kind;
        ::VariantInit(&kind);
        kind.vt = VT_I4;
        kind.lVal = kContactItemKind;
        object = nullptr;
        items.InvokeHelper(kAddItem, DISPATCH_METHOD, VT_DISPATCH, &object, kOneVariant, &kind);
        if (!Bind(item, object)) {
            g_saveLosses.Item(0, kNoContactFolder);
            return 0;
        }

        if (record->pContact == nullptr) {
            // Made and released unsaved: the session library stores a contact by its details.
            g_saveLosses.Item(0, kNoContactDetails);
            return 0;
        }

        // Every file, each by its own call; one the session library refuses
        // is counted and the contact is stored without it.
        if (record->pAttachments != nullptr) {
            SaveAttachmentsToTempFiles(record);
            for (const CString& path : g_attachPaths) {
                try {
                    item.InvokeHelper(kAttachFile, DISPATCH_METHOD, VT_EMPTY, nullptr, kOneText, path);
                } catch (...) {
                    g_saveLosses.Attachment(0, CurrentFailureText());
                }
            }
        }
        PutProperties(item, *record->pContact, kBeforeBody);
        PutBody(item, *record);
        PutProperties(item, *record->pContact, kAfterBody);
        item.InvokeHelper(kSaveItem, DISPATCH_METHOD, VT_EMPTY, nullptr, nullptr);
    } catch (...) {
        // The contact is not stored; the objects go with their drivers.
        g_saveLosses.Refused(CurrentFailureText());
    }
    return 0;
}
