// Export of one mail-type item through the item writer's SaveMail: sender
// into the header file "Temp.eml", recipients, subject, date text, the body
// by its type, and the attachment files, which are deleted again after the
// mail is stored.
#pragma once
#include "framework/framework.h"

#include "reader/item_record.h"

// Stores the item in the folder of the item writer path given; returns 0.
// An item that is not stored, a sender or an attachment that cannot be
// carried is counted in g_saveLosses.
int ExportMailItem(ItemRecord* record, CString folderPath);

// The sender text: "name<address>" when the address holds "@", "<name>"
// for an address without "@", else the bare name (or empty).
CString MailSenderText(const CString* name, const CString* address);
// The recipients text: the display-to text cut before a "</O" after its first
// character, then "<address>" when the received-by address has "@" after its
// first character.
CString MailRecipientsText(const CString* displayTo, const CString* receivedBy);
// Writes "From:" + sender (or "UnKnown") in the ANSI code page and CR LF.
// 0, or the system's error when the file cannot be written whole; a file cut
// short is deleted again (the export goes on without it).
DWORD WriteMailHeaderFile(const CString& path, const CString& sender);
// Closes the header file that WriteMailHeaderFile keeps open between mails
// (at the end of a folder and of the save).
void CloseMailHeaderFile();
