// Property types and the property ids both the reader and the writer use
// ([MS-OXCDATA] 2.11.1, [MS-OXPROPS]). A property tag is (id << 16) | type.
#pragma once
#include <cstdint>

namespace fmt {

enum PropType : uint16_t {
    kPtInteger16 = 0x0002, kPtInteger32 = 0x0003, kPtFloating32 = 0x0004,
    kPtFloating64 = 0x0005, kPtCurrency = 0x0006, kPtFloatingTime = 0x0007,
    kPtErrorCode = 0x000A, kPtBoolean = 0x000B, kPtObject = 0x000D,
    kPtInteger64 = 0x0014, kPtString8 = 0x001E, kPtUnicode = 0x001F,
    kPtTime = 0x0040, kPtGuid = 0x0048, kPtServerId = 0x00FB, kPtRestriction = 0x00FD,
    kPtRuleAction = 0x00FE, kPtBinary = 0x0102,
    kPtMultipleInteger16 = 0x1002, kPtMultipleInteger32 = 0x1003,
    kPtMultipleFloating32 = 0x1004, kPtMultipleFloating64 = 0x1005,
    kPtMultipleCurrency = 0x1006, kPtMultipleFloatingTime = 0x1007,
    kPtMultipleInteger64 = 0x1014, kPtMultipleString8 = 0x101E,
    kPtMultipleUnicode = 0x101F, kPtMultipleTime = 0x1040, kPtMultipleGuid = 0x1048,
    kPtMultipleBinary = 0x1102,
};

inline constexpr uint32_t MakeTag(uint16_t id, uint16_t type) {
    return (static_cast<uint32_t>(id) << 16) | type;
}
inline constexpr uint16_t TagId(uint32_t tag) { return static_cast<uint16_t>(tag >> 16); }
inline constexpr uint16_t TagType(uint32_t tag) { return static_cast<uint16_t>(tag); }

// Property ids (the type goes with the variant: String8 or Unicode for text).
enum PropId : uint16_t {
    kPidMessageClass = 0x001A,
    kPidSubject = 0x0037,
    kPidClientSubmitTime = 0x0039,
    kPidSentRepresentingName = 0x0042,
    kPidConversationTopic = 0x0070,
    kPidTransportMessageHeaders = 0x007D,
    kPidSenderName = 0x0C1A,
    kPidSenderEmailAddress = 0x0C1F,
    kPidDisplayBcc = 0x0E02,
    kPidDisplayCc = 0x0E03,
    kPidDisplayTo = 0x0E04,
    kPidMessageDeliveryTime = 0x0E06,
    kPidMessageFlags = 0x0E07,
    kPidMessageSize = 0x0E08,
    kPidHasAttachments = 0x0E1B,
    kPidBody = 0x1000,
    kPidRtfCompressed = 0x1009,
    kPidHtml = 0x1013,
    kPidInternetCodepage = 0x3FDE,
    kPidDisplayName = 0x3001,
    kPidAddressType = 0x3002,
    kPidEmailAddress = 0x3003,
    kPidCreationTime = 0x3007,
    kPidLastModificationTime = 0x3008,
    kPidRecordKey = 0x0FF9,
    kPidEntryId = 0x0FFF,
    kPidContentCount = 0x3602,
    kPidContentUnreadCount = 0x3603,
    kPidSubfolders = 0x360A,
    kPidContainerClass = 0x3613,
    kPidAssocContentCount = 0x3617,
    kPidAttachDataBinary = 0x3701,     // also PidTagAttachDataObject with type Object
    kPidAttachEncoding = 0x3702,
    kPidAttachExtension = 0x3703,
    kPidAttachFilename = 0x3704,
    kPidAttachMethod = 0x3705,
    kPidAttachLongFilename = 0x3707,
    kPidAttachSize = 0x0E20,
    kPidRenderingPosition = 0x370B,
    kPidAttachMimeTag = 0x370E,
    kPidAttachContentId = 0x3712,
    kPidRecipientType = 0x0C15,
    kPidLtpRowId = 0x67F2,
    kPidLtpRowVer = 0x67F3,
    kPidRecordKeyStore = 0x0FF9,
    kPidIpmSubTreeEntryId = 0x35E0,
    kPidIpmWastebasketEntryId = 0x35E3,
    kPidFinderEntryId = 0x35E7,
    kPidValidFolderMask = 0x35DF,
    kPidPstPassword = 0x67FF,
    kPidReplItemid = 0x0E30,
    kPidReplChangenum = 0x0E33,
    kPidReplVersionHistory = 0x0E34,
    kPidReplFlags = 0x0E38,
    kPidReplCopiedfromVersionhistory = 0x0E3C,
    kPidReplCopiedfromItemid = 0x0E3D,
    kPidNameidBucketCount = 0x0001,
    kPidNameidStreamGuid = 0x0002,
    kPidNameidStreamEntry = 0x0003,
    kPidNameidStreamString = 0x0004,
    kPidNameidBucketBase = 0x1000,
    kPidImportance = 0x0017,
    kPidSentRepresentingAddressType = 0x0064,
    kPidSentRepresentingEmailAddress = 0x0065,
    kPidSenderAddressType = 0x0C1E,
    kPidResponsibility = 0x0E0F,
    kPidMessageStatus = 0x0E17,
    kPidRtfInSync = 0x0E1F,
    kPidObjectType = 0x0FFE,
    kPidSearchKey = 0x300B,
    kPidDisplayType = 0x3900,
    kPidSendRichInfo = 0x3A40,
    kPidCommonViewsEntryId = 0x35E6,
    kPidSearchFolderCriteriaFlags = 0x660B,   // unnamed in [MS-OXPROPS]; Outlook writes 0
    kPidReceiveFolderNid = 0x6605,            // unnamed; the receive folder table's target
};

// Named properties have ids from 0x8000 up ([MS-PST] 2.4.7).
constexpr uint16_t kFirstNamedPropId = 0x8000;

}  // namespace fmt
