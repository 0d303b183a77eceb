#include "export/ItemExporters.h"

#include <cstring>

namespace {
bool ClassIs(const char* cls, const char* name) { return std::strcmp(cls, name) == 0; }
}  // namespace

ItemRoute RouteForItem(const ItemRecord& record) {
    if (record.pFolderCounts != nullptr || record.szClass == nullptr || record.nMessageFlags == 0x49)
        return ItemRoute::Skip;
    const char* cls = record.szClass;
    if (ClassIs(cls, "IPM.Task")) return ItemRoute::Task;
    if (ClassIs(cls, "IPM.StickyNote") || ClassIs(cls, "IPF.StickyNote")) return ItemRoute::StickyNote;
    if (record.pJournal != nullptr || ClassIs(cls, "IPM.Activity")) return ItemRoute::Journal;
    if (ClassIs(cls, "IPM.Configuration.Calendar") || ClassIs(cls, "IPM.Appointment") ||
        ClassIs(cls, "IPF.Appointment"))
        return record.nKind == kItemKindAppointment ? ItemRoute::Appointment : ItemRoute::CountOnly;
    if (ClassIs(cls, "IPM.Contact") || ClassIs(cls, "IPM.Configuration.ContactPrefs"))
        return record.nMessageFlags == 9 ? ItemRoute::CountOnly : ItemRoute::Contact;
    return record.pMessage != nullptr ? ItemRoute::Mail : ItemRoute::NotCounted;
}

// The exporters of these classes come later; until then their items are
// counted and passed over.
int ExportTaskItem(ItemRecord*) { return 0; }
int ExportStickyNoteItem(ItemRecord*) { return 0; }
int ExportJournalItem(ItemRecord*) { return 0; }
int ExportAppointmentItem(ItemRecord*) { return 0; }
int ExportContactItem(ItemRecord*) { return 0; }
