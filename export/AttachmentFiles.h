// Attachment files for the components: each attachment of an item whose
// long file name is usable is written under that name in the export's
// temporary folder; the paths are left for the exporter.
#pragma once
#include "framework/framework.h"

#include <vector>

#include "reader/item_record.h"

// The full path of the last file written for the item of the latest call.
extern CString g_strLastAttachPath;
// The full paths of the files written, in list order, each followed by ";"
// (a path holding ";" is left out: the list could not be split again).
extern CString g_strAttachPathList;
// The full paths of the files written for the item of the latest call.
extern std::vector<CString> g_attachPaths;

// Writes the files of the item's attachments; returns 0. An attachment whose
// file cannot be written whole (or whose bytes the store cannot give) is
// counted in g_saveLosses and left out; the others are still written.
int SaveAttachmentsToTempFiles(ItemRecord* record);

// Counts the attachments that the walk of SaveAttachmentsToTempFiles had not
// yet written when it was ended by a failure (from its cursor on).
void CountAttachmentsNotWritten(const ItemRecord& record);

// 0 when the 8-bit name may name a file: not empty, under 256 bytes, none of
// the control characters and "*/:<>?\| (their byte value is returned), not
// only dots (46), and no device name as its base (AUX -3, CON -4, NUL -5,
// PRN -6, COM1..9 -7..-15, LPT1..9 -16..-24, CLOCK$ -2).
int CheckFileName(const char* name);

// The files of the latest call (g_attachPaths) are no longer needed: called
// as soon as the item writer has read them. The latest few stay for later
// items of the same names (written over in place); older ones, and those in
// the numbered folders of same-named files with their folders, are deleted
// on the save's file lane, so that the temporary folder stays small (a new
// name is looked up in the whole folder). A later file of a name being
// deleted waits for its delete. SaveAttachmentsToTempFiles releases what was
// not released.
void ReleaseAttachmentFiles();
// Releases the latest call's files, deletes every kept one and waits until
// every released file is deleted (at the end of a folder and of the save).
void DeleteAttachmentFiles();
