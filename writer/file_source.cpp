#include "writer/file_source.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <vector>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#endif

namespace writer {
namespace {

constexpr int kKeepOpen = 64;
std::atomic<int> g_openFiles{0};   // of all stores being written

// The system's own file calls: on Windows the C library's layer costs more
// than the reading of a small file.
class SystemFile {
public:
    ~SystemFile() { Close(); }
    bool Open(const std::filesystem::path& path) {
#ifdef _WIN32
        handle_ = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (handle_ == INVALID_HANDLE_VALUE) return false;
#else
        file_ = std::fopen(path.c_str(), "rb");
        if (!file_) return false;
        std::setvbuf(file_, nullptr, _IONBF, 0);   // reads are a block each already
#endif
        ++g_openFiles;
        return true;
    }
    bool IsOpen() const {
#ifdef _WIN32
        return handle_ != INVALID_HANDLE_VALUE;
#else
        return file_ != nullptr;
#endif
    }
    // Size from the current position (0 when opened) to the end; -1 on failure.
    int64_t Size() {
#ifdef _WIN32
        LARGE_INTEGER size;
        return GetFileSizeEx(handle_, &size) ? static_cast<int64_t>(size.QuadPart) : -1;
#else
        if (fseeko(file_, 0, SEEK_END) != 0) return -1;
        const int64_t end = static_cast<int64_t>(ftello(file_));
        return std::fseek(file_, 0, SEEK_SET) == 0 ? end : -1;
#endif
    }
    size_t Read(uint8_t* out, size_t size) {
#ifdef _WIN32
        size_t done = 0;
        while (done < size) {
            DWORD got = 0;
            const DWORD want = static_cast<DWORD>(std::min<size_t>(size - done, 1u << 30));
            if (!ReadFile(handle_, out + done, want, &got, nullptr) || got == 0) break;
            done += got;
        }
        return done;
#else
        return std::fread(out, 1, size, file_);
#endif
    }
    void Close() {
        if (!IsOpen()) return;
#ifdef _WIN32
        CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
#else
        std::fclose(file_);
        file_ = nullptr;
#endif
        --g_openFiles;
    }

private:
#ifdef _WIN32
    HANDLE handle_ = INVALID_HANDLE_VALUE;
#else
    std::FILE* file_ = nullptr;
#endif
};

class FileSource : public DataSource {
public:
    explicit FileSource(std::filesystem::path path) : path_(std::move(path)) {}
    uint64_t Size() const override {
        OpenOnce();
        if (g_openFiles > kKeepOpen) file_.Close();   // opened again to read
        return size_;
    }
    // The writer asks for a block's worth at a time; the file is read in
    // larger pieces (under Wine every read is a system call and more).
    size_t Read(uint8_t* out, size_t size) override {
        OpenOnce();
        size_t done = 0;
        while (done < size) {
            if (at_ == buffer_.size()) {
                const uint64_t left = size_ > read_ && !failed_ ? size_ - read_ : 0;
                if (left == 0) break;
                if (!file_.IsOpen() && !file_.Open(path_)) {
                    failed_ = true;
                    break;
                }
                buffer_.resize(static_cast<size_t>(std::min<uint64_t>(left, kPiece)));
                buffer_.resize(file_.Read(buffer_.data(), buffer_.size()));
                at_ = 0;
                read_ += buffer_.size();
                if (buffer_.empty()) {
                    failed_ = true;                   // shorter than when opened: the rest reads as zeros
                    break;
                }
            }
            const size_t n = std::min(size - done, buffer_.size() - at_);
            std::memcpy(out + done, buffer_.data() + at_, n);
            at_ += n;
            done += n;
        }
        if ((read_ >= size_ || failed_) && at_ == buffer_.size()) {
            file_.Close();                            // all read: the file goes now, not with the source
            std::vector<uint8_t>().swap(buffer_);
            at_ = 0;
        }
        return done;
    }

private:
    static constexpr size_t kPiece = size_t(256) << 10;

    void OpenOnce() const {
        if (opened_) return;
        opened_ = true;
        if (!file_.Open(path_)) return;
        const int64_t size = file_.Size();
        if (size < 0) file_.Close();
        else size_ = static_cast<uint64_t>(size);
    }

    std::filesystem::path path_;
    mutable SystemFile file_;
    mutable uint64_t size_ = 0;
    mutable bool opened_ = false;
    std::vector<uint8_t> buffer_;                     // read from the file, not yet handed out
    size_t at_ = 0;                                   // handed out of buffer_
    uint64_t read_ = 0;                               // bytes read from the file
    bool failed_ = false;                             // no more bytes to be had
};

}  // namespace

std::shared_ptr<DataSource> OpenFileSource(const std::filesystem::path& path) {
    return std::make_shared<FileSource>(path);
}

}  // namespace writer
