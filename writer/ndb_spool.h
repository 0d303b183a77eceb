// Append-only storage for the laid-out part of a store file (everything from
// the first AMap on). Small stores stay in memory; past a limit the bytes go
// to a temporary file, so a store of gigabytes costs little memory. Read back
// once, in order, when the store is written out.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace writer {

class NdbSpool {
public:
    explicit NdbSpool(size_t memoryLimit);
    ~NdbSpool();
    NdbSpool(const NdbSpool&) = delete;
    NdbSpool& operator=(const NdbSpool&) = delete;

    void Append(const uint8_t* data, size_t size);
    void AppendZeros(uint64_t count);
    uint64_t Size() const { return size_; }
    bool Failed() const { return failed_; }     // a temporary-file write failed
    bool Spilled() const { return file_ != nullptr; }

    // Sequential reading from the start; bytes past the end read as zero.
    bool Rewind();
    bool Read(uint8_t* out, size_t count);
    // Forgets everything (the bytes went elsewhere).
    void Clear();

private:
    void Spill();

    size_t memoryLimit_;
    std::vector<uint8_t> memory_;
    std::FILE* file_ = nullptr;
    std::filesystem::path filePath_;
    uint64_t size_ = 0;
    uint64_t readPos_ = 0;
    bool failed_ = false;
};

}  // namespace writer
