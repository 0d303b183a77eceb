// Table rows kept between checkpoints in a compact form: a folder's contents
// table is written again when messages join it, and a PropertySet per row
// would cost kilobytes per message.
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "writer/ltp_property_set.h"

namespace writer {

class CompactRows {
public:
    // A row: its id and the values of `values` (variable data copied; a
    // PtypObject or streamed value is not kept).
    void Add(uint32_t rowId, const PropertySet& values);
    // Leaves out the earliest row of this id still shown (a row replaced by
    // one added after it).
    void Drop(uint32_t rowId);
    size_t size() const { return count_ - droppedCount_; }
    // Gives back the room kept for rows to come (when a folder is written).
    void Trim() {
        if (!chunks_.empty()) chunks_.back().shrink_to_fit();
    }
    bool empty() const { return size() == 0; }
    // Each row in the order added, rebuilt as a property set.
    void ForEach(Variant variant, const std::function<void(uint32_t, const PropertySet&)>& f) const;

private:
    uint8_t Slot(uint32_t tag);

    // The rows one after the other (see msg_rows.cpp), in chunks of about
    // 64 KiB: a folder of many rows grows without copying them all.
    std::vector<std::vector<uint8_t>> chunks_;
    size_t count_ = 0;
    std::map<uint32_t, size_t> dropped_;       // row id -> its earliest rows left out
    size_t droppedCount_ = 0;
    uint32_t lastRowId_ = 0;
    std::vector<uint32_t> tags_;               // the tags seen, by slot
    std::vector<Bytes> last_;                  // by slot: the value of the last row that had it
};

}  // namespace writer
