// The output file of a store written as it grows: appends go through one
// large buffer (blocks are laid out in increasing file order), other writes
// (map pages, the header) seek. 64-bit offsets on 32-bit hosts too.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace writer {

class NdbFile {
public:
    NdbFile() = default;
    ~NdbFile();
    NdbFile(const NdbFile&) = delete;
    NdbFile& operator=(const NdbFile&) = delete;

    // Creates or truncates the file; path in UTF-8 (the wide API on Windows).
    bool Open(const std::string& path);
    bool IsOpen() const { return file_ != nullptr; }
    const std::string& Path() const { return path_; }

    // Writes at any offset; a write that continues the last one is buffered.
    void WriteAt(uint64_t offset, const uint8_t* data, size_t size);
    // Makes the file at least `size` bytes long (the gap reads as zeros).
    void EnsureSize(uint64_t size);
    // Hands everything written so far to the system.
    bool Flush();
    bool Close();
    bool Failed() const { return failed_; }

private:
    bool Drain();
    bool Seek(uint64_t offset);

    std::FILE* file_ = nullptr;
    std::string path_;
    std::vector<uint8_t> buffer_;
    uint64_t bufferStart_ = 0;    // file offset of buffer_[0]
    uint64_t size_ = 0;           // bytes the file holds (as far as we wrote)
    bool failed_ = false;
};

}  // namespace writer
