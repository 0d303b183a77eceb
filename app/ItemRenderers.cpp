#include "app/ItemRenderers.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "app/AppGlobals.h"
#include "app/ItemListView.h"
#include "app/ListDates.h"
#include "app/MailItemsBody.h"
#include "reader/item_reader.h"
#include "reader/ndb.h"
#include "reader/store_context.h"
#include "reader/store_text.h"

namespace {

struct RecordFree {
    void operator()(ItemRecord* record) const { FreeItemRecord(record); }
};
using RecordPtr = std::unique_ptr<ItemRecord, RecordFree>;

bool IsSet(const StoreText& text) { return text.pData != nullptr; }

CMailItemsBody* Pane() { return g_pMailItemsBody; }

void SetPaneText(int nId, const CString& text) {
    if (CMailItemsBody* pane = Pane()) ::SetDlgItemTextW(pane->GetSafeHwnd(), nId, text.GetString());
}

// From, To and Subject of task and journal items, from the record.
void ShowRecordHeader(const ItemRecord* record) {
    const MessageDetail* message = record->pMessage;
    SetPaneText(IDC_FROM_VALUE, StoreTextToCString(message->txSentRepresentingName));
    SetPaneText(IDC_TO_VALUE, CutText(StoreTextToCString(message->txDisplayTo), 49));
    const StoreText& subject = IsSet(message->txConversationTopic) ? message->txConversationTopic : record->txSubject;
    SetPaneText(IDC_SUBJECT_VALUE, CutText(StoreTextToCString(subject), 49));
}

// The HTML body's bytes up to their first zero byte, then ShowHtmlBody.
void ShowHtmlOf(const MessageDetail* message) {
    const char* bytes = reinterpret_cast<const char*>(message->txBodyHtml.pData);
    ShowHtmlBody(Pane(), bytes, std::strlen(bytes));
}

void ShowPlainOf(const ItemRecord* record) {
    const CString text = StoreTextToCString(record->txBody);
    ShowPlainBody(text.GetString(), Pane());
}

// The RTF body (body kind 3), else the plain text (0), of an item with a
// message sub-record: the notes' and the tasks' body.
void ShowRtfElsePlain(CMailItemsBody* pane, const ItemRecord* record) {
    if (record->pMessage->binRtfCompressed.cb != 0) {
        g_nBodyKind = 3;
        ShowRtfBody(pane);
    } else if (IsSet(record->txBody)) {
        g_nBodyKind = 0;
        ShowPlainOf(record);
    }
}

// Hides the list (when asked) and the rich edit, shows the list afresh with
// its one column, and collapses the browser at its corner.
void PrepareLabelList(CMailItemsBody* pane) {
    CListCtrl& list = pane->GetValueList();
    list.ShowWindow(SW_SHOW);
    ResetLabelList(list);
    CollapseAt(pane->GetBrowser(), g_rcBodyBrowser.left, g_rcBodyBrowser.top);
}

void AddTimeRow(CListCtrl& list, int& position, const wchar_t* label, const ItemFileTime* time, BOOL checkDate) {
    CString text;
    if (time && MakeTimeRowText(*time, checkDate, text)) AddLabelRow(list, position, CString(label) + text);
}

}  // namespace

// ---- shared helpers ----

long ReadRowNumber(int nRow, int nColumn) { return _wtol(ReadRowText(nRow, nColumn).GetString()); }

CString ReadRowText(int nRow, int nColumn) {
    if (g_pItemList == nullptr || !::IsWindow(g_pItemList->GetSafeHwnd())) return CString();
    return g_pItemList->GetItemText(nRow, nColumn);
}

NodeEntry* FindRowNode(long nIndex) {
    long count = 1;
    for (NodeEntry* node = g_pFolderItems; node != nullptr; node = node->pNextSibling, ++count) {
        if (count == nIndex) return node;
    }
    return nullptr;
}

ItemRecord* ReadRowItem(long nIndex) {
    NodeEntry* node = FindRowNode(nIndex);
    if (node == nullptr) return nullptr;
    try {
        return ReadItemRecord(g_storeFile, node);
    } catch (...) {
        return nullptr;   // a file error: the item is not shown
    }
}

CString StoreTextToCString(const StoreText& text) {
    if (!text.pData) return CString();
    const uint32_t length = StoreStringLength(text.pData);
    if (length == 0) return CString();
    StoreWChar* wide = StoreStringToWide(static_cast<int32_t>(2 * length), text.pData);
    if (!wide) return CString();
    CString out(wide);
    std::free(wide);
    return out;
}

CString CutText(const CString& text, int nMax) {
    if (text.GetLength() <= nMax) return text;
    return text.Left(nMax) + L"...";
}

CString MakeAttachmentLine(const ItemRecord* record) {
    CString line;
    for (const AttachmentNode* node = record ? record->pAttachments : nullptr; node; node = node->pNext) {
        const StoreText* name = IsSet(node->txAttachLongFilename) ? &node->txAttachLongFilename
                                : IsSet(node->txAttachFilename)   ? &node->txAttachFilename
                                                                  : nullptr;
        if (name) line += L"    " + StoreTextToCString(*name);
    }
    return CutText(line, 100);
}

BOOL MakeTimeRowText(const ItemFileTime& time, BOOL bCheckDate, CString& strText) {
    const SYSTEMTIME stored = StoredListTimeFields(time);
    if (bCheckDate && (stored.wDay < 1 || stored.wDay > 31 || stored.wMonth < 1 || stored.wMonth > 12 ||
                       stored.wYear < 1980 || stored.wYear > 2099))
        return FALSE;
    const SYSTEMTIME shown = ShownListTimeFields(stored);
    strText = FormatListDateText(shown.wDayOfWeek, shown.wDay, shown.wMonth, shown.wYear, shown.wHour, shown.wMinute);
    return TRUE;
}

void ResetLabelList(CListCtrl& list) {
    list.DeleteAllItems();
    HWND header = reinterpret_cast<HWND>(list.SendMessage(LVM_GETHEADER, 0, 0));
    const int columns = header ? static_cast<int>(::SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
    for (int i = 0; i < columns; ++i) list.DeleteColumn(0);
    list.InsertColumn(0, L" ", LVCFMT_LEFT, 1000);
}

void AddLabelRow(CListCtrl& list, int& nPosition, const CString& strText) {
    list.InsertItem(LVIF_TEXT, nPosition, L"", 0, 0, 0, 0);
    list.SetItemText(nPosition, 0, strText.GetString());
    ++nPosition;
}

// ---- the renderers ----

void ShowMailItem(int nRow) {
    CMailItemsBody* pane = Pane();
    if (pane == nullptr) return;
    pane->GetValueList().ShowWindow(SW_HIDE);
    const long index = ReadRowNumber(nRow, 6);
    // The header texts as the list shows them.
    SetPaneText(IDC_FROM_VALUE, CutText(ReadRowText(nRow, 2), 45));
    SetPaneText(IDC_TO_VALUE, CutText(ReadRowText(nRow, 3), 25));
    SetPaneText(IDC_SUBJECT_VALUE, CutText(ReadRowText(nRow, 4), 100));

    RecordPtr record(ReadRowItem(index));
    if (!record) return;
    SetPaneText(IDC_ATTACHMENT_VALUE, MakeAttachmentLine(record.get()));
    const MessageDetail* message = record->pMessage;
    if (!message) return;
    if (IsSet(message->txBodyHtml)) {
        ShowHtmlOf(message);
    } else if (message->binRtfCompressed.cb != 0) {
        g_nFolderKind = kFolderKindMailRtf;
        ShowRtfBody(pane);
    } else if (IsSet(record->txBody)) {
        g_nFolderKind = kFolderKindMailPlain;
        ShowPlainOf(record.get());
    }
}

void ShowAppointmentItem(int nRow) {
    CMailItemsBody* pane = Pane();
    if (pane == nullptr) return;
    CListCtrl& list = pane->GetValueList();
    pane->GetRichEdit().ShowWindow(SW_HIDE);
    list.ShowWindow(SW_SHOW);
    list.DeleteAllItems();
    CRect view;
    pane->GetWindowRect(&view);
    pane->ScreenToClient(&view);
    g_rcBodyView = view;
    CollapseAt(pane->GetBrowser(), g_rcBodyBrowser.left, g_rcBodyBrowser.top);
    ResetLabelList(list);

    const long index = ReadRowNumber(nRow, 5);
    const CString subject = ReadRowText(nRow, 2);
    SetPaneText(IDC_SUBJECT_VALUE, CutText(subject, 100));

    RecordPtr record(ReadRowItem(index));
    if (!record || (!record->pAppointment && !record->pMessage)) return;
    int position = 0;
    AddLabelRow(list, position, L"Subject : " + subject);
    if (record->pAppointment && IsSet(record->pAppointment->txLocation))
        AddLabelRow(list, position, L"Location : " + ReadRowText(nRow, 3));

    const MessageDetail* message = record->pMessage;
    if (message) {
        SetPaneText(IDC_FROM_VALUE, StoreTextToCString(message->txSentRepresentingName));
        SetPaneText(IDC_TO_VALUE, CutText(StoreTextToCString(message->txDisplayTo), 49));
    }
    if (message && IsSet(message->txBodyHtml)) {
        g_nBodyKind = 1;
        PlaceLeftList(list);
        PlaceRightOfList(pane->GetBrowser());
        ShowHtmlOf(message);
    } else if (message && message->binRtfCompressed.cb != 0) {
        g_nBodyKind = 2;
        PlaceLeftList(list);
        pane->GetRichEdit().ShowWindow(SW_SHOW);
        PlaceRightOfList(pane->GetRichEdit());
        LoadRtfBody(pane);
    } else if (IsSet(record->txBody)) {
        g_nBodyKind = 3;
        pane->GetRichEdit().ShowWindow(SW_HIDE);
        PlaceLeftList(list);
        PlaceRightOfList(pane->GetBrowser());
        ShowPlainOf(record.get());
    } else {
        g_nBodyKind = 4;
        PlaceLeftList(list);
        CollapseAt(pane->GetBrowser(), g_rcBodyRichEdit.left, g_rcBodyRichEdit.top);
        pane->GetRichEdit().ShowWindow(SW_HIDE);
    }
    if (const AppointmentDetail* appointment = record->pAppointment) {
        AddTimeRow(list, position, L"Start Time : ", appointment->pftAppointmentStartWhole, TRUE);
        AddTimeRow(list, position, L"End Time : ", appointment->pftAppointmentEndWhole, TRUE);
    }
}

void ShowNoteItem(int nRow) {
    CMailItemsBody* pane = Pane();
    if (pane == nullptr) return;
    PrepareLabelList(pane);
    PlaceFullBody(pane->GetValueList());
    const long index = ReadRowNumber(nRow, 4);
    SetPaneText(IDC_SUBJECT_VALUE, CutText(ReadRowText(nRow, 2), 25));

    RecordPtr record(ReadRowItem(index));
    if (!record || !record->pMessage) return;
    ShowRtfElsePlain(pane, record.get());
}

void ShowTaskItem(int nRow) {
    CMailItemsBody* pane = Pane();
    if (pane == nullptr) return;
    PrepareLabelList(pane);
    PlaceFullBody(pane->GetValueList());
    const long index = ReadRowNumber(nRow, 4);

    RecordPtr record(ReadRowItem(index));
    if (!record || !record->pMessage) return;
    SetPaneText(IDC_ATTACHMENT_VALUE, MakeAttachmentLine(record.get()));
    ShowRecordHeader(record.get());
    const MessageDetail* message = record->pMessage;
    if (IsSet(message->txBodyHtml)) {
        ShowHtmlOf(message);
    } else {
        ShowRtfElsePlain(pane, record.get());
    }
}

void ShowJournalItem(int nRow) {
    CMailItemsBody* pane = Pane();
    if (pane == nullptr) return;
    CListCtrl& list = pane->GetValueList();
    pane->GetRichEdit().ShowWindow(SW_HIDE);
    PrepareLabelList(pane);
    PlaceLeftList(list);
    const long index = ReadRowNumber(nRow, 5);

    RecordPtr record(ReadRowItem(index));
    if (!record) return;
    if (record->pMessage) ShowRecordHeader(record.get());
    int position = 0;
    if (const JournalDetail* journal = record->pJournal) {
        if (IsSet(journal->txLogType))
            AddLabelRow(list, position, L"Entry Type : " + StoreTextToCString(journal->txLogType));
    }
    if (record->pMessage && IsSet(record->pMessage->txConversationTopic))
        AddLabelRow(list, position, L"Journal Subject : " + StoreTextToCString(record->pMessage->txConversationTopic));
    if (const JournalDetail* journal = record->pJournal) {
        AddTimeRow(list, position, L"Start Time : ", journal->pftLogStart, FALSE);
        AddTimeRow(list, position, L"End Time : ", journal->pftLogEnd, FALSE);
    }
    if (record->pMessage && record->pMessage->binRtfCompressed.cb != 0) {
        pane->GetRichEdit().ShowWindow(SW_SHOW);
        PlaceRightOfList(pane->GetRichEdit());
        LoadRtfBody(pane);
    }
}
