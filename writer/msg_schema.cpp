#include "writer/msg_schema.h"

namespace writer {

namespace {
std::vector<TableColumn> Columns(std::initializer_list<uint32_t> tags) {
    std::vector<TableColumn> out;
    for (uint32_t t : tags) out.push_back(TableColumn{t, 0});
    return out;
}
}  // namespace

const std::vector<TableColumn>& HierarchyColumns() {
    static const auto c = Columns({0x3001001F, 0x36020003, 0x36030003, 0x360A000B, 0x0E300102,
                                   0x0E330014, 0x0E340102, 0x0E380003, 0x3613001F, 0x66350003,
                                   0x66360003});
    return c;
}

const std::vector<TableColumn>& ContentsColumns() {
    static const auto c = Columns({0x0E170003, 0x001A001F, 0x0E070003, 0x00170003, 0x0042001F,
                                   0x0037001F, 0x0E060040, 0x00390040, 0x0E080003, 0x0E04001F,
                                   0x0E03001F, 0x00360003, 0x10970003, 0x0070001F, 0x00710102,
                                   0x30130102, 0x65C60003, 0x30080040, 0x0E300102, 0x0E330014,
                                   0x0E340102, 0x0E3D0102, 0x0E3C0102, 0x0E380003, 0x0057000B,
                                   0x0058000B});
    return c;
}

const std::vector<TableColumn>& AssocContentsColumns() {
    static const auto c = Columns({0x0E170003, 0x001A001F, 0x0E070003, 0x3001001F, 0x6800001F,
                                   0x70030003, 0x70040102, 0x70050102, 0x7006001F, 0x70070003,
                                   0x68051003, 0x682F001F, 0x6803000B});
    return c;
}

const std::vector<TableColumn>& SearchContentsColumns() {
    static const auto c = Columns({0x67F10003, 0x0E05001F, 0x0E170003, 0x001A001F, 0x0E070003,
                                   0x00170003, 0x0042001F, 0x0037001F, 0x0E060040, 0x0E080003,
                                   0x0E04001F, 0x0E03001F, 0x00360003, 0x30080040, 0x0057000B,
                                   0x0058000B, 0x0E2A000B});
    return c;
}

const std::vector<TableColumn>& RecipientColumns() {
    static const auto c = Columns({0x0C150003, 0x0E0F000B, 0x0FF90102, 0x0FFE0003, 0x0FFF0102,
                                   0x3001001F, 0x3002001F, 0x3003001F, 0x300B0102, 0x39000003,
                                   0x39FF001F, 0x3A40000B});
    return c;
}

const std::vector<TableColumn>& AttachmentColumns() {
    static const auto c = Columns({0x0E200003, 0x3704001F, 0x37050003, 0x370B0003});
    return c;
}

const std::vector<TableColumn>& ReceiveFolderColumns() {
    static const auto c = Columns({0x001A001F, 0x66050003});
    return c;
}

const std::vector<TableColumn>& OutgoingQueueColumns() {
    static const auto c = Columns({0x00390040, 0x0E100003, 0x0E140003});
    return c;
}

const std::vector<TableColumn>& ChangeTemplateColumns(int which) {
    static const auto a = Columns({0x0E330014, 0x0E370003, 0x0E380003});
    static const auto b = Columns({0x0E3E0102, 0x0E310102, 0x0E300102, 0x0E380003, 0x0E340102,
                                   0x0E330014, 0x001A001F});
    static const auto c = Columns({0x30070040, 0x0E330014});
    return which == 0 ? a : which == 1 ? b : c;
}

}  // namespace writer
