#include "writer/ndb_file.h"

#include <algorithm>
#include <filesystem>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>
#endif
#include <system_error>

namespace writer {
namespace {
constexpr size_t kBufferSize = size_t(2) << 20;
constexpr size_t kMaxQueued = 2;     // buffers waiting for the worker
}

NdbFile::~NdbFile() { Close(); }

namespace {
#ifdef _WIN32
std::string SystemText(int code) {
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   static_cast<DWORD>(code), 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    std::wstring wide = text ? text : L"";
    LocalFree(text);
    std::string out;
    if (!wide.empty()) {
        const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
        out.assign(static_cast<size_t>(n > 0 ? n : 0), '\0');
        if (n > 0) WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &out[0], n, nullptr, nullptr);
    }
    return out;
}
#else
std::string SystemText(int code) { return std::generic_category().message(code); }
#endif
}  // namespace

void NdbFile::SetError(int code) {
    int none = 0;
    errorCode_.compare_exchange_strong(none, code);
}

int NdbFile::ErrorCode() const { return errorCode_; }

std::string NdbFile::Error() const {
    const int code = ErrorCode();
    if (code == 0) return failed_ ? "the file could not be written" : std::string();
    std::string text = SystemText(code);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == '.' || text.back() == ' '))
        text.pop_back();
    return text.empty() ? "system error " + std::to_string(code) : text;
}

bool NdbFile::Open(const std::string& path) {
    Close();
    errorCode_ = 0;
    failed_ = false;
    const std::filesystem::path p = std::filesystem::u8path(path);
#ifdef _WIN32
    // Readers may look in; no one may write, rename or delete it meanwhile.
    const HANDLE h = CreateFileW(p.wstring().c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        SetError(static_cast<int>(GetLastError()));
        return false;
    }
    if (GetFileType(h) != FILE_TYPE_DISK) {     // a device name ("NUL", "COM1") opens the device
        ::CloseHandle(h);
        SetError(ERROR_BAD_DEVICE);
        return false;
    }
    handle_ = h;
#else
    const int fd = ::open(p.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        SetError(errno);
        return false;
    }
    fd_ = fd;
#endif
    open_ = true;
    path_ = path;
    buffer_.clear();
    buffer_.reserve(kBufferSize);
    pieces_.clear();
    size_ = 0;
    stop_ = busy_ = false;
    worker_ = std::thread([this] { Work(); });
    return true;
}

bool NdbFile::WritePiece(uint64_t offset, const uint8_t* data, size_t size) {
    while (size > 0) {
#ifdef _WIN32
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, size_t(1) << 30));
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD done = 0;
        if (!WriteFile(static_cast<HANDLE>(handle_), data, chunk, &done, &at)) {
            SetError(static_cast<int>(GetLastError()));
            return false;
        }
        if (done == 0) {
            SetError(ERROR_DISK_FULL);
            return false;
        }
#else
        const ssize_t done = ::pwrite(fd_, data, size, static_cast<off_t>(offset));
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) {
            SetError(done < 0 ? errno : ENOSPC);
            return false;
        }
#endif
        data += done;
        offset += static_cast<uint64_t>(done);
        size -= static_cast<size_t>(done);
    }
    return true;
}

void NdbFile::CloseFile() {
#ifdef _WIN32
    if (handle_ && !::CloseHandle(static_cast<HANDLE>(handle_))) {
        SetError(static_cast<int>(GetLastError()));
        failed_ = true;
    }
    handle_ = nullptr;
#else
    if (fd_ >= 0 && ::close(fd_) != 0) {
        SetError(errno);
        failed_ = true;
    }
    fd_ = -1;
#endif
    open_ = false;
}

void NdbFile::Work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
        if (queue_.empty()) return;
        Job job = std::move(queue_.front());
        queue_.pop_front();
        busy_ = true;
        lock.unlock();
        const uint8_t* bytes = job.bytes.data();
        for (const Piece& piece : job.pieces) {
            if (!failed_ && !WritePiece(piece.offset, bytes, piece.size)) failed_ = true;
            bytes += piece.size;
        }
        job.bytes.clear();
        job.pieces.clear();
        lock.lock();
        spare_.push_back(std::move(job));
        busy_ = false;
        idle_.notify_all();
    }
}

void NdbFile::Submit() {
    if (buffer_.empty()) return;
    std::unique_lock<std::mutex> lock(mutex_);
    idle_.wait(lock, [this] { return queue_.size() < kMaxQueued; });
    queue_.push_back(Job{std::move(pieces_), std::move(buffer_)});
    wake_.notify_one();
    if (!spare_.empty()) {
        buffer_ = std::move(spare_.back().bytes);
        pieces_ = std::move(spare_.back().pieces);
        spare_.pop_back();
    } else {
        buffer_ = std::vector<uint8_t>();
        buffer_.reserve(kBufferSize);
        pieces_ = std::vector<Piece>();
    }
}

void NdbFile::WriteAt(uint64_t offset, const uint8_t* data, size_t size) {
    if (!open_ || size == 0) return;
    if (offset + size > size_) size_ = offset + size;
    while (size > 0) {
        if (buffer_.size() == kBufferSize) Submit();
        const size_t n = std::min(size, kBufferSize - buffer_.size());
        // A write that continues the last piece lengthens it.
        if (!pieces_.empty() && pieces_.back().offset + pieces_.back().size == offset)
            pieces_.back().size += n;
        else
            pieces_.push_back(Piece{offset, n});
        buffer_.insert(buffer_.end(), data, data + n);
        data += n;
        offset += n;
        size -= n;
    }
}

void NdbFile::EnsureSize(uint64_t size) {
    if (!open_ || size_ >= size) return;
    const uint8_t zero = 0;
    WriteAt(size - 1, &zero, 1);
}

bool NdbFile::Flush() {
    if (!open_) return false;
    Submit();
    std::unique_lock<std::mutex> lock(mutex_);
    idle_.wait(lock, [this] { return queue_.empty() && !busy_; });
    return !failed_;
}

bool NdbFile::Close() {
    if (!open_) return !failed_;
    Flush();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    worker_.join();
    CloseFile();
    std::vector<uint8_t>().swap(buffer_);
    spare_.clear();
    return !failed_;
}

}  // namespace writer
