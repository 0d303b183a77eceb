// Memory for the writer's long-lived records (millions of B-tree entries on
// a large store): taken from slabs of 1 MiB instead of one heap block per
// container chunk. Records that live for the whole store, interleaved in
// the heap with each committed message's short-lived buffers, would split
// the free space into fragments that every later allocation walks past (a
// heap without size classes, as Wine's, slows with the store's size).
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

namespace writer {

class RecordArena {
public:
    RecordArena() = default;
    RecordArena(const RecordArena&) = delete;
    RecordArena& operator=(const RecordArena&) = delete;

    void* Allocate(size_t bytes) {
        const size_t c = ClassOf(bytes);
        if (c >= kClasses) return ::operator new(bytes);
        if (FreeBlock* f = free_[c]) {
            free_[c] = f->next;
            return f;
        }
        const size_t size = c * kGrain;
        if (left_ < size) {
            slabs_.emplace_back(new uint8_t[kSlab]);
            cursor_ = slabs_.back().get();
            left_ = kSlab;
        }
        void* p = cursor_;
        cursor_ += size;
        left_ -= size;
        return p;
    }
    void Free(void* p, size_t bytes) {
        if (!p) return;
        const size_t c = ClassOf(bytes);
        if (c >= kClasses) {
            ::operator delete(p);
            return;
        }
        FreeBlock* f = static_cast<FreeBlock*>(p);
        f->next = free_[c];
        free_[c] = f;
    }
    size_t BytesReserved() const { return slabs_.size() * kSlab; }

private:
    struct FreeBlock {
        FreeBlock* next;
    };
    static constexpr size_t kGrain = 16;
    static constexpr size_t kClasses = 257;   // pieces up to 4 KiB; larger ones from the heap
    static constexpr size_t kSlab = size_t(1) << 20;
    static size_t ClassOf(size_t bytes) { return bytes == 0 ? 1 : (bytes + kGrain - 1) / kGrain; }

    std::vector<std::unique_ptr<uint8_t[]>> slabs_;
    uint8_t* cursor_ = nullptr;
    size_t left_ = 0;
    FreeBlock* free_[kClasses] = {};
};

// A standard allocator over an arena (containers of one writer only).
template <typename T>
class ArenaAllocator {
public:
    using value_type = T;
    explicit ArenaAllocator(RecordArena* arena) : arena_(arena) {}
    template <typename U>
    ArenaAllocator(const ArenaAllocator<U>& other) : arena_(other.arena()) {}
    T* allocate(size_t n) {
        if (n > SIZE_MAX / sizeof(T)) throw std::bad_alloc();
        return static_cast<T*>(arena_->Allocate(n * sizeof(T)));
    }
    void deallocate(T* p, size_t n) { arena_->Free(p, n * sizeof(T)); }
    RecordArena* arena() const { return arena_; }
    template <typename U>
    bool operator==(const ArenaAllocator<U>& other) const { return arena_ == other.arena(); }
    template <typename U>
    bool operator!=(const ArenaAllocator<U>& other) const { return arena_ != other.arena(); }

private:
    RecordArena* arena_;
};

}  // namespace writer
