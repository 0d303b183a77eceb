// Stand-ins of the item view's renderers: each finds the row's item, reads it
// and frees it, and shows nothing.
#include "app/ItemRenderers.h"

#include "app/ItemListFill.h"
#include "reader/item_reader.h"
#include "reader/store_context.h"

namespace {

void ReadRowItem(int nRow) {
    NodeEntry* node = FindRowItemNode(nRow);
    if (node == nullptr) return;
    FreeItemRecord(ReadItemRecord(g_storeFile, node));
}

}  // namespace

void ShowMailItem(int nRow) { ReadRowItem(nRow); }
void ShowAppointmentItem(int nRow) { ReadRowItem(nRow); }
void ShowNoteItem(int nRow) { ReadRowItem(nRow); }
void ShowTaskItem(int nRow) { ReadRowItem(nRow); }
void ShowJournalItem(int nRow) { ReadRowItem(nRow); }
void ShowContactItem(int nRow) { ReadRowItem(nRow); }
