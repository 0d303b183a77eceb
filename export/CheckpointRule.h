// When the saving worker ends the item writer's batch (a checkpoint: the new
// store on disk then holds everything so far). Every 500 items or 5 seconds,
// so that a killed save loses seconds of work, not a folder; but a
// checkpoint writes the open folder's contents table whole, so in a big
// folder they come further apart (a quarter of what the folder holds so
// far), and never so often that they take more than a tenth of the time.
// Without that, 300,000 mails in one folder write its table 600 times.
#pragma once
#include <algorithm>
#include <cstdint>

constexpr int kCheckpointItems = 500;
constexpr uint32_t kCheckpointMs = 5000;

// pending: items handed over since the last checkpoint; savedInFolder: items
// of the open folder so far; sinceLastMs: time since the last checkpoint
// ended; lastCostMs: how long the last checkpoint took.
inline bool CheckpointDue(int pending, int savedInFolder, uint32_t sinceLastMs, uint32_t lastCostMs) {
    if (pending <= 0) return false;
    if (sinceLastMs < 10 * lastCostMs) return false;
    return pending >= std::max(kCheckpointItems, savedInFolder / 4) || sinceLastMs >= kCheckpointMs;
}
