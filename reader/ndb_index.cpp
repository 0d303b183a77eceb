// Pools and indexes of the reader context, and the context's release.
#include "reader/ndb_index.h"

#include <algorithm>

namespace {

// Chunks of retired pools: records handed out before a reset stay valid for
// the rest of the run (the node tree and the name map are never freed while
// the program runs). Never destroyed, so exit order does not matter.
std::vector<std::unique_ptr<uint8_t[]>>& RetiredChunks() {
    static auto* chunks = new std::vector<std::unique_ptr<uint8_t[]>>();
    return *chunks;
}

constexpr size_t kMaxChunk = size_t(1) << 20;

}  // namespace

void* RecordPool::Allocate(size_t size, size_t alignment) {
    size_t pad = m_cursor ? (alignment - reinterpret_cast<uintptr_t>(m_cursor) % alignment) % alignment : 0;
    if (!m_cursor || pad + size > m_left) {
        const size_t chunkSize = std::max(m_nextChunk, size + alignment);
        m_chunks.emplace_back(new uint8_t[chunkSize]);
        m_cursor = m_chunks.back().get();
        m_left = chunkSize;
        m_reserved += chunkSize;
        m_nextChunk = std::min(m_nextChunk * 2, kMaxChunk);
        pad = (alignment - reinterpret_cast<uintptr_t>(m_cursor) % alignment) % alignment;
    }
    uint8_t* result = m_cursor + pad;
    m_cursor = result + size;
    m_left -= pad + size;
    return result;
}

void RecordPool::Clear() {
    m_chunks.clear();
    m_cursor = nullptr;
    m_left = 0;
    m_nextChunk = 4096;
    m_reserved = 0;
}

void RecordPool::Retire() {
    auto& retired = RetiredChunks();
    for (auto& chunk : m_chunks) retired.push_back(std::move(chunk));
    Clear();
}

void FreeRetiredRecords() { RetiredChunks().clear(); }

ReaderIndexes& GetIndexes(StoreContext* context) {
    if (!context->pIndexes) context->pIndexes = new ReaderIndexes();
    return *context->pIndexes;
}

StoreContext::~StoreContext() {
    pFirstBlock = pLastBlock = nullptr;
    pFirstNode = pLastNode = nullptr;
    pFirstNamedProp = nullptr;
    delete pIndexes;  // its pools hold every record of this context
    pIndexes = nullptr;
}
