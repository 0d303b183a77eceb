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

// 0 when the 8-bit name may name a file: not empty, under 256 bytes, none of
// the control characters and "*/:<>?\| (their byte value is returned), not
// only dots (46), and no device name as its base (AUX -3, CON -4, NUL -5,
// PRN -6, COM1..9 -7..-15, LPT1..9 -16..-24, CLOCK$ -2).
int CheckFileName(const char* name);

// Deletes the files of the latest call (g_attachPaths) and the numbered
// folders made for same-named files. Called as soon as the item writer has
// read them: the temporary folder stays small, and a new name is found at
// once. A later call of SaveAttachmentsToTempFiles deletes them too.
void DeleteAttachmentFiles();
