#include "reader/item_record.h"

#include <cstdlib>

#include "reader/ndb_block.h"

namespace {

template <typename T>
void FreeAndClear(T*& p) {
    std::free(p);
    p = nullptr;
}

void FreeMessageDetail(MessageDetail* m) {
    FreeAndClear(m->pftMessageDeliveryTime);
    FreeStoreText(m->txDisplayCc);
    FreeStoreText(m->txDisplayBcc);
    FreeStoreBinary(m->binConversationIndex);
    FreeStoreBinary(m->binValue6F04);
    FreeStoreBinary(m->binValue6F02);
    FreeStoreText(m->txTransportMessageHeaders);
    FreeStoreText(m->txBodyHtml);
    FreeStoreText(m->txInReplyToId);
    FreeStoreText(m->txInternetMessageId);
    FreeStoreText(m->txOriginalDisplayBcc);
    FreeStoreText(m->txOriginalDisplayCc);
    FreeStoreText(m->txOriginalDisplayTo);
    FreeStoreText(m->txReceivedBySearchKey);
    FreeStoreText(m->txReceivedRepresentingName);
    FreeStoreText(m->txReceivedRepresentingSearchKey);
    FreeStoreText(m->txSentRepresentingSearchKey);
    FreeStoreText(m->txSentRepresentingName);
    FreeStoreText(m->txSenderSearchKey);
    FreeStoreText(m->txConversationTopic);
    FreeStoreText(m->txReceivedByAddressType);
    FreeStoreText(m->txReceivedByEmailAddress);
    FreeStoreText(m->txReceivedRepresentingAddressType);
    FreeStoreText(m->txReceivedRepresentingEmailAddress);
    FreeStoreText(m->txReplyRecipientNames);
    FreeStoreText(m->txOriginalMessageId);
    FreeStoreText(m->txRtfSyncBodyTag);
    FreeStoreBinary(m->binRtfCompressed);
    FreeStoreText(m->txSentRepresentingAddressType);
    FreeStoreText(m->txSentRepresentingEmailAddress);
    FreeStoreText(m->txSenderAddressType);
    FreeStoreText(m->txSenderEmailAddress);
    FreeAndClear(m->pftClientSubmitTime);
    FreeAndClear(m->pSentMailEntryId);
    FreeStoreText(m->txDisplayTo);
    FreeStoreText(m->txReportText);
    FreeAndClear(m->pftReportTime);
    FreeStoreText(m->txSupplementaryInfo);
    std::free(m);
}

void FreeStoreRecord(StoreRecord* s) {
    FreeAndClear(s->pIpmSubtreeEntryId);
    FreeAndClear(s->pIpmOutboxEntryId);
    FreeAndClear(s->pIpmWastebasketEntryId);
    FreeAndClear(s->pIpmSentMailEntryId);
    FreeAndClear(s->pViewsEntryId);
    FreeAndClear(s->pCommonViewsEntryId);
    FreeAndClear(s->pFinderEntryId);
    FreeAndClear(s->binValue7C07);
    std::free(s);
}

void FreeAppointmentDetail(AppointmentDetail* a) {
    FreeAndClear(a->pftAppointmentStartWhole);
    FreeAndClear(a->pftAppointmentEndWhole);
    FreeStoreText(a->txLocation);
    FreeAndClear(a->pftReminderSignalTime);
    FreeStoreText(a->txReminderFileParameter);
    FreeStoreText(a->txTimeZoneDescription);
    FreeStoreText(a->txRecurrencePattern);
    FreeStoreBinary(a->binAppointmentRecur);
    FreeAndClear(a->pftClipStart);
    FreeAndClear(a->pftClipEnd);
    std::free(a);
}

void FreeJournalDetail(JournalDetail* j) {
    FreeAndClear(j->pftLogStart);
    FreeAndClear(j->pftLogEnd);
    FreeStoreText(j->txLogType);
    FreeStoreText(j->txLogTypeDesc);
    std::free(j);
}

// Every text of the contact record; the two times and the three plain values
// are released or skipped by FreeContactDetail itself.
StoreText ContactDetail::* const kContactTexts[] = {
    &ContactDetail::txAccount, &ContactDetail::txEmail1EmailAddress,
    &ContactDetail::txEmail1OriginalEntryId, &ContactDetail::txEmail1OriginalDisplayName,
    &ContactDetail::txEmail1AddressType, &ContactDetail::txEmail2EmailAddress,
    &ContactDetail::txEmail2OriginalEntryId, &ContactDetail::txEmail2OriginalDisplayName,
    &ContactDetail::txEmail2AddressType, &ContactDetail::txEmail3EmailAddress,
    &ContactDetail::txEmail3OriginalEntryId, &ContactDetail::txEmail3OriginalDisplayName,
    &ContactDetail::txEmail3AddressType, &ContactDetail::txAssistant,
    &ContactDetail::txAssistantTelephoneNumber, &ContactDetail::txBilling,
    &ContactDetail::txWorkAddress, &ContactDetail::txLocality, &ContactDetail::txCountry,
    &ContactDetail::txBusinessFaxNumber, &ContactDetail::txBusinessHomePage,
    &ContactDetail::txBusinessTelephoneNumber, &ContactDetail::txBusiness2TelephoneNumber,
    &ContactDetail::txPostOfficeBox, &ContactDetail::txPostalCode,
    &ContactDetail::txStateOrProvince, &ContactDetail::txStreetAddress,
    &ContactDetail::txCallbackTelephoneNumber, &ContactDetail::txCarTelephoneNumber,
    &ContactDetail::txCompanyMainTelephoneNumber, &ContactDetail::txCompanyName,
    &ContactDetail::txComputerNetworkName, &ContactDetail::txCustomerId,
    &ContactDetail::txPostalAddress, &ContactDetail::txDepartmentName,
    &ContactDetail::txDisplayNamePrefix, &ContactDetail::txGivenName,
    &ContactDetail::txFlagRequest, &ContactDetail::txFreeBusyLocation,
    &ContactDetail::txFtpSite, &ContactDetail::txFileUnder,
    &ContactDetail::txGovernmentIdNumber, &ContactDetail::txHobbies,
    &ContactDetail::txHomeAddress, &ContactDetail::txHomeAddressCity,
    &ContactDetail::txHomeAddressCountry, &ContactDetail::txHomeFaxNumber,
    &ContactDetail::txHomeTelephoneNumber, &ContactDetail::txHome2TelephoneNumber,
    &ContactDetail::txHomeAddressPostOfficeBox, &ContactDetail::txHomeAddressPostalCode,
    &ContactDetail::txHomeAddressStateOrProvince, &ContactDetail::txHomeAddressStreet,
    &ContactDetail::txInitials, &ContactDetail::txIsdnNumber, &ContactDetail::txTitle,
    &ContactDetail::txKeyword, &ContactDetail::txLanguage, &ContactDetail::txLocation,
    &ContactDetail::txManagerName, &ContactDetail::txMiddleName, &ContactDetail::txMileage,
    &ContactDetail::txMobileTelephoneNumber, &ContactDetail::txNickname,
    &ContactDetail::txOfficeLocation, &ContactDetail::txMessageHandlingSystemCommonName,
    &ContactDetail::txOrganizationalIdNumber, &ContactDetail::txOtherAddress,
    &ContactDetail::txOtherAddressCity, &ContactDetail::txOtherAddressCountry,
    &ContactDetail::txOtherTelephoneNumber, &ContactDetail::txOtherAddressPostOfficeBox,
    &ContactDetail::txOtherAddressPostalCode, &ContactDetail::txOtherAddressStateOrProvince,
    &ContactDetail::txOtherAddressStreet, &ContactDetail::txPagerTelephoneNumber,
    &ContactDetail::txPersonalHomePage, &ContactDetail::txReferredByName,
    &ContactDetail::txPrimaryFaxNumber, &ContactDetail::txPrimaryTelephoneNumber,
    &ContactDetail::txProfession, &ContactDetail::txRadioTelephoneNumber,
    &ContactDetail::txSpouseName, &ContactDetail::txGeneration, &ContactDetail::txSurname,
    &ContactDetail::txTelexNumber, &ContactDetail::txTransmittableDisplayName,
    &ContactDetail::txTtyTddPhoneNumber, &ContactDetail::txWorkAddressStreet,
    &ContactDetail::txWorkAddressCity, &ContactDetail::txWorkAddressState,
    &ContactDetail::txWorkAddressPostalCode, &ContactDetail::txWorkAddressCountry,
    &ContactDetail::txWorkAddressPostOfficeBox,
};

void FreeContactDetail(ContactDetail* c) {
    for (StoreText ContactDetail::*field : kContactTexts) FreeStoreText(c->*field);
    FreeAndClear(c->pftBirthday);
    FreeAndClear(c->pftWeddingAnniversary);
    std::free(c);
}

void FreeNamedValues(NamedValue* list) {
    while (list) {
        NamedValue* next = list->pNext;
        std::free(list->szName);
        std::free(list->pValue);
        std::free(list);
        list = next;
    }
}

}  // namespace

void FreeStoreText(StoreText& text) {
    std::free(text.pData);
    text.pData = nullptr;
}

void FreeStoreBinary(StoreBinary& binary) {
    std::free(binary.pData);
    binary.pData = nullptr;
    binary.cb = 0;
}

ItemRecord* NewItemRecord() {
    return static_cast<ItemRecord*>(std::calloc(1, sizeof(ItemRecord)));
}

AttachmentNode* NewAttachmentNode() {
    return static_cast<AttachmentNode*>(std::calloc(1, sizeof(AttachmentNode)));
}

void FreeAttachmentList(AttachmentNode* list) {
    while (list) {
        AttachmentNode* next = list->pNext;
        FreeStoreText(list->txAttachFilename);
        FreeStoreText(list->txAttachLongFilename);
        FreeStoreText(list->txAttachMimeTag);
        FreeAndClear(list->pData);
        FreeSubnodeMap(list->pSubnodes);
        std::free(list);
        list = next;
    }
}

void FreeItemRecord(ItemRecord* r) {
    if (!r) return;
    if (r->pMessage) FreeMessageDetail(r->pMessage);
    r->pMessage = nullptr;
    FreeAndClear(r->pFolderCounts);
    if (r->pContact) FreeContactDetail(r->pContact);
    r->pContact = nullptr;
    FreeAttachmentList(r->pAttachments);
    r->pAttachments = nullptr;
    r->pAttachCursor = nullptr;
    if (r->pStore) FreeStoreRecord(r->pStore);
    r->pStore = nullptr;
    if (r->pJournal) FreeJournalDetail(r->pJournal);
    r->pJournal = nullptr;
    if (r->pAppointment) FreeAppointmentDetail(r->pAppointment);
    r->pAppointment = nullptr;
    FreeNamedValues(r->pNamedValues);
    r->pNamedValues = nullptr;
    FreeAndClear(r->szClass);
    FreeAndClear(r->szCharset);
    FreeStoreText(r->txDisplayName);
    FreeStoreText(r->txComment);
    FreeStoreText(r->txBody);
    FreeStoreText(r->txSubject);
    FreeStoreText(r->txVersionName);
    FreeStoreBinary(r->binRecordKey);
    FreeStoreBinary(r->binChangeList);
    FreeAndClear(r->pftCreated);
    FreeAndClear(r->pftModified);
    std::free(r);
}
