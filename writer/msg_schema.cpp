#include "writer/msg_schema.h"

namespace writer {

// Columns as {tag, cbData, ibData, iBit}: the layouts of Outlook's own
// template tables, kept unchanged (Outlook relies on them). The row id and
// row version columns (ib 0 and 4, bits 0 and 1) are added by the table
// builder.

const std::vector<TableColumn>& HierarchyColumns() {
    static const std::vector<TableColumn> c = {
        {0x3001001F, 4, 8, 2}, {0x36020003, 4, 12, 3}, {0x36030003, 4, 16, 4},
        {0x360A000B, 1, 52, 5}, {0x0E300102, 4, 20, 6}, {0x0E330014, 8, 24, 7},
        {0x0E340102, 4, 32, 8}, {0x0E380003, 4, 36, 9}, {0x3613001F, 4, 40, 10},
        {0x66350003, 4, 44, 11}, {0x66360003, 4, 48, 12}};
    return c;
}

const std::vector<TableColumn>& ContentsColumns() {
    static const std::vector<TableColumn> c = {
        {0x0E170003, 4, 8, 2}, {0x001A001F, 4, 12, 3}, {0x0E070003, 4, 16, 4},
        {0x00170003, 4, 20, 5}, {0x0042001F, 4, 24, 6}, {0x0037001F, 4, 28, 7},
        {0x0E060040, 8, 32, 8}, {0x00390040, 8, 40, 9}, {0x0E080003, 4, 48, 10},
        {0x0E04001F, 4, 52, 11}, {0x0E03001F, 4, 56, 12}, {0x0057000B, 1, 120, 13},
        {0x0058000B, 1, 121, 14}, {0x00360003, 4, 60, 15}, {0x10970003, 4, 64, 16},
        {0x0070001F, 4, 68, 17}, {0x00710102, 4, 72, 18}, {0x30130102, 4, 76, 19},
        {0x65C60003, 4, 80, 20}, {0x30080040, 8, 84, 21}, {0x0E300102, 4, 92, 22},
        {0x0E330014, 8, 96, 23}, {0x0E340102, 4, 104, 24}, {0x0E3D0102, 4, 108, 25},
        {0x0E3C0102, 4, 112, 26}, {0x0E380003, 4, 116, 27}};
    return c;
}

const std::vector<TableColumn>& AssocContentsColumns() {
    static const std::vector<TableColumn> c = {
        {0x0E170003, 4, 8, 2}, {0x001A001F, 4, 12, 3}, {0x0E070003, 4, 16, 4},
        {0x3001001F, 4, 20, 5}, {0x70030003, 4, 24, 6}, {0x70040102, 4, 28, 7},
        {0x70050102, 4, 32, 8}, {0x7006001F, 4, 36, 9}, {0x70070003, 4, 40, 10},
        {0x6800001F, 4, 44, 11}, {0x6803000B, 1, 56, 12}, {0x68051003, 4, 48, 13},
        {0x682F001F, 4, 52, 14}};
    return c;
}

const std::vector<TableColumn>& SearchContentsColumns() {
    static const std::vector<TableColumn> c = {
        {0x67F10003, 4, 8, 2}, {0x0E05001F, 4, 12, 3}, {0x0E170003, 4, 16, 4},
        {0x001A001F, 4, 20, 5}, {0x0E070003, 4, 24, 6}, {0x00170003, 4, 28, 7},
        {0x0042001F, 4, 32, 8}, {0x0037001F, 4, 36, 9}, {0x0E060040, 8, 40, 10},
        {0x0E080003, 4, 48, 11}, {0x0E04001F, 4, 52, 12}, {0x0E03001F, 4, 56, 13},
        {0x0057000B, 1, 72, 14}, {0x0058000B, 1, 73, 15}, {0x00360003, 4, 60, 16},
        {0x0E2A000B, 1, 74, 17}, {0x30080040, 8, 64, 18}};
    return c;
}

const std::vector<TableColumn>& RecipientColumns() {
    static const std::vector<TableColumn> c = {
        {0x0E0F000B, 1, 48, 2}, {0x3002001F, 4, 8, 3}, {0x3003001F, 4, 12, 4},
        {0x0FFF0102, 4, 16, 5}, {0x3001001F, 4, 20, 6}, {0x0C150003, 4, 24, 7},
        {0x300B0102, 4, 28, 8}, {0x0FF90102, 4, 32, 9}, {0x0FFE0003, 4, 36, 10},
        {0x39000003, 4, 40, 11}, {0x3A40000B, 1, 49, 12}, {0x39FF001F, 4, 44, 13}};
    return c;
}

const std::vector<TableColumn>& AttachmentColumns() {
    static const std::vector<TableColumn> c = {
        {0x370B0003, 4, 8, 2}, {0x0E200003, 4, 12, 3}, {0x37050003, 4, 16, 4},
        {0x3704001F, 4, 20, 5}};
    return c;
}

const std::vector<TableColumn>& ReceiveFolderColumns() {
    static const std::vector<TableColumn> c = {
        {0x66050003, 4, 8, 2}, {0x001A001F, 4, 12, 3}};
    return c;
}

const std::vector<TableColumn>& OutgoingQueueColumns() {
    static const std::vector<TableColumn> c = {
        {0x0E140003, 4, 8, 2}, {0x0E100003, 4, 12, 3}, {0x00390040, 8, 16, 4}};
    return c;
}

const std::vector<TableColumn>& ChangeTemplateColumns(int which) {
    static const std::vector<TableColumn> a = {
        {0x0E330014, 8, 8, 2}, {0x0E370102, 4, 16, 3}, {0x0E380003, 4, 20, 4}};
    static const std::vector<TableColumn> b = {
        {0x0E3E0102, 4, 8, 2}, {0x0E310102, 4, 12, 3}, {0x0E300102, 4, 16, 4},
        {0x0E380003, 4, 20, 5}, {0x0E340102, 4, 24, 6}, {0x0E330014, 8, 28, 7},
        {0x001A001F, 4, 36, 8}};
    static const std::vector<TableColumn> c = {
        {0x30070040, 8, 8, 2}, {0x0E330014, 8, 16, 3}};
    return which == 0 ? a : which == 1 ? b : c;
}

}  // namespace writer
