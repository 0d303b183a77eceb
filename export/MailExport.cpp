#include "export/MailExport.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "export/AttachmentFiles.h"
#include "export/ExportDate.h"
#include "export/ExportText.h"
#include "export/ItemExporters.h"
#include "export/LoomcraftDriver.h"
#include "export/SaveWorker.h"
#include "reader/rtf_decompress.h"
#include "reader/store_text.h"

namespace {

struct HeaderWriteError {};

// The text widened into `holder`, or null when the store holds none.
const CString* StoredTextOrNull(const StoreText& text, CString& holder) {
    if (!HasText(text)) return nullptr;
    holder = WidenStoreText(text);
    return &holder;
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
            CString name, address;
            sender = MailSenderText(StoredTextOrNull(message.txSentRepresentingName, name),
                                    StoredTextOrNull(message.txSentRepresentingEmailAddress, address));
        } catch (...) {
        }
        WriteMailHeaderFile(g_pstExporter.m_strHeaderFilePath, sender);

        CString recipients;
        try {
            CString displayTo, receivedBy;
            recipients = MailRecipientsText(StoredTextOrNull(message.txDisplayTo, displayTo),
                                            StoredTextOrNull(message.txReceivedByEmailAddress, receivedBy));
        } catch (...) {
        }

        CString date;
        if (message.pftMessageDeliveryTime != nullptr) date = ExportDateText(*message.pftMessageDeliveryTime);

        CString subject;
        try {
            subject = ItemSubject(*record);
        } catch (...) {
        }

        const ExportedBody body = ItemBody(*record, BodyOrder::HtmlFirst);

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
