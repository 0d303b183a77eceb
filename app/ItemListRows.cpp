// The six row fillers of the item list: one walk over the folder's children
// for every kind, each kind giving its columns, its take rule and its texts.
#include "app/ItemListView.h"

#include <commctrl.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "app/AppGlobals.h"
#include "app/ItemListFill.h"
#include "app/ListDates.h"
#include "app/ListRowRecords.h"
#include "app/ListRowTexts.h"
#include "app/WorkerGate.h"
#include "reader/ndb.h"
#include "reader/store_text.h"

namespace {

// List images.
constexpr int kImageMailItem = 0;
constexpr int kImagePaperClip = 1;
constexpr int kImageContact = 2;
constexpr int kImageCalendar = 3;
constexpr int kImageJournal = 4;
constexpr int kImageStickyNote = 5;
constexpr int kImageTask = 6;

// Mail items with these message flags get no row.
constexpr int32_t kUnlistedMailFlags[] = {0x40, 0x49};

}  // namespace

// What one kind's rows are made of.
struct ListRowTexts {
    std::wstring cells[4];
    std::wstring recordTexts[4];  // the first texts of the row record; the rest are empty
    bool paperClip = false;
};

struct ListColumnSpec {
    const wchar_t* title;
    int width;
};

struct ListKindSpec {
    int image;                 // row image and column 0's header image
    ListColumnSpec columns[4];
    int columnCount;
    bool (*makeRow)(const ItemRecord&, ListRowTexts&);
    bool contacts;             // counts g_nContactRows; leaves the (empty) rows alone
};

// One finished row, handed to the view with others in one message.
struct ListRowInsert {
    int row;
    int image;
    bool paperClip;
    int cellCount;             // text cells from column 2, the "Index" cell last
    std::wstring cells[5];
    ListRowRecord* record;
};

namespace {

std::wstring Text(const StoreText& text) { return StoreTextToWString(text.pData); }
// A field is present when it is stored, also when its text is empty.
bool Has(const StoreText& text) { return text.pData != nullptr; }

// The conversation topic, else the item's subject.
std::wstring SubjectOf(const ItemRecord& r) {
    if (r.pMessage != nullptr && Has(r.pMessage->txConversationTopic)) return Text(r.pMessage->txConversationTopic);
    return Text(r.txSubject);
}

// The display text of the delivery time into the cell, its sort key into the record.
void DeliveryTimeTexts(const ItemRecord& r, std::wstring& display, std::wstring& sortKey) {
    if (r.pMessage == nullptr || r.pMessage->pftMessageDeliveryTime == nullptr) return;
    CString shown, key;
    MakeListTimeTexts(*r.pMessage->pftMessageDeliveryTime, shown, key);
    display = shown.GetString();
    sortKey = key.GetString();
}

bool HasNamedAttachment(const ItemRecord& r) {
    const AttachmentNode* first = r.pAttachments;
    return first != nullptr && (Has(first->txAttachFilename) || Has(first->txAttachLongFilename));
}

bool MakeMailRow(const ItemRecord& r, ListRowTexts& row) {
    if (r.pMessage == nullptr) return false;
    for (int32_t flags : kUnlistedMailFlags)
        if (r.nMessageFlags == flags) return false;
    const MessageDetail& m = *r.pMessage;
    const std::wstring senderAddress = Text(m.txSentRepresentingEmailAddress);
    const std::wstring receivedAddress = Text(m.txReceivedByEmailAddress);
    const bool fromPresent = Has(m.txSentRepresentingName) || AddressIsShown(senderAddress);
    const bool toPresent = Has(m.txDisplayTo) || Has(m.txReceivedByEmailAddress);
    const bool subjectPresent = Has(m.txConversationTopic) || Has(r.txSubject);
    const bool datePresent = m.pftMessageDeliveryTime != nullptr;
    if (!fromPresent && !toPresent && !subjectPresent && !datePresent) return false;

    row.cells[0] = MailFromText(Text(m.txSentRepresentingName), senderAddress);
    row.cells[1] = MailToText(Text(m.txDisplayTo), receivedAddress);
    row.cells[2] = JoinListLines(SubjectOf(r), L"\n", true);
    DeliveryTimeTexts(r, row.cells[3], row.recordTexts[3]);
    for (int i = 0; i < 3; ++i) row.recordTexts[i] = row.cells[i];
    row.paperClip = HasNamedAttachment(r);
    return true;
}

bool MakeContactRow(const ItemRecord& r, ListRowTexts& row) {
    if (r.pContact == nullptr || r.nKind != kItemKindContact) return false;
    const ContactDetail& c = *r.pContact;
    row.cells[0] = Text(c.txFileUnder);
    row.cells[1] = Text(c.txEmail1EmailAddress);
    row.cells[2] = Text(c.txMobileTelephoneNumber);
    row.cells[3] = JoinListLines(Text(c.txPostalAddress), L"\r\n", false);
    for (int i = 0; i < 4; ++i) row.recordTexts[i] = row.cells[i];
    return true;
}

// Subject and date: sticky notes and tasks.
void SubjectAndDate(const ItemRecord& r, ListRowTexts& row) {
    row.cells[0] = SubjectOf(r);
    DeliveryTimeTexts(r, row.cells[1], row.recordTexts[1]);
    row.recordTexts[0] = row.cells[0];
}

bool MakeNoteRow(const ItemRecord& r, ListRowTexts& row) {
    if (r.pMessage == nullptr) return false;
    SubjectAndDate(r, row);
    return true;
}

bool MakeTaskRow(const ItemRecord& r, ListRowTexts& row) {
    if (r.pMessage == nullptr || r.szClass == nullptr || std::strcmp(r.szClass, "IPM.Task") != 0) return false;
    SubjectAndDate(r, row);
    row.paperClip = HasNamedAttachment(r);
    return true;
}

// Subject (from the message part only), a second text and the date: journal
// entries and appointments.
void SubjectTextAndDate(const ItemRecord& r, const std::wstring& second, ListRowTexts& row) {
    if (r.pMessage != nullptr) row.cells[0] = SubjectOf(r);
    row.cells[1] = second;
    DeliveryTimeTexts(r, row.cells[2], row.recordTexts[2]);
    row.recordTexts[0] = row.cells[0];
    row.recordTexts[1] = row.cells[1];
}

bool MakeJournalRow(const ItemRecord& r, ListRowTexts& row) {
    if ((r.pJournal == nullptr && r.pMessage == nullptr) || r.nKind != kItemKindJournal) return false;
    SubjectTextAndDate(r, r.pJournal != nullptr ? Text(r.pJournal->txLogType) : std::wstring(), row);
    return true;
}

bool MakeAppointmentRow(const ItemRecord& r, ListRowTexts& row) {
    if ((r.pAppointment == nullptr && r.pMessage == nullptr) || r.nKind != kItemKindAppointment) return false;
    SubjectTextAndDate(r, r.pAppointment != nullptr ? Text(r.pAppointment->txLocation) : std::wstring(), row);
    return true;
}

const ListKindSpec kMailSpec = {
    kImageMailItem, {{L"From", 200}, {L"To", 200}, {L"Subject", 300}, {L"Date/Time", 2000}}, 4, MakeMailRow, false};
const ListKindSpec kContactSpec = {
    kImageContact,
    {{L"Contact Name", 110}, {L"Email Address", 150}, {L"Mobile Phone", 150}, {L"Postal Address", 2000}},
    4, MakeContactRow, true};
const ListKindSpec kNoteSpec = {kImageStickyNote, {{L"Subject", 200}, {L"Date", 2000}}, 2, MakeNoteRow, false};
const ListKindSpec kTaskSpec = {kImageTask, {{L"Subject", 200}, {L"Due Date", 2000}}, 2, MakeTaskRow, false};
const ListKindSpec kJournalSpec = {
    kImageJournal, {{L"Journal Subject", 300}, {L"Entry Type", 150}, {L"Date", 2000}}, 3, MakeJournalRow, false};
const ListKindSpec kAppointmentSpec = {
    kImageCalendar, {{L"Subject", 300}, {L"Location", 150}, {L"Date", 2000}}, 3, MakeAppointmentRow, false};

}  // namespace

bool MailListRow(const ItemRecord& record, std::wstring (&cells)[4], bool& paperClip) {
    ListRowTexts row;
    if (!MakeMailRow(record, row)) return false;
    for (int i = 0; i < 4; ++i) cells[i] = row.cells[i];
    paperClip = row.paperClip;
    return true;
}

void CTarnwellView::ListFolderItems(const ListKindSpec& kind, NodeEntry* pFirstItem) {
    HWND list = m_list.GetSafeHwnd();
    DeleteAllListColumns(list);
    if (!kind.contacts) ::SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    InsertListImageColumn(list, 0, kind.image);
    InsertListImageColumn(list, 1, kImagePaperClip);
    for (int i = 0; i < kind.columnCount; ++i)
        m_list.InsertColumn(2 + i, kind.columns[i].title, LVCFMT_LEFT, kind.columns[i].width);
    const int indexColumn = 2 + kind.columnCount;
    m_list.InsertColumn(indexColumn, L"Index", LVCFMT_LEFT, 0);
    if (kind.contacts) m_list.SetColumnWidth(indexColumn, 0);
    ShowListHeader(list, true);

    int index = 1;
    int rows = 0;
    // Rows go to the view in batches: a cross-thread call and a repaint per
    // row would make a large folder list at a few dozen rows a second. A
    // batch is sent after a short time or a number of rows, so rows keep
    // appearing while the fill runs.
    using Clock = std::chrono::steady_clock;
    constexpr auto kBatchTime = std::chrono::milliseconds(200);
    constexpr size_t kBatchRows = 4000;
    std::vector<ListRowInsert> batch;
    auto lastSent = Clock::now();
    auto sendBatch = [&] {
        if (batch.empty()) return;
        ::SendMessageW(GetSafeHwnd(), WM_INSERT_LIST_ROW, batch.size(), reinterpret_cast<LPARAM>(batch.data()));
        batch.clear();
        lastSent = Clock::now();
    };
    for (NodeEntry* child = pFirstItem; child != nullptr; child = child->pNextSibling, ++index) {
        // Between two items: a Stop ends the fill here (rows not yet handed
        // over are dropped whole), a pending question holds it.
        g_itemListGate.Checkpoint();
        if (batch.size() >= kBatchRows || (!batch.empty() && Clock::now() - lastSent >= kBatchTime)) {
            sendBatch();
            g_itemListGate.Checkpoint();
        }
        ItemRecordPtr record = ReadListRecord(child);
        ListRowTexts texts;
        if (!record || !kind.makeRow(*record, texts)) continue;
        record.reset();

        const wchar_t* recordTexts[9] = {texts.recordTexts[0].c_str(), texts.recordTexts[1].c_str(),
                                         texts.recordTexts[2].c_str(), texts.recordTexts[3].c_str(),
                                         L"", L"", L"", L"", L""};
        ListRowRecord* rowRecord = AddListRowRecord(recordTexts);
        batch.emplace_back();
        ListRowInsert& insert = batch.back();
        insert.row = rows;
        insert.image = kind.image;
        insert.paperClip = texts.paperClip;
        insert.cellCount = kind.columnCount + 1;
        for (int i = 0; i < kind.columnCount; ++i) insert.cells[i] = std::move(texts.cells[i]);
        insert.cells[kind.columnCount] = std::to_wstring(index);
        insert.record = rowRecord;
        ++rows;
        if (kind.contacts) ++g_nContactRows;
    }
    g_itemListGate.Checkpoint();
    sendBatch();
}

LRESULT CTarnwellView::OnInsertListRow(WPARAM wParam, LPARAM lParam) {
    const auto* rows = reinterpret_cast<const ListRowInsert*>(lParam);
    const size_t count = wParam;
    m_list.SetRedraw(FALSE);
    for (size_t i = 0; i < count; ++i) InsertListRow(rows[i]);
    m_list.SetRedraw(TRUE);
    m_list.Invalidate(FALSE);
    if (g_pProgressBar != nullptr && count != 0) g_pProgressBar->SetPos(rows[count - 1].row + 1);
    return 0;
}

void CTarnwellView::InsertListRow(const ListRowInsert& rowToInsert) {
    const ListRowInsert* insert = &rowToInsert;
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = insert->row;
    item.pszText = const_cast<wchar_t*>(L"");
    item.iImage = insert->image;
    item.lParam = reinterpret_cast<LPARAM>(insert->record);
    const int row = m_list.InsertItem(&item);
    if (row < 0) return;
    if (insert->paperClip) {
        LVITEMW clip = {};
        clip.mask = LVIF_IMAGE;
        clip.iItem = row;
        clip.iSubItem = 1;
        clip.iImage = kImagePaperClip;
        m_list.SetItem(&clip);
    }
    for (int i = 0; i < insert->cellCount; ++i) m_list.SetItemText(row, 2 + i, insert->cells[i].c_str());
}

void CTarnwellView::FillMailList(NodeEntry* pFirstItem, CString strFolderLabel) {
    ListFolderItems(kMailSpec, pFirstItem);
}
void CTarnwellView::FillContactList(CString strFolderLabel) { ListFolderItems(kContactSpec, g_pFolderItems); }
void CTarnwellView::FillNoteList(CString strFolderLabel) { ListFolderItems(kNoteSpec, g_pFolderItems); }
void CTarnwellView::FillTaskList(CString strFolderLabel) { ListFolderItems(kTaskSpec, g_pFolderItems); }
void CTarnwellView::FillJournalList(CString strFolderLabel) { ListFolderItems(kJournalSpec, g_pFolderItems); }
void CTarnwellView::FillAppointmentList(CString strFolderLabel) {
    ListFolderItems(kAppointmentSpec, g_pFolderItems);
}
