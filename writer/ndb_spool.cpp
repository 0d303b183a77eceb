#include "writer/ndb_spool.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace writer {
namespace {

constexpr size_t kFileBuffer = size_t(1) << 20;

// A file that did not exist, opened for reading and writing; null when the
// name is taken or the file cannot be made.
std::FILE* CreateNew(const std::filesystem::path& p) {
#ifdef _WIN32
    const HANDLE h = CreateFileW(p.wstring().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_TEMPORARY, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDWR | _O_BINARY);
    if (fd < 0) {
        CloseHandle(h);
        return nullptr;
    }
    std::FILE* f = _fdopen(fd, "w+b");
    if (!f) _close(fd);
#else
    const int fd = ::open(p.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return nullptr;
    std::FILE* f = fdopen(fd, "w+b");
    if (!f) ::close(fd);
#endif
    return f;
}

std::FILE* OpenTempFile(std::filesystem::path& pathOut) {
    static std::atomic<unsigned> counter{0};
    std::error_code ec;
    std::filesystem::path dir = std::filesystem::temp_directory_path(ec);
    if (ec) dir = ".";
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::filesystem::path p =
            dir / ("ndbspool-" + std::to_string(stamp) + "-" + std::to_string(counter++) + ".tmp");
        std::FILE* f = CreateNew(p);      // a name taken meanwhile is never written over
        if (f) {
            pathOut = p;
            std::setvbuf(f, nullptr, _IOFBF, kFileBuffer);
            return f;
        }
    }
    return nullptr;
}

}  // namespace

NdbSpool::NdbSpool(size_t memoryLimit) : memoryLimit_(memoryLimit) {}

NdbSpool::~NdbSpool() {
    if (file_) {
        std::fclose(file_);
        std::error_code ec;
        std::filesystem::remove(filePath_, ec);
    }
}

void NdbSpool::Spill() {
    file_ = OpenTempFile(filePath_);
    if (!file_) {
        // No temporary folder: keep everything in memory instead.
        memoryLimit_ = SIZE_MAX;
        return;
    }
    if (!memory_.empty() && std::fwrite(memory_.data(), 1, memory_.size(), file_) != memory_.size())
        failed_ = true;
    std::vector<uint8_t>().swap(memory_);
}

void NdbSpool::Append(const uint8_t* data, size_t size) {
    if (size == 0) return;
    if (!file_ && memory_.size() + size > memoryLimit_) Spill();
    if (file_) {
        if (std::fwrite(data, 1, size, file_) != size) failed_ = true;
    } else {
        memory_.insert(memory_.end(), data, data + size);
    }
    size_ += size;
}

void NdbSpool::AppendZeros(uint64_t count) {
    static const uint8_t zeros[4096] = {};
    while (count > 0) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(count, sizeof zeros));
        Append(zeros, n);
        count -= n;
    }
}

void NdbSpool::Clear() {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
        std::error_code ec;
        std::filesystem::remove(filePath_, ec);
    }
    std::vector<uint8_t>().swap(memory_);
    size_ = readPos_ = 0;
}

bool NdbSpool::Rewind() {
    readPos_ = 0;
    if (file_) {
        if (std::fflush(file_) != 0) failed_ = true;
        std::rewind(file_);
    }
    return !failed_;
}

bool NdbSpool::Read(uint8_t* out, size_t count) {
    const uint64_t available = readPos_ < size_ ? size_ - readPos_ : 0;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(available, count));
    if (n > 0) {
        if (file_) {
            if (std::fread(out, 1, n, file_) != n) return false;
        } else {
            std::memcpy(out, memory_.data() + readPos_, n);
        }
    }
    std::memset(out + n, 0, count - n);
    readPos_ += count;
    return true;
}

}  // namespace writer
