// The records behind the item list's rows: nine texts per row, the first
// ones being the sort keys of list columns 2 to 5, and the column sort that
// compares them by the listed folder's kind.
#pragma once
#include "framework/framework.h"

struct ListRowRecord {
    wchar_t* text[9];   // text0 .. text8, each an owned zero-terminated copy
    ListRowRecord* pNext;
};

// Head of the records in creation order.
extern ListRowRecord* g_pListRowRecords;
// 'a' ascending or 'd' descending; one flag for every column, flipped by
// each sort.
extern wchar_t g_chSortOrder;

// A new record appended at the tail; texts may be null (empty). Out of
// memory ends the process after its message.
ListRowRecord* AddListRowRecord(const wchar_t* const texts[9]);
// Frees every record. Only while no list row refers to one any more.
void FreeListRowRecords();

// The LVM_SORTITEMS callback: two rows' records and the clicked column.
int CALLBACK CompareListRows(LPARAM lParam1, LPARAM lParam2, LPARAM lParamColumn);
