#include "export/MailExport.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "export/AttachmentFiles.h"
#include "export/ExportDate.h"
#include "export/ExportText.h"
#include "export/LoomcraftDriver.h"
#include "export/SaveWorker.h"
#include "reader/rtf_decompress.h"
#include "reader/store_text.h"

namespace {

struct HeaderWriteError {};

struct MailBody {
    CString text;
    bool present = false;
    short type = kBodyPlain;
};

// The body by its first available form: HTML, then the RTF body file (when a
// compressed RTF exists), then plain text.
MailBody ChooseBody(const ItemRecord& record) {
    MailBody body;
    const MessageDetail* message = record.pMessage;
    if (message != nullptr && HasText(message->txBodyHtml)) {
        body.text = WidenAnsi(reinterpret_cast<const char*>(message->txBodyHtml.pData));
        body.present = true;
        body.type = kBodyHtml;
        return body;
    }
    if (message != nullptr && message->binRtfCompressed.cb != 0) {
        uint32_t length = 0;
        char* rtf = reinterpret_cast<char*>(ReadFileAndDelete(CString(RtfBodyFilePath().c_str()), &length));
        if (rtf != nullptr) {
            // The whole file: pictures inside an RTF body hold zero bytes.
            body.text = WidenAnsiBytes(rtf, length);
            body.present = true;
            body.type = kBodyRtf;
            std::free(rtf);
        }
        return body;  // a missing file means no body; the plain text is not tried
    }
    if (HasText(record.txBody)) {
        body.text = WidenStoreText(record.txBody);
        body.present = true;
    }
    return body;
}

}  // namespace

CString MailSenderText(const CString* name, const CString* address) {
    CString sender;
    if (name != nullptr) sender = *name;
    if (address == nullptr) return sender;
    if (address->Find(L'@') >= 0) {
        sender += L"<" + *address + L">";
    } else if (name != nullptr) {
        sender = L"<" + *name + L">";
    } else {
        sender.Empty();
    }
    return sender;
}

CString MailRecipientsText(const CString* displayTo, const CString* receivedBy) {
    CString recipients;
    if (displayTo != nullptr) {
        recipients = *displayTo;
        const int cut = recipients.Find(L"</O");
        if (cut > 0) recipients = recipients.Left(cut);
    }
    if (receivedBy != nullptr && receivedBy->Find(L'@') > 0) recipients += L"<" + *receivedBy + L">";
    return recipients;
}

bool WriteMailHeaderFile(const CString& path, const CString& sender) {
    // Mails of one sender follow each other: the file already holds the
    // line when the last one written is the same and the file is still there.
    static CString lastPath, lastSender;
    static bool lastValid = false;
    if (lastValid && path == lastPath && sender == lastSender && GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES)
        return true;
    lastValid = false;
    CFile file;
    if (!file.Open(path, CFile::modeCreate | CFile::modeReadWrite)) return false;
    const CString line = L"From:" + (sender.IsEmpty() ? CString(L"UnKnown") : sender);
    std::vector<char> bytes(static_cast<size_t>(line.GetLength()) * 2 + 4, '\0');
    size_t count = WideToAnsi(line.GetString(), static_cast<size_t>(line.GetLength()), bytes.data(), bytes.size());
    bytes[count++] = '\r';
    bytes[count++] = '\n';
    if (!file.Write(bytes.data(), static_cast<UINT>(count))) throw HeaderWriteError();
    file.Close();
    lastPath = path;
    lastSender = sender;
    lastValid = true;
    return true;
}

int ExportMailItem(ItemRecord* record, CString folderPath) {
    try {
        if (record == nullptr || record->pMessage == nullptr) return 0;
        const MessageDetail& message = *record->pMessage;

        CString sender;
        try {
            CString name = WidenStoreText(message.txSentRepresentingName);
            CString address = WidenStoreText(message.txSentRepresentingEmailAddress);
            sender = MailSenderText(HasText(message.txSentRepresentingName) ? &name : nullptr,
                                    HasText(message.txSentRepresentingEmailAddress) ? &address : nullptr);
        } catch (...) {
        }
        WriteMailHeaderFile(g_pstExporter.m_strHeaderFilePath, sender);

        CString recipients;
        try {
            CString displayTo = WidenStoreText(message.txDisplayTo);
            CString receivedBy = WidenStoreText(message.txReceivedByEmailAddress);
            recipients = MailRecipientsText(HasText(message.txDisplayTo) ? &displayTo : nullptr,
                                            HasText(message.txReceivedByEmailAddress) ? &receivedBy : nullptr);
        } catch (...) {
        }

        CString date;
        if (message.pftMessageDeliveryTime != nullptr) date = ExportDateText(*message.pftMessageDeliveryTime);

        CString subject;
        try {
            if (HasText(message.txConversationTopic))
                subject = WidenStoreText(message.txConversationTopic);
            else if (HasText(record->txSubject))
                subject = WidenStoreText(record->txSubject);
        } catch (...) {
        }

        MailBody body = ChooseBody(*record);

        try {
            SaveAttachmentsToTempFiles(record);
        } catch (...) {
        }

        if (message.pftMessageDeliveryTime != nullptr) {
            try {
                ComText folder(folderPath);
                ComText subjectText(subject);
                ComText recipientsText(recipients);
                ComText headerFile(g_pstExporter.m_strHeaderFilePath);
                ComText dateText(date);
                ComText attachments(g_strAttachPathList.IsEmpty() ? nullptr : g_strAttachPathList.GetString());
                ComText bodyText(body.text, body.present);
                ComText spare(L"");
                short bodyType = body.type;
                try {
                    g_itemWriter.SaveMail(folder.Ref(), subjectText.Ref(), recipientsText.Ref(), headerFile.Ref(),
                                          dateText.Ref(), attachments.Ref(), bodyText.Ref(), &bodyType, spare.Ref(),
                                          spare.Ref());
                } catch (...) {
                }
                ReleaseAttachmentFiles(g_strAttachPathList);
            } catch (...) {
            }
        }
        g_strAttachPathList.Empty();
    } catch (...) {
        g_strAttachPathList.Empty();
    }
    return 0;
}
