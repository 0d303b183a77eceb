#include "writer/ndb_file.h"

#include <cstring>
#include <filesystem>

namespace writer {
namespace {
constexpr size_t kBufferSize = size_t(4) << 20;
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
    // Our own buffer takes the small writes; large ones go straight through.
    std::setvbuf(file_, nullptr, _IONBF, 0);
    path_ = path;
    buffer_.reserve(kBufferSize);
    bufferStart_ = 0;
    size_ = 0;
    failed_ = false;
    return true;
}

bool NdbFile::Seek(uint64_t offset) {
#ifdef _WIN32
    return _fseeki64(file_, static_cast<__int64>(offset), SEEK_SET) == 0;
#else
    return fseeko(file_, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

bool NdbFile::Drain() {
    if (buffer_.empty()) return true;
    if (!Seek(bufferStart_) || std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size())
        failed_ = true;
    bufferStart_ += buffer_.size();
    buffer_.clear();
    return !failed_;
}

void NdbFile::WriteAt(uint64_t offset, const uint8_t* data, size_t size) {
    if (!file_ || size == 0) return;
    if (offset != bufferStart_ + buffer_.size()) {
        Drain();
        bufferStart_ = offset;
    }
    if (buffer_.size() + size > kBufferSize) Drain();
    if (size >= kBufferSize) {
        if (!Seek(offset) || std::fwrite(data, 1, size, file_) != size) failed_ = true;
        bufferStart_ = offset + size;
    } else {
        buffer_.insert(buffer_.end(), data, data + size);
    }
    if (offset + size > size_) size_ = offset + size;
}

void NdbFile::EnsureSize(uint64_t size) {
    if (!file_ || size_ >= size) return;
    const uint8_t zero = 0;
    WriteAt(size - 1, &zero, 1);
}

bool NdbFile::Flush() {
    if (!file_) return false;
    Drain();
    if (std::fflush(file_) != 0) failed_ = true;
    return !failed_;
}

bool NdbFile::Close() {
    if (!file_) return !failed_;
    Flush();
    if (std::fclose(file_) != 0) failed_ = true;
    file_ = nullptr;
    std::vector<uint8_t>().swap(buffer_);
    return !failed_;
}

}  // namespace writer
