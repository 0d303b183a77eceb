#include "components/contact_properties.h"

namespace components {

namespace {
const writer::Guid* const kAddress = &writer::kPsetidAddress;
const writer::Guid* const kCommon = &writer::kPsetidCommon;

const ContactProperty kContactProperties[] = {
    {0x0, 0x3A05, nullptr},           // the default member: Generation
    {0x1F, 0x8534, kCommon},          // Mileage
    {0x60040004, 0x3A30, nullptr},    // AssistantName
    {0x60040006, 0x3A2E, nullptr},    // AssistantTelephoneNumber
    {0x6004000A, 0x3A1B, nullptr},    // Business2TelephoneNumber
    {0x6004000C, 0x801B, kAddress},   // WorkAddress
    {0x6004000E, 0x3A27, nullptr},    // Locality
    {0x60040010, 0x3A26, nullptr},    // Country
    {0x60040012, 0x3A2A, nullptr},    // PostalCode
    {0x60040016, 0x3A28, nullptr},    // StateOrProvince
    {0x60040018, 0x3A29, nullptr},    // StreetAddress
    {0x6004001A, 0x3A24, nullptr},    // BusinessFaxNumber
    {0x6004001C, 0x3A51, nullptr},    // BusinessHomePage
    {0x6004001E, 0x3A08, nullptr},    // BusinessTelephoneNumber
    {0x60040020, 0x3A02, nullptr},    // CallbackTelephoneNumber
    {0x60040022, 0x3A1E, nullptr},    // CarTelephoneNumber
    {0x6004002B, 0x3A57, nullptr},    // CompanyMainTelephoneNumber
    {0x6004002D, 0x3A16, nullptr},    // CompanyName
    {0x60040031, 0x3A4A, nullptr},    // CustomerId
    {0x60040033, 0x3A18, nullptr},    // DepartmentName
    {0x60040035, 0x8083, kAddress},   // Email1EmailAddress
    {0x6004004D, 0x3A06, nullptr},    // GivenName
    {0x60040051, 0x8005, kAddress},   // FileUnder
    {0x60040056, 0x3A07, nullptr},    // GovernmentIdNumber
    {0x60040059, 0x3A43, nullptr},    // Hobbies
    {0x6004005B, 0x3A2F, nullptr},    // Home2TelephoneNumber
    {0x6004005D, 0x801A, kAddress},   // HomeAddress
    {0x6004005F, 0x3A59, nullptr},    // HomeAddressCity
    {0x60040061, 0x3A5A, nullptr},    // HomeAddressCountry
    {0x60040063, 0x3A5B, nullptr},    // HomeAddressPostalCode
    {0x60040067, 0x3A5C, nullptr},    // HomeAddressStateOrProvince
    {0x60040069, 0x3A5D, nullptr},    // HomeAddressStreet
    {0x6004006B, 0x3A25, nullptr},    // HomeFaxNumber
    {0x6004006D, 0x3A09, nullptr},    // HomeTelephoneNumber
    {0x60040073, 0x80D8, kAddress},   // FreeBusyLocation
    {0x60040075, 0x3A2D, nullptr},    // IsdnNumber
    {0x60040077, 0x3A17, nullptr},    // Title
    {0x6004007B, 0x3A0C, nullptr},    // Language
    {0x60040083, 0x3A11, nullptr},    // Surname
    {0x60040094, 0x3A4E, nullptr},    // ManagerName
    {0x60040096, 0x3A44, nullptr},    // MiddleName
    {0x60040098, 0x3A1C, nullptr},    // MobileTelephoneNumber
    {0x6004009E, 0x3A4F, nullptr},    // Nickname
    {0x600400A0, 0x3A19, nullptr},    // OfficeLocation
    {0x600400A2, 0x3A10, nullptr},    // OrganizationalIdNumber
    {0x600400A4, 0x801C, kAddress},   // OtherAddress
    {0x600400A6, 0x3A5F, nullptr},    // OtherAddressCity
    {0x600400A8, 0x3A60, nullptr},    // OtherAddressCountry
    {0x600400AA, 0x3A61, nullptr},    // OtherAddressPostalCode
    {0x600400AE, 0x3A62, nullptr},    // OtherAddressStateOrProvince
    {0x600400B0, 0x3A63, nullptr},    // OtherAddressStreet
    {0x600400B4, 0x3A1F, nullptr},    // OtherTelephoneNumber
    {0x600400B6, 0x3A21, nullptr},    // PagerTelephoneNumber
    {0x600400B8, 0x3A50, nullptr},    // PersonalHomePage
    {0x600400BC, 0x3A46, nullptr},    // Profession
    {0x600400BE, 0x3A1D, nullptr},    // RadioTelephoneNumber
    {0x600400C4, 0x3A48, nullptr},    // SpouseName
    {0x600400C6, 0x3A05, nullptr},    // Generation
    {0x600400C8, 0x3A2C, nullptr},    // TelexNumber
    {0x600400CC, 0x3A4B, nullptr},    // TtyTddPhoneNumber
};
}  // namespace

const ContactProperty* FindContactProperty(DISPID dispid) {
    for (const ContactProperty& p : kContactProperties)
        if (p.dispid == dispid) return &p;
    return nullptr;
}

}  // namespace components
