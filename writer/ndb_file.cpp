#include "writer/ndb_file.h"

#include <algorithm>
#include <filesystem>

namespace writer {
namespace {
constexpr size_t kBufferSize = size_t(2) << 20;
constexpr size_t kMaxQueued = 2;     // buffers waiting for the worker
}

NdbFile::~NdbFile() { Close(); }

bool NdbFile::Open(const std::string& path) {
    Close();
    const std::filesystem::path p = std::filesystem::u8path(path);
#ifdef _WIN32
    file_ = _wfopen(p.wstring().c_str(), L"w+b");
#else
    file_ = std::fopen(p.string().c_str(), "w+b");
#endif
    if (!file_) return false;
    // Our buffers take the small writes; the C library's would copy again.
    std::setvbuf(file_, nullptr, _IONBF, 0);
    path_ = path;
    buffer_.clear();
    buffer_.reserve(kBufferSize);
    pieces_.clear();
    size_ = 0;
    failed_ = false;
    stop_ = busy_ = false;
    worker_ = std::thread([this] { Work(); });
    return true;
}

bool NdbFile::Seek(uint64_t offset) {
#ifdef _WIN32
    return _fseeki64(file_, static_cast<__int64>(offset), SEEK_SET) == 0;
#else
    return fseeko(file_, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
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
            if (!Seek(piece.offset) || std::fwrite(bytes, 1, piece.size, file_) != piece.size) failed_ = true;
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
    if (!file_ || size == 0) return;
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
    if (!file_ || size_ >= size) return;
    const uint8_t zero = 0;
    WriteAt(size - 1, &zero, 1);
}

bool NdbFile::Flush() {
    if (!file_) return false;
    Submit();
    std::unique_lock<std::mutex> lock(mutex_);
    idle_.wait(lock, [this] { return queue_.empty() && !busy_; });
    if (std::fflush(file_) != 0) failed_ = true;
    return !failed_;
}

bool NdbFile::Close() {
    if (!file_) return !failed_;
    Flush();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    worker_.join();
    if (std::fclose(file_) != 0) failed_ = true;
    file_ = nullptr;
    std::vector<uint8_t>().swap(buffer_);
    spare_.clear();
    return !failed_;
}

}  // namespace writer
