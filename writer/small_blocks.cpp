#include "writer/small_blocks.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <thread>

namespace writer {
namespace {

// Classes: 16 to 128 bytes in steps of 16, then four steps per doubling up
// to kLargestSmallBlock (at most a quarter of a block is rounding).
constexpr int kFineClasses = 8;
constexpr int kClassCount = kFineClasses + 4 * 4;
constexpr std::size_t kHeaderBytes = 16;
constexpr std::size_t kChunkBytes = 256 * 1024;
constexpr uint32_t kLargeClass = 0xFFFF;
constexpr uint32_t kHeaderCheck = 0x5B10C4ED;

constexpr int FloorLog2(std::size_t n) {
    int log = 0;
    while (n >>= 1) ++log;
    return log;
}

constexpr int ClassOf(std::size_t size) {
    if (size <= 128) return size == 0 ? 0 : static_cast<int>((size + 15) / 16) - 1;
    const int group = FloorLog2(size - 1) - 7;
    const std::size_t lower = std::size_t{128} << group;
    return kFineClasses + 4 * group + static_cast<int>((size - lower - 1) / (lower / 4));
}

constexpr std::size_t ClassBytes(int sizeClass) {
    if (sizeClass < kFineClasses) return static_cast<std::size_t>(sizeClass + 1) * 16;
    const int group = (sizeClass - kFineClasses) / 4;
    const std::size_t lower = std::size_t{128} << group;
    return lower + static_cast<std::size_t>((sizeClass - kFineClasses) % 4 + 1) * (lower / 4);
}

static_assert(ClassOf(kLargestSmallBlock) == kClassCount - 1, "the last class holds the largest small block");
static_assert(ClassBytes(ClassOf(129)) == 160 && ClassBytes(ClassOf(2047)) == 2048, "class bounds");

// Sits in the 16 bytes before every block handed out.
struct Header {
    uint32_t sizeClass;
    uint32_t check;
    void* mallocBlock;  // large blocks: what malloc returned
};
static_assert(sizeof(Header) <= kHeaderBytes, "header fits its room");

struct FreeBlock {
    FreeBlock* next;
};

// One lock per class; holders do a few pointer moves, so waiters spin.
class SizeClass {
public:
    void* Take(std::size_t blockBytes) noexcept {
        Lock();
        void* block = free_;
        if (block) {
            free_ = free_->next;
        } else {
            if (carveEnd_ - carve_ < static_cast<std::ptrdiff_t>(blockBytes) && !NewChunk()) {
                Unlock();
                return nullptr;
            }
            block = carve_;
            carve_ += blockBytes;
        }
        Unlock();
        return block;
    }

    void Give(void* block) noexcept {
        Lock();
        FreeBlock* freed = static_cast<FreeBlock*>(block);
        freed->next = free_;
        free_ = freed;
        Unlock();
    }

private:
    void Lock() noexcept {
        for (int spins = 0; busy_.exchange(true, std::memory_order_acquire);) {
            while (busy_.load(std::memory_order_relaxed)) {
                if (++spins > 64) std::this_thread::yield();
            }
        }
    }
    void Unlock() noexcept { busy_.store(false, std::memory_order_release); }

    bool NewChunk() noexcept {
        // malloc aligns to 8 on 32-bit Windows: round the start up to 16.
        char* chunk = static_cast<char*>(std::malloc(kChunkBytes + 15));
        if (!chunk) return false;
        carve_ = chunk + ((16 - reinterpret_cast<uintptr_t>(chunk) % 16) % 16);
        carveEnd_ = chunk + kChunkBytes + 15;
        return true;
    }

    std::atomic<bool> busy_{false};
    FreeBlock* free_ = nullptr;
    char* carve_ = nullptr;
    char* carveEnd_ = nullptr;
};

// Constant-initialised: usable by constructors of other files that run first.
SizeClass g_classes[kClassCount];

void* Stamp(char* at, uint32_t sizeClass, void* mallocBlock) noexcept {
    Header* header = reinterpret_cast<Header*>(at);
    header->sizeClass = sizeClass;
    header->check = kHeaderCheck ^ sizeClass;
    header->mallocBlock = mallocBlock;
    return at + kHeaderBytes;
}

}  // namespace

void* SmallBlocksAllocate(std::size_t size) noexcept {
    if (size <= kLargestSmallBlock) {
        const int sizeClass = ClassOf(size);
        char* block = static_cast<char*>(g_classes[sizeClass].Take(ClassBytes(sizeClass) + kHeaderBytes));
        return block ? Stamp(block, static_cast<uint32_t>(sizeClass), nullptr) : nullptr;
    }
    if (size > SIZE_MAX - 2 * kHeaderBytes) return nullptr;
    char* raw = static_cast<char*>(std::malloc(size + 2 * kHeaderBytes));
    if (!raw) return nullptr;
    char* at = raw + ((16 - reinterpret_cast<uintptr_t>(raw) % 16) % 16);
    return Stamp(at, kLargeClass, raw);
}

void SmallBlocksFree(void* block) noexcept {
    if (!block) return;
    char* at = static_cast<char*>(block) - kHeaderBytes;
    const Header* header = reinterpret_cast<const Header*>(at);
    // A block this allocator did not give, or one freed twice over a
    // reused header, would corrupt a free list: stop here instead.
    if (header->check != (kHeaderCheck ^ header->sizeClass)) std::abort();
    if (header->sizeClass == kLargeClass) {
        std::free(header->mallocBlock);
        return;
    }
    if (header->sizeClass >= static_cast<uint32_t>(kClassCount)) std::abort();
    g_classes[header->sizeClass].Give(at);
}

}  // namespace writer

#if defined(_WIN32)
// Every form of the global operator new and delete of this module, so that
// none falls back to the C library's with a block from here. (The aligned
// forms stay the library's: they pair with each other.)
namespace {
void* NewOrThrow(std::size_t size) {
    for (;;) {
        if (void* block = writer::SmallBlocksAllocate(size)) return block;
        std::new_handler handler = std::get_new_handler();
        if (!handler) throw std::bad_alloc();
        handler();
    }
}
void* NewOrNull(std::size_t size) noexcept {
    try {
        return NewOrThrow(size);
    } catch (...) {
        return nullptr;
    }
}
}  // namespace

void* operator new(std::size_t size) { return NewOrThrow(size); }
void* operator new[](std::size_t size) { return NewOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return NewOrNull(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return NewOrNull(size); }
void operator delete(void* block) noexcept { writer::SmallBlocksFree(block); }
void operator delete[](void* block) noexcept { writer::SmallBlocksFree(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { writer::SmallBlocksFree(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { writer::SmallBlocksFree(block); }
void operator delete(void* block, std::size_t) noexcept { writer::SmallBlocksFree(block); }
void operator delete[](void* block, std::size_t) noexcept { writer::SmallBlocksFree(block); }
#endif
