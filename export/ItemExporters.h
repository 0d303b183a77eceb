// The exporters by message class, and the rule that picks one for an item.
#pragma once
#include "framework/framework.h"

#include "reader/item_record.h"

enum class ItemRoute {
    Skip,          // a sub-folder, an item without class, or message flags 0x49: not counted, no display change
    Task,
    StickyNote,
    Journal,
    Appointment,
    Contact,
    CountOnly,     // a calendar item of another kind, or a contact with flags 9: counted, not stored
    Mail,
    NotCounted,    // another class without a message sub-record: only the count text is set again
};

// The first matching rule, classes compared exactly.
ItemRoute RouteForItem(const ItemRecord& record);

// Each stores one item in the folder being saved (g_strPstFolderPath) and
// returns 0; nothing is reported.
int ExportTaskItem(ItemRecord* record);
int ExportStickyNoteItem(ItemRecord* record);
int ExportJournalItem(ItemRecord* record);
int ExportAppointmentItem(ItemRecord* record);
int ExportContactItem(ItemRecord* record);
