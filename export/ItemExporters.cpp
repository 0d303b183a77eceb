#include "export/ItemExporters.h"

#include <cstdlib>
#include <cstring>

#include "export/AttachmentFiles.h"
#include "export/ExportDate.h"
#include "export/ExportState.h"
#include "export/ExportText.h"
#include "export/LoomcraftDriver.h"
#include "export/SaveLosses.h"
#include "export/SaveWorker.h"
#include "reader/rtf_decompress.h"

namespace {

bool ClassIs(const char* cls, const char* name) { return std::strcmp(cls, name) == 0; }

// The RTF body file as the body, when the item has compressed RTF; true then,
// also when the file is missing (no body at all).
bool TakeRtfBody(const MessageDetail* message, ExportedBody& body) {
    if (message == nullptr || message->binRtfCompressed.cb == 0) return false;
    uint32_t length = 0;
    char* rtf = reinterpret_cast<char*>(ReadFileAndDelete(CString(RtfBodyFilePath().c_str()), &length));
    if (rtf != nullptr) {
        // The whole file: pictures inside an RTF body hold zero bytes.
        body.text = WidenAnsiBytes(rtf, length);
        body.present = true;
        body.type = kBodyRtf;
        std::free(rtf);
    }
    return true;
}

bool TakeHtmlBody(const MessageDetail* message, ExportedBody& body) {
    if (message == nullptr || !HasText(message->txBodyHtml)) return false;
    body.text = WidenAnsi(reinterpret_cast<const char*>(message->txBodyHtml.pData));
    body.present = true;
    body.type = kBodyHtml;
    return true;
}

}  // namespace

ExportedBody ItemBody(const ItemRecord& record, BodyOrder order) {
    ExportedBody body;
    const MessageDetail* message = record.pMessage;
    if (order == BodyOrder::HtmlFirst && TakeHtmlBody(message, body)) return body;
    if (TakeRtfBody(message, body)) return body;
    if (order == BodyOrder::RtfFirst && TakeHtmlBody(message, body)) return body;
    if (HasText(record.txBody)) {
        body.text = WidenStoreText(record.txBody);
        body.present = true;
    }
    return body;
}

CString ItemSubject(const ItemRecord& record) {
    if (HasText(record.txSubject)) return WidenStoreText(record.txSubject);
    if (record.pMessage != nullptr && HasText(record.pMessage->txConversationTopic))
        return WidenStoreText(record.pMessage->txConversationTopic);
    return CString();
}

CString AppointmentTimeText(const ItemFileTime* stored, bool& seen) {
    if (stored == nullptr) return CString();
    SYSTEMTIME fields = {};
    int carried = 0;
    if (!ExportDateFields(*stored, fields, carried)) return CString();
    seen = true;
    if (fields.wYear < 1980 || fields.wYear > 2099 || fields.wMonth < 1 || fields.wMonth > 12 || fields.wDay < 1 ||
        fields.wDay > 31)
        return CString();
    return ExportDateTextOfFields(fields, carried);
}

namespace {

// The item's attachment files, all written; the first path, which the item's
// own save call carries (empty without any).
CString FirstAttachmentPath(ItemRecord* record) {
    g_attachPaths.clear();
    if (record->pAttachments == nullptr) return CString();
    SaveAttachmentsToTempFiles(record);
    return g_attachPaths.empty() ? CString() : g_attachPaths.front();
}

// The files the item's save call did not carry, each added to the item the
// item writer has just stored; one it refuses is counted.
void AddOtherAttachments(size_t carried) {
    for (size_t i = carried; i < g_attachPaths.size(); ++i) {
        try {
            ComText path(g_attachPaths[i]);
            g_itemWriter.AddAttachment(path.Ref());
        } catch (...) {
            g_saveLosses.Attachment(0, CurrentFailureText());
        }
    }
}

}  // namespace

ItemRoute RouteForItem(const ItemRecord& record) {
    if (record.pFolderCounts != nullptr || record.szClass == nullptr || record.nMessageFlags == 0x49)
        return ItemRoute::Skip;
    const char* cls = record.szClass;
    if (ClassIs(cls, "IPM.Task")) return ItemRoute::Task;
    if (ClassIs(cls, "IPM.StickyNote") || ClassIs(cls, "IPF.StickyNote")) return ItemRoute::StickyNote;
    if (record.pJournal != nullptr || ClassIs(cls, "IPM.Activity")) return ItemRoute::Journal;
    if (ClassIs(cls, "IPM.Configuration.Calendar") || ClassIs(cls, "IPM.Appointment") ||
        ClassIs(cls, "IPF.Appointment"))
        return record.nKind == kItemKindAppointment ? ItemRoute::Appointment : ItemRoute::CountOnly;
    if (ClassIs(cls, "IPM.Contact") || ClassIs(cls, "IPM.Configuration.ContactPrefs"))
        return record.nMessageFlags == 9 ? ItemRoute::CountOnly : ItemRoute::Contact;
    return record.pMessage != nullptr ? ItemRoute::Mail : ItemRoute::NotCounted;
}

int ExportAppointmentItem(ItemRecord* record) {
    try {
        const MessageDetail* message = record->pMessage;
        CString organizer;
        if (message != nullptr) {
            organizer = WidenStoreText(message->txSentRepresentingName);
            const CString address = WidenStoreText(message->txSentRepresentingEmailAddress);
            if (HasText(message->txSentRepresentingEmailAddress) && address.Find(L'@') >= 0)
                organizer += L"<" + address + L">";
        }
        const CString subject = ItemSubject(*record);

        CString start, end;
        bool timeSeen = false;
        const AppointmentDetail* appointment = record->pAppointment;
        if (appointment != nullptr) {
            start = AppointmentTimeText(appointment->pftAppointmentStartWhole, timeSeen);
            end = AppointmentTimeText(appointment->pftAppointmentEndWhole, timeSeen);
        }
        const bool hasLocation = appointment != nullptr && HasText(appointment->txLocation);
        const CString location = hasLocation ? WidenStoreText(appointment->txLocation) : CString();
        if (!timeSeen) start = end = CurrentLocalDateText();

        const ExportedBody body = ItemBody(*record, BodyOrder::RtfFirst);
        FirstAttachmentPath(record);   // the save call carries none
        try {
            ComText folder(g_strPstFolderPath), subjectText(subject), organizerText(organizer), startText(start),
                endText(end), spare(L""), locationText(hasLocation ? location.GetString() : nullptr),
                bodyText(body.text, body.present);
            short bodyType = body.type;
            g_itemWriter.SaveAppointment(folder.Ref(), subjectText.Ref(), organizerText.Ref(), startText.Ref(),
                                         endText.Ref(), spare.Ref(), locationText.Ref(), spare.Ref(),
                                         bodyText.Ref(), &bodyType);
        } catch (...) {
            g_saveLosses.Refused(CurrentFailureText());
            return 0;
        }
        AddOtherAttachments(0);
    } catch (...) {
        g_saveLosses.Item(0, kReasonNotReady);
    }
    return 0;
}

int ExportTaskItem(ItemRecord* record) {
    try {
        const ExportedBody body = ItemBody(*record, BodyOrder::RtfFirst);
        const CString subject = ItemSubject(*record);
        const CString attachment = FirstAttachmentPath(record);
        const bool dated = record->pMessage != nullptr && record->pMessage->pftMessageDeliveryTime != nullptr;
        const CString date = dated ? ExportDateTextOrNone(*record->pMessage->pftMessageDeliveryTime) : CString();
        try {
            ComText folder(g_strPstFolderPath), dateText(dated ? date.GetString() : nullptr),
                attachmentText(attachment), bodyText(body.text), spare(L""), subjectText(subject);
            short bodyType = body.type;
            g_itemWriter.SaveTask(folder.Ref(), dateText.Ref(), attachmentText.Ref(), bodyText.Ref(), spare.Ref(),
                                  subjectText.Ref(), &bodyType);
        } catch (...) {
            g_saveLosses.Refused(CurrentFailureText());
            return 0;
        }
        AddOtherAttachments(1);
    } catch (...) {
        g_saveLosses.Item(0, kReasonNotReady);
    }
    return 0;
}

int ExportJournalItem(ItemRecord* record) {
    try {
        const ExportedBody body = ItemBody(*record, BodyOrder::RtfFirst);
        const CString subject = ItemSubject(*record);
        const CString attachment = FirstAttachmentPath(record);
        try {
            ComText folder(g_strPstFolderPath), attachmentText(attachment), bodyText(body.text), spare(L""),
                subjectText(subject);
            short bodyType = body.type;
            g_itemWriter.SaveJournal(folder.Ref(), attachmentText.Ref(), bodyText.Ref(), spare.Ref(),
                                     subjectText.Ref(), &bodyType);
        } catch (...) {
            g_saveLosses.Refused(CurrentFailureText());
            return 0;
        }
        AddOtherAttachments(1);
    } catch (...) {
        g_saveLosses.Item(0, kReasonNotReady);
    }
    return 0;
}

int ExportStickyNoteItem(ItemRecord* record) {
    try {
        const CString subject = ItemSubject(*record);
        const ExportedBody body = ItemBody(*record, BodyOrder::RtfFirst);
        FirstAttachmentPath(record);   // the save call carries none
        try {
            ComText folder(g_strPstFolderPath), bodyText(body.text), subjectText(subject);
            short bodyType = body.type;
            g_itemWriter.SaveNote(folder.Ref(), bodyText.Ref(), subjectText.Ref(), &bodyType);
        } catch (...) {
            g_saveLosses.Refused(CurrentFailureText());
            return 0;
        }
        AddOtherAttachments(0);
    } catch (...) {
        g_saveLosses.Item(0, kReasonNotReady);
    }
    return 0;
}
