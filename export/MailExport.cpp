#include "export/MailExport.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "export/AttachmentFiles.h"
#include "export/ExportDate.h"
#include "export/ExportText.h"
#include "export/ItemExporters.h"
#include "export/LoomcraftDriver.h"
#include "export/SaveLosses.h"
#include "export/SaveTempFolder.h"
#include "export/SaveWorker.h"
#include "reader/rtf_decompress.h"
#include "reader/store_text.h"

namespace {

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

namespace {

// The header file stays open from one mail to the next: writing it over
// then costs no open and no close (each a round trip to Wine's server). The
// item writer opens it for reading beside our handle; others may delete it.
struct HeldHeader {
    CString path;
    HANDLE handle = INVALID_HANDLE_VALUE;
    uint64_t size = 0;     // the bytes it holds
    CString sender;        // whose line it holds
};
HeldHeader g_header;

}  // namespace

void CloseMailHeaderFile() {
    if (g_header.handle != INVALID_HANDLE_VALUE) CloseHandle(g_header.handle);
    g_header = HeldHeader();
}

DWORD WriteMailHeaderFile(const CString& path, const CString& sender) {
    // Mails of one sender follow each other: the file already holds the
    // line when the last one written is the same and the file is still there.
    const bool held = g_header.handle != INVALID_HANDLE_VALUE && path == g_header.path;
    const bool present = held && GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
    if (present && sender == g_header.sender) return 0;
    if (!present) {
        CloseMailHeaderFile();
        // Written over in place: truncating a file to nothing makes some
        // file systems put it on disk at its close, at every new sender.
        HANDLE file = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return GetLastError() != 0 ? GetLastError() : ERROR_CANNOT_MAKE;
        LARGE_INTEGER size = {};
        if (GetLastError() == ERROR_ALREADY_EXISTS && !GetFileSizeEx(file, &size)) size.QuadPart = -1;
        g_header.path = path;
        g_header.handle = file;
        g_header.size = static_cast<uint64_t>(size.QuadPart);
        NoteSaveFile(path);
    }
    g_header.sender.Empty();   // until the new line is whole
    std::string bytes = AnsiText(L"From:" + (sender.IsEmpty() ? CString(L"UnKnown") : sender));
    bytes += "\r\n";
    DWORD written = 0;
    DWORD error = 0;
    LARGE_INTEGER start = {};
    if (!SetFilePointerEx(g_header.handle, start, nullptr, FILE_BEGIN) ||
        !WriteFile(g_header.handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
        error = GetLastError();
    else if (written != bytes.size())
        error = ERROR_DISK_FULL;
    // Only what an earlier, longer line left behind is cut.
    else if (g_header.size > bytes.size() && !SetEndOfFile(g_header.handle))
        error = GetLastError();
    if (error != 0) {
        // A line cut short must not give the item writer a wrong sender.
        CloseMailHeaderFile();
        DeleteFileW(path);
        return error;
    }
    g_header.size = bytes.size();
    g_header.sender = sender;
    return 0;
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
        // Without the file the mail is stored without its sender, and that is counted.
        const DWORD headerError = WriteMailHeaderFile(g_pstExporter.m_strHeaderFilePath, sender);
        if (headerError != 0 && !sender.IsEmpty()) g_saveLosses.Part(headerError);

        CString recipients;
        try {
            CString displayTo, receivedBy;
            recipients = MailRecipientsText(StoredTextOrNull(message.txDisplayTo, displayTo),
                                            StoredTextOrNull(message.txReceivedByEmailAddress, receivedBy));
        } catch (...) {
        }

        CString date;
        if (message.pftMessageDeliveryTime != nullptr) date = ExportDateTextOrNone(*message.pftMessageDeliveryTime);

        CString subject;
        try {
            subject = ItemSubject(*record);
        } catch (...) {
        }

        const ExportedBody body = ItemBody(*record, BodyOrder::HtmlFirst);

        try {
            SaveAttachmentsToTempFiles(record);
        } catch (...) {
            CountAttachmentsNotWritten(*record);
        }

        // A mail without a delivery time (a draft) is stored without one: the
        // item writer takes an empty date text as no time.
        {
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
                bool stored = false;
                try {
                    g_itemWriter.SaveMail(folder.Ref(), subjectText.Ref(), recipientsText.Ref(), headerFile.Ref(),
                                          dateText.Ref(), attachments.Ref(), bodyText.Ref(), &bodyType, spare.Ref(),
                                          spare.Ref());
                    stored = true;
                } catch (...) {
                    g_saveLosses.Refused(CurrentFailureText());
                }
                // A file whose path holds ";" cannot travel in the list: it
                // follows the mail by a call of its own.
                for (const CString& path : g_attachPaths) {
                    if (!stored || path.Find(L';') < 0) continue;
                    try {
                        ComText file(path);
                        g_itemWriter.AddAttachment(file.Ref());
                    } catch (...) {
                        g_saveLosses.Attachment(0, CurrentFailureText());
                    }
                }
            } catch (...) {
                g_saveLosses.Item(0, kReasonNotReady);   // the call's texts could not be made
            }
        }
        // The item writer has read them: they go at once, so that the save's
        // folder stays small.
        ReleaseAttachmentFiles();
        g_strAttachPathList.Empty();
    } catch (...) {
        // The item could not be made ready for the item writer.
        g_saveLosses.Item(0, kReasonNotReady);
        ReleaseAttachmentFiles();
        g_strAttachPathList.Empty();
    }
    return 0;
}
