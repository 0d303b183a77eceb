// The store writer's figures: 1 = 10,000 mails with small attachments,
// 2 = 1 GiB of mail, 3 = 300,000 mails (peak memory), 4 = the same with a
// checkpoint every 300 mails, 5 = 300,000 mails in one folder, 6 and 7 =
// 300,000 mails each committed on its own into 30 folders or one, 8 = as 7
// with the attachments given from memory instead of files. `mails`
// replaces the 300,000 (a quicker run). Returns 0 when the store was written.
#pragma once
#include <cstdint>

int RunWriterBench(int which, uint64_t mails = 300000);
