#include "reader/reader_observer.h"

#include <cstdint>
#include <thread>
#include <chrono>

// The Windows tree control's special handles.
TreeItemHandle const kTreeRoot = reinterpret_cast<TreeItemHandle>(static_cast<intptr_t>(-0x10000));
TreeItemHandle const kTreeFirst = reinterpret_cast<TreeItemHandle>(static_cast<intptr_t>(-0xFFFF));
TreeItemHandle const kTreeLast = reinterpret_cast<TreeItemHandle>(static_cast<intptr_t>(-0xFFFE));
TreeItemHandle const kTreeSort = reinterpret_cast<TreeItemHandle>(static_cast<intptr_t>(-0xFFFD));

void ReaderObserver::Pause(unsigned milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

namespace {
ReaderObserver g_defaultObserver;
ReaderObserver* g_observer = &g_defaultObserver;
}  // namespace

ReaderObserver& GetReaderObserver() { return *g_observer; }
void SetReaderObserver(ReaderObserver* observer) { g_observer = observer ? observer : &g_defaultObserver; }
