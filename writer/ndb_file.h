// The output file of a store written as it grows. Writes are collected in
// large buffers (blocks are laid out in increasing file order, so most
// writes continue the last one; a checkpoint's scattered pages share a
// buffer too, as pieces) and a worker thread hands them to the system, so
// that encoding the next blocks overlaps the copying of the last ones. Each
// hand-over is a wake-up of the worker, which under Wine costs round trips
// to its server. Writes are carried out in the order made; 64-bit offsets
// on 32-bit hosts too.
//
// The file is this writer's alone: it is created new (an existing file is
// never written over) and, on Windows, held without write or delete sharing
// until Close, so a second writer of this or another process cannot open
// it. Only a regular file is taken, never a device.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace writer {

class NdbFile {
public:
    NdbFile() = default;
    ~NdbFile();
    NdbFile(const NdbFile&) = delete;
    NdbFile& operator=(const NdbFile&) = delete;

    // Creates the file, which must not exist yet; path in UTF-8 (the wide
    // API on Windows). False with Error() set when it cannot.
    bool Open(const std::string& path);
    bool IsOpen() const { return open_; }
    const std::string& Path() const { return path_; }

    // Writes at any offset.
    void WriteAt(uint64_t offset, const uint8_t* data, size_t size);
    // Makes the file at least `size` bytes long (the gap reads as zeros).
    void EnsureSize(uint64_t size);
    // Waits until everything written so far is with the system.
    bool Flush();
    bool Close();
    bool Failed() const { return failed_; }
    // The system's reason for the first failure of Open or of a write, and
    // its code (GetLastError on Windows, errno elsewhere); empty and 0 when
    // nothing failed.
    std::string Error() const;
    int ErrorCode() const;

private:
    // Bytes of the buffer that go to one place in the file.
    struct Piece {
        uint64_t offset;
        size_t size;
    };
    struct Job {
        std::vector<Piece> pieces;
        std::vector<uint8_t> bytes;   // the pieces' bytes, one after another
    };
    void Submit();
    void Work();
    bool WritePiece(uint64_t offset, const uint8_t* data, size_t size);
    void SetError(int code);
    void CloseFile();

#ifdef _WIN32
    void* handle_ = nullptr;      // HANDLE
#else
    int fd_ = -1;
#endif
    bool open_ = false;
    std::string path_;
    std::vector<uint8_t> buffer_;
    std::vector<Piece> pieces_;   // where buffer_'s bytes go
    uint64_t size_ = 0;           // bytes the file holds (as far as we wrote)
    std::atomic<bool> failed_{false};
    std::atomic<int> errorCode_{0};   // the first failure's

    std::thread worker_;
    std::mutex mutex_;
    std::condition_variable wake_, idle_;
    std::deque<Job> queue_;
    std::vector<Job> spare_;      // buffers to use again
    bool busy_ = false;
    bool stop_ = false;
};

}  // namespace writer
