// One store node (the message store, a folder or an item) read into memory:
// plain heap records, zero-filled when made, joined by explicit pointers.
// ReadItemRecord builds a record, ApplyProperties fills it, FreeItemRecord
// releases it with everything it owns. Texts stay as the store holds them
// (8-bit ANSI or UTF-16LE, by the store string mode) and are widened with
// StoreStringToWide where they are shown.
#pragma once
#include <cstdint>

#ifdef _WIN32
#include <windows.h>
using ItemFileTime = FILETIME;
#else
// The same layout as the Windows FILETIME: 100-ns ticks since 1601-01-01 UTC.
struct ItemFileTime {
    uint32_t dwLowDateTime;
    uint32_t dwHighDateTime;
};
#endif

struct SubnodeEntry;

// A text or binary value as stored: the bytes followed by two zero bytes, so
// that 8-bit text ends in a zero byte and UTF-16LE text in a zero unit.
// Consumers take the width from the store string mode, never from bWide.
struct StoreText {
    int32_t bWide;
    uint8_t* pData;
};

// A binary value with its size and no terminator; pData is null when cb is 0.
struct StoreBinary {
    uint64_t cb;
    uint8_t* pData;
};

struct MessageDetail {
    ItemFileTime* pftMessageDeliveryTime;           // 0x0E06
    int32_t bAlternateRecipientAllowed;             // 0x0002 (boolean only): 1 true, -1 false
    StoreText txDisplayCc;                          // 0x0E03
    StoreText txDisplayBcc;                         // 0x0E02
    StoreBinary binConversationIndex;               // 0x0071
    int32_t bConversionProhibited;                  // 0x3A03
    int32_t bDeleteAfterSubmit;                     // 0x0E01
    int32_t bOriginatorDeliveryReportRequested;     // 0x0023 (boolean only)
    StoreBinary binValue6F04;                       // 0x6F04
    StoreBinary binValue6F02;                       // 0x6F02
    StoreText txTransportMessageHeaders;            // 0x007D
    StoreText txBodyHtml;                           // 0x1013
    int32_t nImportance;                            // 0x0017
    StoreText txInReplyToId;                        // 0x1042
    int32_t bMessageCcMe;                           // 0x0058
    int32_t bMessageRecipientMe;                    // 0x0059
    int32_t bMessageToMe;                           // 0x0057
    StoreText txInternetMessageId;                  // 0x1035
    int32_t nOriginalSensitivity;                   // 0x002E
    StoreText txOriginalDisplayBcc;                 // 0x0072
    StoreText txOriginalDisplayCc;                  // 0x0073
    StoreText txOriginalDisplayTo;                  // 0x0074
    StoreText txReceivedBySearchKey;                // 0x0051
    StoreText txReceivedRepresentingName;           // 0x0044
    StoreText txReceivedRepresentingSearchKey;      // 0x0052
    StoreText txSentRepresentingSearchKey;          // 0x003B
    StoreText txSentRepresentingName;               // 0x0042
    StoreText txSenderSearchKey;                    // 0x0C1D
    int32_t nPriority;                              // 0x0026, stored value + 1
    StoreText txConversationTopic;                  // 0x0070
    int32_t bReadReceiptRequested;                  // 0x0029
    StoreText txReceivedByAddressType;              // 0x0075
    StoreText txReceivedByEmailAddress;             // 0x0076
    StoreText txReceivedRepresentingAddressType;    // 0x0077
    StoreText txReceivedRepresentingEmailAddress;   // 0x0078
    int32_t bReplyRequested;                        // 0x0C17
    StoreText txReplyRecipientNames;                // 0x0050
    StoreText txOriginalMessageId;                  // 0x1046
    int32_t nRtfSyncBodyCount;                      // 0x1007
    int32_t nRtfSyncBodyCrc;                        // 0x1006
    StoreText txRtfSyncBodyTag;                     // 0x1008
    StoreBinary binRtfCompressed;                   // 0x1009 (also writes the RTF body file)
    int32_t bRtfInSync;                             // 0x0E1F
    int32_t nRtfSyncPrefixCount;                    // 0x1010
    int32_t nRtfSyncTrailingCount;                  // 0x1011
    StoreText txSentRepresentingAddressType;        // 0x0064
    StoreText txSentRepresentingEmailAddress;       // 0x0065
    StoreText txSenderAddressType;                  // 0x0C1E
    StoreText txSenderEmailAddress;                 // 0x0C1F
    int32_t nSensitivity;                           // 0x0036
    ItemFileTime* pftClientSubmitTime;              // 0x0039
    uint8_t* pSentMailEntryId;                      // 0x0E0A, bare copy
    StoreText txDisplayTo;                          // 0x0E04
    StoreText txReportText;                         // 0x1001
    ItemFileTime* pftReportTime;                    // 0x0032
    int32_t nNonDeliveryReportReasonCode;           // 0x0C04
    int32_t nNonDeliveryReportDiagCode;             // 0x0C05
    StoreText txSupplementaryInfo;                  // 0x0C1B
    int32_t nNonDeliveryReportStatusCode;           // 0x0C20
};

// Its presence marks a folder.
struct FolderCounts {
    int32_t nContentCount;            // 0x3602
    int32_t nContentUnreadCount;      // 0x3603
    int32_t nAssociatedContentCount;  // 0x3617
    int32_t bSubfolders;              // 0x360A
};

// Only on the message store node. Entry ids are bare copies; their stored
// length is kept beside them so that a reader never runs past a short one.
struct StoreRecord {
    uint8_t* pIpmSubtreeEntryId;      // 0x35E0
    uint8_t* pIpmOutboxEntryId;       // 0x35E2
    uint8_t* pIpmWastebasketEntryId;  // 0x35E3
    uint8_t* pIpmSentMailEntryId;     // 0x35E4
    uint8_t* pViewsEntryId;           // 0x35E5
    uint8_t* pCommonViewsEntryId;     // 0x35E6
    uint8_t* pFinderEntryId;          // 0x35E7
    uint8_t* binValue7C07;            // 0x7C07
    int32_t nValidFolderMask;         // 0x35DF
    int32_t nPstPassword;             // 0x67FF, copied and never used
    uint32_t cbIpmSubtreeEntryId;     // stored length of pIpmSubtreeEntryId
};

// Calendar items, and the reminder fields of any item (named properties by LID).
struct AppointmentDetail {
    ItemFileTime* pftAppointmentStartWhole;  // 0x820D
    ItemFileTime* pftAppointmentEndWhole;    // 0x820E
    StoreText txLocation;                    // 0x8208
    int32_t bReminderSet;                    // 0x8503
    ItemFileTime* pftReminderSignalTime;     // 0x8560
    int32_t nReminderDelta;                  // 0x8501
    StoreText txReminderFileParameter;       // 0x851F
    StoreText txTimeZoneDescription;         // 0x8234
    int32_t nBusyStatus;                     // 0x8205
    int32_t nAppointmentColor;               // 0x8214
    int32_t bAppointmentSubType;             // 0x8215
    int32_t bRecurring;                      // 0x8223
    int32_t nRecurrenceType;                 // 0x8231
    StoreText txRecurrencePattern;           // 0x8232
    StoreBinary binAppointmentRecur;         // 0x8216
    ItemFileTime* pftClipStart;              // 0x8235
    ItemFileTime* pftClipEnd;                // 0x8236
};

struct JournalDetail {
    ItemFileTime* pftLogStart;  // 0x8706
    ItemFileTime* pftLogEnd;    // 0x8708
    StoreText txLogType;        // 0x8700
    StoreText txLogTypeDesc;    // 0x8712
};

// One row of an item's recipient table or attachment table. Recipient rows
// carry no file name; consumers skip a node without one.
struct AttachmentNode {
    StoreText txAttachFilename;      // 0x3704
    StoreText txAttachLongFilename;  // 0x3707
    StoreText txAttachMimeTag;       // 0x370E
    uint64_t cbData;                 // 0x3701 with its data read
    uint8_t* pData;
    uint64_t nidData;                // 0x67F2, or 0x3701's subnode id when its data was not read
    uint64_t bidData;                // data block of the subnode nidData
    SubnodeEntry* pSubnodes;         // own copy of that subnode's nested map
    int32_t nAttachMethod;           // 0x3705
    int32_t nRenderingPosition;      // 0x370B
    int32_t nAttachProperty3710;     // 0x3710, copied, not used
    AttachmentNode* pNext;
    // 1 when the attachment could not be read whole from a damaged store: its
    // own record, or the data its record names, is missing or unreadable.
    // Whatever was read is kept. 0 on an undamaged store.
    int32_t bUnreadable;
};

// A string-named property's value.
struct NamedValue {
    char* szName;
    uint8_t* pValue;  // zero-terminated copy
    NamedValue* pNext;
};

struct ContactDetail {
    StoreText txAccount;                        // 0x3A00
    StoreText txEmail1EmailAddress;             // LID 0x8083, and 0x3003
    StoreText txEmail1OriginalEntryId;          // LID 0x8085
    StoreText txEmail1OriginalDisplayName;      // LID 0x8084
    StoreText txEmail1AddressType;              // LID 0x8082, and 0x3002
    StoreText txEmail2EmailAddress;             // LID 0x8093
    StoreText txEmail2OriginalEntryId;          // LID 0x8095
    StoreText txEmail2OriginalDisplayName;      // LID 0x8094
    StoreText txEmail2AddressType;              // LID 0x8092
    StoreText txEmail3EmailAddress;             // LID 0x80A3
    StoreText txEmail3OriginalEntryId;          // LID 0x80A5
    StoreText txEmail3OriginalDisplayName;      // LID 0x80A4
    StoreText txEmail3AddressType;              // LID 0x80A2
    StoreText txAssistant;                      // 0x3A30
    StoreText txAssistantTelephoneNumber;       // 0x3A2E
    StoreText txBilling;                        // LID 0x8535
    ItemFileTime* pftBirthday;                  // 0x3A42
    StoreText txWorkAddress;                    // LID 0x801B
    StoreText txLocality;                       // 0x3A27
    StoreText txCountry;                        // 0x3A26
    StoreText txBusinessFaxNumber;              // 0x3A24
    StoreText txBusinessHomePage;               // 0x3A51
    StoreText txBusinessTelephoneNumber;        // 0x3A08
    StoreText txBusiness2TelephoneNumber;       // 0x3A1B
    StoreText txPostOfficeBox;                  // 0x3A2B
    StoreText txPostalCode;                     // 0x3A2A
    StoreText txStateOrProvince;                // 0x3A28
    StoreText txStreetAddress;                  // 0x3A29
    StoreText txCallbackTelephoneNumber;        // 0x3A02
    StoreText txCarTelephoneNumber;             // 0x3A1E
    StoreText txCompanyMainTelephoneNumber;     // 0x3A57
    StoreText txCompanyName;                    // 0x3A16
    StoreText txComputerNetworkName;            // 0x3A49
    StoreText txCustomerId;                     // 0x3A4A
    StoreText txPostalAddress;                  // 0x3A15
    StoreText txDepartmentName;                 // 0x3A18
    StoreText txDisplayNamePrefix;              // 0x3A45
    StoreText txGivenName;                      // 0x3A06
    StoreText txFlagRequest;                    // LID 0x8530
    StoreText txFreeBusyLocation;               // LID 0x80D8
    StoreText txFtpSite;                        // 0x3A4C
    StoreText txFileUnder;                      // LID 0x8005
    uint16_t nGender;                           // nothing fills it (0x3A4D is dropped)
    StoreText txGovernmentIdNumber;             // 0x3A07
    StoreText txHobbies;                        // 0x3A43
    StoreText txHomeAddress;                    // LID 0x801A
    StoreText txHomeAddressCity;                // 0x3A59
    StoreText txHomeAddressCountry;             // 0x3A5A
    StoreText txHomeFaxNumber;                  // 0x3A25
    StoreText txHomeTelephoneNumber;            // 0x3A09
    StoreText txHome2TelephoneNumber;           // 0x3A2F
    StoreText txHomeAddressPostOfficeBox;       // 0x3A5E
    StoreText txHomeAddressPostalCode;          // 0x3A5B
    StoreText txHomeAddressStateOrProvince;     // 0x3A5C
    StoreText txHomeAddressStreet;              // 0x3A5D
    StoreText txInitials;                       // 0x3A0A
    StoreText txIsdnNumber;                     // 0x3A2D
    StoreText txTitle;                          // 0x3A17
    StoreText txKeyword;                        // 0x3A0B
    StoreText txLanguage;                       // 0x3A0C
    StoreText txLocation;                       // 0x3A0D
    int32_t bMailPermission;                    // 0x3A0E
    StoreText txManagerName;                    // 0x3A4E
    StoreText txMiddleName;                     // 0x3A44
    StoreText txMileage;                        // LID 0x8534
    StoreText txMobileTelephoneNumber;          // 0x3A1C
    StoreText txNickname;                       // 0x3A4F
    StoreText txOfficeLocation;                 // 0x3A19
    StoreText txMessageHandlingSystemCommonName;  // 0x3A0F
    StoreText txOrganizationalIdNumber;         // 0x3A10
    StoreText txOtherAddress;                   // LID 0x801C
    StoreText txOtherAddressCity;               // 0x3A5F
    StoreText txOtherAddressCountry;            // 0x3A60
    StoreText txOtherTelephoneNumber;           // 0x3A1F
    StoreText txOtherAddressPostOfficeBox;      // 0x3A64
    StoreText txOtherAddressPostalCode;         // 0x3A61
    StoreText txOtherAddressStateOrProvince;    // 0x3A62
    StoreText txOtherAddressStreet;             // 0x3A63
    StoreText txPagerTelephoneNumber;           // 0x3A21
    StoreText txPersonalHomePage;               // 0x3A50
    StoreText txReferredByName;                 // 0x3A47
    StoreText txPrimaryFaxNumber;               // 0x3A23
    StoreText txPrimaryTelephoneNumber;         // 0x3A1A
    StoreText txProfession;                     // 0x3A46
    StoreText txRadioTelephoneNumber;           // 0x3A1D
    int32_t bSendRichInfo;                      // 0x3A40
    StoreText txSpouseName;                     // 0x3A48
    StoreText txGeneration;                     // 0x3A05
    StoreText txSurname;                        // 0x3A11
    StoreText txTelexNumber;                    // 0x3A2C
    StoreText txTransmittableDisplayName;       // 0x3A20
    StoreText txTtyTddPhoneNumber;              // 0x3A4B
    ItemFileTime* pftWeddingAnniversary;        // 0x3A41
    StoreText txWorkAddressStreet;              // LID 0x8045
    StoreText txWorkAddressCity;                // LID 0x8046
    StoreText txWorkAddressState;               // LID 0x8047
    StoreText txWorkAddressPostalCode;          // LID 0x8048
    StoreText txWorkAddressCountry;             // LID 0x8049
    StoreText txWorkAddressPostOfficeBox;       // LID 0x804A
};

// The kind code derived from the message or container class.
enum ItemKind : int32_t {
    kItemKindNone = 0,
    kItemKindNote = 1,
    kItemKindMeetingRequest = 2,
    kItemKindAppointment = 8,
    kItemKindContact = 9,
    kItemKindJournal = 10,
    kItemKindStickyNote = 11,
    kItemKindTask = 12,
    kItemKindOther = 13,
    kItemKindReport = 14,
};

struct ItemRecord {
    MessageDetail* pMessage;          // made by any message property, and 0x0E07
    FolderCounts* pFolderCounts;      // set: the node is a folder
    ContactDetail* pContact;          // also made by recipient rows (0x3002, 0x3003)
    AttachmentNode* pAttachments;     // attachment nodes first, then recipient nodes
    AttachmentNode* pAttachCursor;    // the attachment exporter's cursor; null after a read
    StoreRecord* pStore;              // set: the message store node
    JournalDetail* pJournal;
    AppointmentDetail* pAppointment;
    int32_t nKind;                    // ItemKind; 0 without a class property
    char* szClass;                    // 0x001A or 0x3613, ANSI text; null without either
    StoreText txDisplayName;          // 0x3001 (a recipient row's overwrites it)
    int32_t nMessageFlags;            // 0x0E07
    StoreText txComment;              // 0x3004
    int32_t bHasCharset;              // 1 once szCharset was taken
    char* szCharset;                  // from the string-named "content-type"
    StoreText txBody;                 // 0x1000
    StoreText txSubject;              // 0x0037, without the stored prefix marker
    int32_t nInternetCodePage;        // 0x3FDE
    int32_t nMessageCodePage;         // 0x3FFD
    int32_t nMessageSize;             // 0x0E08
    StoreText txVersionName;          // LID 0x8554
    StoreBinary binRecordKey;         // 0x0FF9
    StoreBinary binChangeList;        // 0x65E3
    int32_t bResponseRequested;       // 0x0063
    ItemFileTime* pftCreated;         // 0x3007
    ItemFileTime* pftModified;        // 0x3008
    int32_t bReassignProhibited;      // 0x002B
    NamedValue* pNamedValues;         // string-named values, newest first
    // The parts of the node that a damaged store kept from being read and
    // that the record therefore leaves out: property values whose heap item
    // or subnode cannot be read, a subnode map, a recipient or attachment
    // table, attachments (each also flagged bUnreadable). Everything else is
    // in the record. 0 when the node was read whole, as on an undamaged store.
    int32_t nPartsLost;
    // The blocks read for this node (its own data, subnodes, tables,
    // attachments and bodies) whose stored CRC does not match their bytes.
    // They are used as found; a consumer tells that the item was carried with
    // damaged parts. 0 on an undamaged store.
    int32_t nBlocksDamaged;
};

// A new zero-filled record (null when memory runs out).
ItemRecord* NewItemRecord();
AttachmentNode* NewAttachmentNode();

// Releases a record and everything it owns; null does nothing.
void FreeItemRecord(ItemRecord* record);
// Releases a list of attachment nodes with their texts, data and subnode copies.
void FreeAttachmentList(AttachmentNode* list);

// Field helpers shared by the property application and the records' release.
void FreeStoreText(StoreText& text);
void FreeStoreBinary(StoreBinary& binary);
