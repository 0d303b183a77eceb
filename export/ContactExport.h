// Contacts go through the MAPI session library: a new session per contact,
// the folder by its path, a new contact item, its last attachment file, its
// properties put one by one, its body, and save.
#pragma once
#include "framework/framework.h"

#include "reader/item_record.h"

// Stores the contact in the folder being saved (g_strPstFolderPath); returns 0.
int ExportContactItem(ItemRecord* record);
