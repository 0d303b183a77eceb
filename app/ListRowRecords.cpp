#include "app/ListRowRecords.h"

#include <cstdlib>
#include <cwchar>

#include "app/AppGlobals.h"
#include "app/ListDates.h"
#include "app/Prompts.h"

ListRowRecord* g_pListRowRecords = nullptr;
wchar_t g_chSortOrder = L'a';

namespace {

ListRowRecord* g_pLastListRowRecord = nullptr;

[[noreturn]] void OutOfMemory() {
    AppMessageBox(nullptr, L"Out Of Memory", g_szCaption, MB_SYSTEMMODAL | MB_ICONHAND);
    ::ExitProcess(0);
}

wchar_t* CopyText(const wchar_t* text) {
    const size_t length = text != nullptr ? wcslen(text) : 0;
    auto* copy = static_cast<wchar_t*>(std::malloc((length + 1) * sizeof(wchar_t)));
    if (copy == nullptr) return nullptr;
    if (length != 0) wmemcpy(copy, text, length);
    copy[length] = L'\0';
    return copy;
}

int Directed(int result) { return g_chSortOrder == L'a' ? result : -result; }

// Unit by unit as unsigned 16-bit values; the shorter text is less.
int CompareTexts(const wchar_t* a, const wchar_t* b) {
    if (a == nullptr) a = L"";
    if (b == nullptr) b = L"";
    for (;; ++a, ++b) {
        const unsigned ua = static_cast<unsigned short>(*a), ub = static_cast<unsigned short>(*b);
        if (ua != ub) return Directed(ua < ub ? -1 : 1);
        if (ua == 0) return 0;
    }
}

// A key that is no date sorts before every date (also one before 1970).
int CompareDates(const wchar_t* a, const wchar_t* b) {
    __time64_t ta = 0, tb = 0;
    const bool da = ListDateKeyTime(a, ta), db = ListDateKeyTime(b, tb);
    if (da != db) return Directed(da ? 1 : -1);
    return Directed(ta < tb ? -1 : ta > tb ? 1 : 0);
}

enum class Compare { None, Text, Date };

// Which text of the records a column sorts on, and how, by folder kind.
Compare ColumnRule(int column, int kind, int& field) {
    const bool listed = kind >= kFolderKindTask && kind <= kFolderKindMailPlain;
    switch (column) {
    case 0: field = 0; return Compare::Text;
    case 1: field = 1; return Compare::Text;
    case 2: field = 0; return listed ? Compare::Text : Compare::None;
    case 3:
        field = 1;
        if (kind == kFolderKindTask || kind == kFolderKindStickyNote) return Compare::Date;
        return listed ? Compare::Text : Compare::None;
    case 4:
        field = 2;
        if (kind == kFolderKindJournal || kind == kFolderKindCalendar) return Compare::Date;
        return kind >= kFolderKindContact && kind <= kFolderKindMailPlain ? Compare::Text : Compare::None;
    case 5:
        field = 3;
        return kind >= kFolderKindMail && kind <= kFolderKindMailPlain ? Compare::Date : Compare::Text;
    case 6: field = 6; return Compare::Text;
    default: return Compare::None;
    }
}

}  // namespace

ListRowRecord* AddListRowRecord(const wchar_t* const texts[9]) {
    auto* record = static_cast<ListRowRecord*>(std::calloc(1, sizeof(ListRowRecord)));
    if (record == nullptr) OutOfMemory();
    for (int i = 0; i < 9; ++i) {
        record->text[i] = CopyText(texts != nullptr ? texts[i] : nullptr);
        if (record->text[i] == nullptr) OutOfMemory();
    }
    if (g_pLastListRowRecord != nullptr) {
        g_pLastListRowRecord->pNext = record;
    } else {
        g_pListRowRecords = record;
    }
    g_pLastListRowRecord = record;
    return record;
}

void FreeListRowRecords() {
    for (ListRowRecord* record = g_pListRowRecords; record != nullptr;) {
        ListRowRecord* next = record->pNext;
        for (wchar_t* text : record->text) std::free(text);
        std::free(record);
        record = next;
    }
    g_pListRowRecords = nullptr;
    g_pLastListRowRecord = nullptr;
}

int CALLBACK CompareListRows(LPARAM lParam1, LPARAM lParam2, LPARAM lParamColumn) {
    const auto* row1 = reinterpret_cast<const ListRowRecord*>(lParam1);
    const auto* row2 = reinterpret_cast<const ListRowRecord*>(lParam2);
    int field = 0;
    const Compare rule = ColumnRule(static_cast<int>(lParamColumn), g_nFolderKind, field);
    if (rule == Compare::None) return -1;
    const wchar_t* a = row1 != nullptr ? row1->text[field] : nullptr;
    const wchar_t* b = row2 != nullptr ? row2->text[field] : nullptr;
    return rule == Compare::Date ? CompareDates(a, b) : CompareTexts(a, b);
}
