// The item view's renderers, one per folder kind, each given the list row to
// show. They run on the display worker: each finds the row's item along the
// sibling chain from g_pFolderItems, reads it, fills the body pane's header
// texts and label list and shows its body.
#pragma once
#include "framework/framework.h"

#include "reader/item_record.h"

void ShowTaskItem(int nRow);
void ShowNoteItem(int nRow);
void ShowJournalItem(int nRow);
void ShowAppointmentItem(int nRow);
void ShowContactItem(int nRow);
void ShowMailItem(int nRow);

// ---- shared by the renderers ----
struct NodeEntry;

// The number in a row's cell of the item list (the hidden "Index" column),
// read as _wtol reads it; 0 when there is no list.
long ReadRowNumber(int nRow, int nColumn);
// A row's cell text of the item list.
CString ReadRowText(int nRow, int nColumn);
// The index-th node (1-based) along the sibling chain from g_pFolderItems,
// or null when the chain ends first.
NodeEntry* FindRowNode(long nIndex);
// The item of a row: its node read into a new record (null when the index
// names no child or the node cannot be read). Free it with FreeItemRecord.
ItemRecord* ReadRowItem(long nIndex);
// A store text as display text (empty when absent).
CString StoreTextToCString(const StoreText& text);
// The first nMax characters and "..." for a longer text; a shorter one whole.
CString CutText(const CString& text, int nMax);
// The attachment line: four blanks and the name of each attachment that has
// one (long name first), in list order; cut at 100.
CString MakeAttachmentLine(const ItemRecord* record);
// A stored time as the body pane shows it: converted and formatted as the
// item list's dates are. With bCheckDate, a time whose stored (UTC) date
// lies outside 1980..2099 gives FALSE and no text.
BOOL MakeTimeRowText(const ItemFileTime& time, BOOL bCheckDate, CString& strText);

// The body pane's label list: emptied, with its one column " " of 1000 pixels.
void ResetLabelList(CListCtrl& list);
// Appends one row (label and value) after the last row.
void AddLabelRow(CListCtrl& list, int& nPosition, const CString& strText);
