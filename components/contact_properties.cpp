#include "components/contact_properties.h"

namespace components {

namespace {
const writer::Guid* const kAddress = &writer::kPsetidAddress;
const writer::Guid* const kCommon = &writer::kPsetidCommon;

const ContactProperty kContactProperties[] = {
    {0x0, L"Value", 0x3A05, nullptr},  // the default member: Generation
    {0x1F, L"Mileage", 0x8534, kCommon},
    {0x60040004, L"AssistantName", 0x3A30, nullptr},
    {0x60040006, L"AssistantTelephoneNumber", 0x3A2E, nullptr},
    {0x6004000A, L"Business2TelephoneNumber", 0x3A1B, nullptr},
    {0x6004000C, L"WorkAddress", 0x801B, kAddress},
    {0x6004000E, L"Locality", 0x3A27, nullptr},
    {0x60040010, L"Country", 0x3A26, nullptr},
    {0x60040012, L"PostalCode", 0x3A2A, nullptr},
    {0x60040016, L"StateOrProvince", 0x3A28, nullptr},
    {0x60040018, L"StreetAddress", 0x3A29, nullptr},
    {0x6004001A, L"BusinessFaxNumber", 0x3A24, nullptr},
    {0x6004001C, L"BusinessHomePage", 0x3A51, nullptr},
    {0x6004001E, L"BusinessTelephoneNumber", 0x3A08, nullptr},
    {0x60040020, L"CallbackTelephoneNumber", 0x3A02, nullptr},
    {0x60040022, L"CarTelephoneNumber", 0x3A1E, nullptr},
    {0x6004002B, L"CompanyMainTelephoneNumber", 0x3A57, nullptr},
    {0x6004002D, L"CompanyName", 0x3A16, nullptr},
    {0x60040031, L"CustomerId", 0x3A4A, nullptr},
    {0x60040033, L"DepartmentName", 0x3A18, nullptr},
    {0x60040035, L"Email1Address", 0x8083, kAddress},
    {0x6004004D, L"GivenName", 0x3A06, nullptr},
    {0x60040051, L"FileUnder", 0x8005, kAddress},
    {0x60040056, L"GovernmentIdNumber", 0x3A07, nullptr},
    {0x60040059, L"Hobbies", 0x3A43, nullptr},
    {0x6004005B, L"Home2TelephoneNumber", 0x3A2F, nullptr},
    {0x6004005D, L"HomeAddress", 0x801A, kAddress},
    {0x6004005F, L"HomeAddressCity", 0x3A59, nullptr},
    {0x60040061, L"HomeAddressCountry", 0x3A5A, nullptr},
    {0x60040063, L"HomeAddressPostalCode", 0x3A5B, nullptr},
    {0x60040067, L"HomeAddressStateOrProvince", 0x3A5C, nullptr},
    {0x60040069, L"HomeAddressStreet", 0x3A5D, nullptr},
    {0x6004006B, L"HomeFaxNumber", 0x3A25, nullptr},
    {0x6004006D, L"HomeTelephoneNumber", 0x3A09, nullptr},
    {0x60040073, L"FreeBusyLocation", 0x80D8, kAddress},
    {0x60040075, L"IsdnNumber", 0x3A2D, nullptr},
    {0x60040077, L"Title", 0x3A17, nullptr},
    {0x6004007B, L"Language", 0x3A0C, nullptr},
    {0x60040083, L"Surname", 0x3A11, nullptr},
    {0x60040094, L"ManagerName", 0x3A4E, nullptr},
    {0x60040096, L"MiddleName", 0x3A44, nullptr},
    {0x60040098, L"MobileTelephoneNumber", 0x3A1C, nullptr},
    {0x6004009E, L"Nickname", 0x3A4F, nullptr},
    {0x600400A0, L"OfficeLocation", 0x3A19, nullptr},
    {0x600400A2, L"OrganizationalIdNumber", 0x3A10, nullptr},
    {0x600400A4, L"OtherAddress", 0x801C, kAddress},
    {0x600400A6, L"OtherAddressCity", 0x3A5F, nullptr},
    {0x600400A8, L"OtherAddressCountry", 0x3A60, nullptr},
    {0x600400AA, L"OtherAddressPostalCode", 0x3A61, nullptr},
    {0x600400AE, L"OtherAddressStateOrProvince", 0x3A62, nullptr},
    {0x600400B0, L"OtherAddressStreet", 0x3A63, nullptr},
    {0x600400B4, L"OtherTelephoneNumber", 0x3A1F, nullptr},
    {0x600400B6, L"PagerTelephoneNumber", 0x3A21, nullptr},
    {0x600400B8, L"PersonalHomePage", 0x3A50, nullptr},
    {0x600400BC, L"Profession", 0x3A46, nullptr},
    {0x600400BE, L"RadioTelephoneNumber", 0x3A1D, nullptr},
    {0x600400C4, L"SpouseName", 0x3A48, nullptr},
    {0x600400C6, L"Generation", 0x3A05, nullptr},
    {0x600400C8, L"TelexNumber", 0x3A2C, nullptr},
    {0x600400CC, L"TtyTddPhoneNumber", 0x3A4B, nullptr},
};
}  // namespace

const ContactProperty* ContactProperties(size_t* count) {
    *count = sizeof kContactProperties / sizeof kContactProperties[0];
    return kContactProperties;
}

const ContactProperty* FindContactProperty(DISPID dispid) {
    for (const ContactProperty& p : kContactProperties)
        if (p.dispid == dispid) return &p;
    return nullptr;
}

}  // namespace components
