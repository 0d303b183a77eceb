// The contact renderer: one labelled row per contact field that is present,
// in a fixed order, in the body pane's label list.
#include <memory>

#include "app/ItemRenderers.h"
#include "app/MailItemsBody.h"
#include "app/AppGlobals.h"

namespace {

struct ContactRow {
    const wchar_t* label;
    StoreText ContactDetail::*value;
    bool flatten;   // a multi-line address shown on one line
};

// Labels as shown: some have no blank after the colon, two appear twice.
const ContactRow kContactRows[] = {
    {L"First Name : ", &ContactDetail::txGivenName, false},
    {L"Sur Name : ", &ContactDetail::txSurname, false},
    {L"Contact Name : ", &ContactDetail::txFileUnder, false},
    {L"Email Address : ", &ContactDetail::txEmail1EmailAddress, false},
    {L"Mobile Phone : ", &ContactDetail::txMobileTelephoneNumber, false},
    {L"Postal Address :", &ContactDetail::txPostalAddress, true},
    {L"Company Name :", &ContactDetail::txCompanyName, false},
    {L"Job Title : ", &ContactDetail::txTitle, false},
    {L"Business Homepage : ", &ContactDetail::txBusinessHomePage, false},
    {L"Home Address : ", &ContactDetail::txHomeAddress, false},
    {L"Home Country : ", &ContactDetail::txHomeAddressCountry, false},
    {L"Home Postal Code : ", &ContactDetail::txHomeAddressPostalCode, false},
    {L"Home State: ", &ContactDetail::txHomeAddressStateOrProvince, false},
    {L"Home street :", &ContactDetail::txHomeAddressStreet, true},
    {L"Hobbies: ", &ContactDetail::txHobbies, false},
    {L"Department: ", &ContactDetail::txDepartmentName, false},
    {L"Account Name: ", &ContactDetail::txAccount, false},
    {L"Name Prefix: ", &ContactDetail::txDisplayNamePrefix, false},
    {L"Free Busy Address: ", &ContactDetail::txFreeBusyLocation, false},
    {L"Org_Id: ", &ContactDetail::txOrganizationalIdNumber, false},
    {L"Gov_Id: ", &ContactDetail::txGovernmentIdNumber, false},
    {L"Ttytdd_phone: ", &ContactDetail::txTtyTddPhoneNumber, false},
    {L"Business Phone: ", &ContactDetail::txBusiness2TelephoneNumber, false},
    {L"Radio Phone: ", &ContactDetail::txRadioTelephoneNumber, false},
    {L"Telex: ", &ContactDetail::txTelexNumber, false},
    {L"Mileage: ", &ContactDetail::txMileage, false},
    {L"Home_phone: ", &ContactDetail::txHome2TelephoneNumber, false},
    {L"Car Phone: ", &ContactDetail::txCarTelephoneNumber, false},
    {L"Business Country: ", &ContactDetail::txCountry, false},
    {L"Business State: ", &ContactDetail::txStateOrProvince, false},
    {L"Business City: ", &ContactDetail::txLocality, false},
    {L"Business Street: ", &ContactDetail::txStreetAddress, false},
    {L"Business Postal Code: ", &ContactDetail::txPostalCode, false},
    {L"Business Address: ", &ContactDetail::txWorkAddress, false},
    {L"Callback Phone: ", &ContactDetail::txCallbackTelephoneNumber, false},
    {L"Other Postal Code: ", &ContactDetail::txOtherAddressPostalCode, false},
    {L"Other Address: ", &ContactDetail::txOtherAddress, false},
    {L"Other Phone: ", &ContactDetail::txOtherTelephoneNumber, false},
    {L"Other Street: ", &ContactDetail::txOtherAddressStreet, false},
    {L"Other State: ", &ContactDetail::txOtherAddressStateOrProvince, false},
    {L"Other Country: ", &ContactDetail::txOtherAddressCountry, false},
    {L"Other City: ", &ContactDetail::txOtherAddressCity, false},
    {L"Personal Homepage: ", &ContactDetail::txPersonalHomePage, false},
    {L"Nickname: ", &ContactDetail::txNickname, false},
    {L"Manager Name: ", &ContactDetail::txManagerName, false},
    {L"Home City: ", &ContactDetail::txHomeAddressCity, false},
    {L"Company Main Phone: ", &ContactDetail::txCompanyMainTelephoneNumber, false},
    {L"Spouse Name: ", &ContactDetail::txSpouseName, false},
    {L"Profession: ", &ContactDetail::txProfession, false},
    {L"Assistant Name: ", &ContactDetail::txAssistant, false},
    {L"Assistant Phone: ", &ContactDetail::txAssistantTelephoneNumber, false},
    {L"Isdn Phone: ", &ContactDetail::txIsdnNumber, false},
    {L"Pager Phone: ", &ContactDetail::txPagerTelephoneNumber, false},
    {L"Office Loc: ", &ContactDetail::txOfficeLocation, false},
    {L"Language: ", &ContactDetail::txLanguage, false},
    {L"Home Fax: ", &ContactDetail::txHomeFaxNumber, false},
    {L"Business Fax: ", &ContactDetail::txBusinessFaxNumber, false},
    {L"Business Phone: ", &ContactDetail::txBusinessTelephoneNumber, false},
    {L"Home Phone: ", &ContactDetail::txHomeTelephoneNumber, false},
    {L"Middle Name: ", &ContactDetail::txMiddleName, false},
    {L"Customer_Id: ", &ContactDetail::txCustomerId, false},
    {L"suffix: ", &ContactDetail::txGeneration, false},
    {L"Work Address Street: ", &ContactDetail::txWorkAddressStreet, false},
    {L"Work Address Street: ", &ContactDetail::txWorkAddressCity, false},
    {L"Work Address Country: ", &ContactDetail::txWorkAddressCountry, false},
    {L"Work Address Postal Code: ", &ContactDetail::txWorkAddressPostalCode, false},
    {L"Work Address Post Office: ", &ContactDetail::txWorkAddressPostOfficeBox, false},
    {L"Work Address State: ", &ContactDetail::txWorkAddressState, false},
};

// Each line of the text after a blank: "A\r\nB" gives " A B".
CString FlattenLines(const CString& text) {
    CString out;
    int start = 0;
    for (;;) {
        const int end = text.Find(L"\r\n", start);
        out += L" " + text.Mid(start, end < 0 ? text.GetLength() - start : end - start);
        if (end < 0) break;
        start = end + 2;
    }
    return out;
}

}  // namespace

void ShowContactItem(int nRow) {
    CMailItemsBody* pane = g_pMailItemsBody;
    if (pane == nullptr) return;
    CListCtrl& list = pane->GetValueList();
    list.ShowWindow(SW_SHOW);
    list.DeleteAllItems();
    CollapseAt(pane->GetBrowser(), g_rcBodyBrowser.left, g_rcBodyBrowser.top);
    PlaceFullBody(list);
    const long index = ReadRowNumber(nRow, 6);
    ResetLabelList(list);

    std::unique_ptr<ItemRecord, void (*)(ItemRecord*)> record(ReadRowItem(index), FreeItemRecord);
    if (!record || !record->pContact) return;
    int position = 0;
    for (const ContactRow& row : kContactRows) {
        const StoreText& value = record->pContact->*row.value;
        if (!value.pData) continue;
        CString text = StoreTextToCString(value);
        if (row.flatten) text = FlattenLines(text);
        AddLabelRow(list, position, row.label + text);
    }
}
