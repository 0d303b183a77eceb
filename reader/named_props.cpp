// The name-to-id map (node 0x61, [MS-PST] 2.4.7): the entry stream and the
// string stream of its property context turned into a list by property id.
#include "reader/named_props.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "format/bytes.h"
#include "format/layout.h"
#include "reader/ltp.h"
#include "reader/ndb_index.h"

namespace {

constexpr uint32_t kEntryStreamId = 0x0003;
constexpr uint32_t kStringStreamId = 0x0004;
constexpr uint32_t kFirstNamedId = 0x8000;

const PropValue* FirstValueWithId(const PropRow* row, uint32_t propId) {
    for (int32_t i = 0; i < row->slotCount; ++i) {
        const PropValue* value = row->ppValues[i];
        if (value && value->propId == propId) return value;
    }
    return nullptr;
}

// The name at a string offset: the low byte of each UTF-16 unit up to the
// first unit whose low byte is 0, bounded by the stream.
char* ReadName(RecordPool& pool, const PropValue& strings, uint32_t offset) {
    const size_t size = static_cast<size_t>(strings.size);
    const size_t room = size - offset >= 4 ? size - offset - 4 : 0;
    const size_t length = room ? fmt::LoadLe32(strings.pData + offset) : 0;
    const size_t available = room < length ? room : length;
    const uint8_t* units = strings.pData + offset + 4;
    size_t count = 0;
    while (count < available / 2 && units[2 * count] != 0) ++count;
    char* name = static_cast<char*>(pool.Allocate(count + 1, 1));
    for (size_t i = 0; i < count; ++i) name[i] = static_cast<char>(units[2 * i]);
    name[count] = 0;
    return name;
}

// The index answers for the list the context holds now.
ReaderIndexes& NamedIndexFor(StoreContext* context) {
    ReaderIndexes& index = GetIndexes(context);
    if (index.namedIndexedHead != context->pFirstNamedProp || (context->pFirstNamedProp && index.namedFirst.empty())) {
        index.namedFirst.clear();
        index.namedSorted = true;
        uint32_t previous = 0;
        for (NamedPropEntry* e = context->pFirstNamedProp; e; e = e->pNext) {
            if (!index.namedFirst.empty() && e->propId < previous) index.namedSorted = false;
            if (index.namedFirst.empty() || e->propId != previous) index.namedFirst.emplace_back(e->propId, e);
            previous = e->propId;
        }
        index.namedIndexedHead = context->pFirstNamedProp;
    }
    return index;
}

}  // namespace

NamedPropEntry* FindNamedPropEntry(StoreContext* context, uint32_t propId) {
    if (!context || !context->pFirstNamedProp) return nullptr;
    ReaderIndexes& index = NamedIndexFor(context);
    if (!index.namedSorted) {
        // A list made by other code out of order: the plain scan.
        for (NamedPropEntry* e = context->pFirstNamedProp; e; e = e->pNext)
            if (e->propId >= propId) return e;
        return nullptr;
    }
    auto it = std::lower_bound(index.namedFirst.begin(), index.namedFirst.end(), propId,
                               [](const std::pair<uint32_t, NamedPropEntry*>& a, uint32_t id) { return a.first < id; });
    return it == index.namedFirst.end() ? nullptr : it->second;
}

int LoadNamedPropertyMap(StoreContext* context) {
    if (!context) return 0;
    NodeEntry* node = FindNode(context, fmt::kNidNameToIdMap);
    if (!node || !node->pDataBlock) return 0;
    SubnodeEntry* subnodes = node->pSubnodeBlock ? ReadSubnodeMap(context, node->pSubnodeBlock) : nullptr;
    PropRow* rows = nullptr;
    try {
        rows = ReadNodeProperties(context, node->pDataBlock->blockId, subnodes);
    } catch (...) {
        FreeSubnodeMap(subnodes);
        throw;
    }
    if (!rows) {
        FreeSubnodeMap(subnodes);
        return 0;
    }
    const PropValue* entries = FirstValueWithId(rows, kEntryStreamId);
    const PropValue* strings = FirstValueWithId(rows, kStringStreamId);
    if (strings && !strings->pData) strings = nullptr;
    if (!entries || !entries->pData) {
        FreePropRows(rows);
        FreeSubnodeMap(subnodes);
        return 0;
    }

    ReaderIndexes& index = GetIndexes(context);
    RecordPool& pool = index.namedPool;
    // Entries in record order; the list is by ascending id with the later of
    // two records of one id first.
    std::vector<NamedPropEntry*> made;
    const uint64_t size = entries->size;
    for (uint64_t at = 0; at + 8 <= size; at += 8) {
        const uint8_t* record = entries->pData + at;
        const uint32_t value = fmt::LoadLe32(record);
        const bool stringNamed = (fmt::LoadLe16(record + 4) & 1) != 0;
        NamedPropEntry* entry = pool.New<NamedPropEntry>();
        entry->propId = kFirstNamedId + fmt::LoadLe16(record + 6);
        if (stringNamed) {
            if (!strings || value >= strings->size) continue;
            entry->kind = kNamedPropString;
            entry->pValue = ReadName(pool, *strings, value);
        } else {
            entry->kind = kNamedPropNumeric;
            uint32_t* lid = static_cast<uint32_t*>(pool.Allocate(sizeof(uint32_t), alignof(uint32_t)));
            *lid = value;
            entry->pValue = lid;
        }
        made.push_back(entry);
    }
    std::vector<size_t> order(made.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        if (made[a]->propId != made[b]->propId) return made[a]->propId < made[b]->propId;
        return a > b;
    });
    NamedPropEntry* head = nullptr;
    for (size_t i = order.size(); i-- > 0;) {
        made[order[i]]->pNext = head;
        head = made[order[i]];
    }
    context->pFirstNamedProp = head;
    FreeSubnodeMap(subnodes);
    FreePropRows(rows);
    return 1;
}

void ResetNamedPropertyMap(StoreContext* context) {
    if (!context) return;
    context->pFirstNamedProp = nullptr;
    if (!context->pIndexes) return;
    ReaderIndexes& index = *context->pIndexes;
    index.namedFirst.clear();
    index.namedIndexedHead = nullptr;
    index.namedPool.Retire();
}
