// Column sets of the tables a store holds: the folder tables and the
// recipient and attachment tables of messages, as Outlook lays them out in
// the table templates ([MS-PST] 2.4.4.5, 2.4.5, 2.4.6), and the other
// template tables of a new store.
#pragma once
#include <vector>

#include "writer/ltp_context.h"

namespace writer {

const std::vector<TableColumn>& HierarchyColumns();
const std::vector<TableColumn>& ContentsColumns();
const std::vector<TableColumn>& AssocContentsColumns();
const std::vector<TableColumn>& SearchContentsColumns();
const std::vector<TableColumn>& RecipientColumns();
const std::vector<TableColumn>& AttachmentColumns();
const std::vector<TableColumn>& ReceiveFolderColumns();
const std::vector<TableColumn>& OutgoingQueueColumns();
const std::vector<TableColumn>& ChangeTemplateColumns(int which);   // 0x6B6, 0x6D7, 0x6F8

}  // namespace writer
