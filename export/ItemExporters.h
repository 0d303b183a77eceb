// The exporters by message class, and the rule that picks one for an item.
#pragma once
#include "framework/framework.h"

#include "reader/item_record.h"

enum class ItemRoute {
    Skip,          // a sub-folder, an item without class, or message flags 0x49: no display change; an
                   // item whose class the damage keeps from being read is counted lost
    Task,
    StickyNote,
    Journal,
    Appointment,
    Contact,
    CountOnly,     // a calendar item of another kind, or a contact with flags 9: not stored (the
                   // contact is counted lost)
    Mail,
    NotCounted,    // another class without a message sub-record (its properties could not be read):
                   // not stored and counted lost; the count text is set again, the counters stay
};

// The first matching rule, classes compared exactly.
ItemRoute RouteForItem(const ItemRecord& record);

// An item's body for the item writer, in the first form the item has: the
// RTF body file (when the item has compressed RTF; a missing file then means
// no body at all, no other form is tried) and HTML in the order given, then
// plain text. Mails take HTML first, the other items RTF. `type` is the item
// writer's body type code.
struct ExportedBody {
    CString text;
    bool present = false;
    short type = 0;
};
enum class BodyOrder { RtfFirst, HtmlFirst };
ExportedBody ItemBody(const ItemRecord& record, BodyOrder order);
// The subject (prefix such as "RE: " included), else the conversation topic,
// else empty.
CString ItemSubject(const ItemRecord& record);
// An appointment's start or end text: empty when the time is absent, cannot
// be converted, or lies outside the years 1980 to 2099; `seen` is set once
// the stored time has calendar fields at all.
CString AppointmentTimeText(const ItemFileTime* stored, bool& seen);

// Each stores one item in the folder being saved (g_strPstFolderPath) and
// returns 0; nothing is reported.
int ExportTaskItem(ItemRecord* record);
int ExportStickyNoteItem(ItemRecord* record);
int ExportJournalItem(ItemRecord* record);
int ExportAppointmentItem(ItemRecord* record);
// Contacts: export/ContactExport.h.

// What a stored item of a damaged store goes without, counted in
// g_saveLosses: each unreadable attachment and each other part left out,
// and the item itself when blocks of it failed their check sum.
void CountWhatAStoredItemLacks(const ItemRecord& record);
