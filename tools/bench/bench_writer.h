// The store writer's figures: 1 = 10,000 mails with small attachments,
// 2 = 1 GiB of mail, 3 = 300,000 mails (peak memory), 4 = the same with a
// checkpoint every 300 mails, 5 = 300,000 mails in one folder. Returns 0 when the
// store was written.
#pragma once

int RunWriterBench(int which);
