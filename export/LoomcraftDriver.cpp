#include "export/LoomcraftDriver.h"

CLoomcraftDriver g_itemWriter;
USave_to_PST_Format g_pstExporter;

IMPLEMENT_DYNAMIC(USave_to_PST_Format, CWnd)

namespace {
// Parameter descriptions: 'H' a BSTR by reference, 'B' a 16-bit integer by reference.
const BYTE kOneText[] = VTS_PBSTR;
const BYTE kTwoTexts[] = VTS_PBSTR VTS_PBSTR;
const BYTE kMailParams[] = VTS_PBSTR VTS_PBSTR VTS_PBSTR VTS_PBSTR VTS_PBSTR VTS_PBSTR VTS_PBSTR VTS_PI2
    VTS_PBSTR VTS_PBSTR;
const BYTE kAppointmentParams[] = VTS_PBSTR VTS_PBSTR VTS_PBSTR VTS_PBSTR VTS_PBSTR VTS_PBSTR VTS_PBSTR
    VTS_PBSTR VTS_PBSTR VTS_PI2;
const BYTE kJournalParams[] = VTS_PBSTR VTS_PBSTR VTS_PBSTR VTS_PBSTR VTS_PBSTR VTS_PI2;
const BYTE kTaskParams[] = VTS_PBSTR VTS_PBSTR VTS_PBSTR VTS_PBSTR VTS_PBSTR VTS_PBSTR VTS_PI2;
const BYTE kNoteParams[] = VTS_PBSTR VTS_PBSTR VTS_PBSTR VTS_PI2;
}  // namespace

CString CLoomcraftDriver::CreateStore(BSTR* pstPath, BSTR* displayName) {
    CString result;
    InvokeHelperRaw(kCreateStore, DISPATCH_METHOD, VT_BSTR, &result, kTwoTexts, pstPath, displayName);
    return result;
}

CString CLoomcraftDriver::CreateFolder(BSTR* folderPath) {
    CString result;
    InvokeHelperRaw(kCreateFolder, DISPATCH_METHOD, VT_BSTR, &result, kOneText, folderPath);
    return result;
}

CString CLoomcraftDriver::SaveMail(BSTR* folderPath, BSTR* subject, BSTR* recipients, BSTR* headerFile,
                                   BSTR* dateText, BSTR* attachments, BSTR* body, short* bodyType, BSTR* spare1,
                                   BSTR* spare2) {
    CString result;
    InvokeHelperRaw(kSaveMail, DISPATCH_METHOD, VT_BSTR, &result, kMailParams, folderPath, subject, recipients,
                    headerFile, dateText, attachments, body, bodyType, spare1, spare2);
    return result;
}

CString CLoomcraftDriver::OpenFolder(BSTR* folderPath) {
    CString result;
    InvokeHelperRaw(kOpenFolder, DISPATCH_METHOD, VT_BSTR, &result, kOneText, folderPath);
    return result;
}

CString CLoomcraftDriver::CloseFolder() {
    CString result;
    InvokeHelperRaw(kCloseFolder, DISPATCH_METHOD, VT_BSTR, &result, nullptr);
    return result;
}

CString CLoomcraftDriver::SaveAppointment(BSTR* folderPath, BSTR* subject, BSTR* organizer, BSTR* startText,
                                          BSTR* endText, BSTR* spare1, BSTR* location, BSTR* spare2, BSTR* body,
                                          short* bodyType) {
    CString result;
    InvokeHelperRaw(kSaveAppointment, DISPATCH_METHOD, VT_BSTR, &result, kAppointmentParams, folderPath, subject,
                    organizer, startText, endText, spare1, location, spare2, body, bodyType);
    return result;
}

CString CLoomcraftDriver::SaveJournal(BSTR* folderPath, BSTR* attachment, BSTR* body, BSTR* spare, BSTR* subject,
                                      short* bodyType) {
    CString result;
    InvokeHelperRaw(kSaveJournal, DISPATCH_METHOD, VT_BSTR, &result, kJournalParams, folderPath, attachment, body,
                    spare, subject, bodyType);
    return result;
}

CString CLoomcraftDriver::SaveTask(BSTR* folderPath, BSTR* dateText, BSTR* attachment, BSTR* body, BSTR* spare,
                                   BSTR* subject, short* bodyType) {
    CString result;
    InvokeHelperRaw(kSaveTask, DISPATCH_METHOD, VT_BSTR, &result, kTaskParams, folderPath, dateText, attachment,
                    body, spare, subject, bodyType);
    return result;
}

CString CLoomcraftDriver::SaveNote(BSTR* folderPath, BSTR* body, BSTR* subject, short* bodyType) {
    CString result;
    InvokeHelperRaw(kSaveNote, DISPATCH_METHOD, VT_BSTR, &result, kNoteParams, folderPath, body, subject, bodyType);
    return result;
}

CString CLoomcraftDriver::AddAttachment(BSTR* filePath) {
    CString result;
    InvokeHelperRaw(kAddAttachment, DISPATCH_METHOD, VT_BSTR, &result, kOneText, filePath);
    return result;
}

void CLoomcraftDriver::BeginBatch() {
    VARIANT result;
    ::VariantInit(&result);
    InvokeHelperRaw(kBeginBatch, DISPATCH_METHOD, VT_VARIANT, &result, nullptr);
    ::VariantClear(&result);
}

void CLoomcraftDriver::EndBatch() {
    VARIANT result;
    ::VariantInit(&result);
    InvokeHelperRaw(kEndBatch, DISPATCH_METHOD, VT_VARIANT, &result, nullptr);
    ::VariantClear(&result);
}
