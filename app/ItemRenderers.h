// The item view's renderers, one per folder kind, each given the list row to show.
#pragma once

void ShowMailItem(int nRow);
void ShowAppointmentItem(int nRow);
void ShowNoteItem(int nRow);
void ShowTaskItem(int nRow);
void ShowJournalItem(int nRow);
void ShowContactItem(int nRow);
