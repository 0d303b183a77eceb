#include "components/attachment_files.h"

#include <algorithm>
#include <cstring>

#include "components/dispatch_object.h"
#include "components/item_texts.h"
#include "components/text_convert.h"

namespace components {

namespace {
std::string SystemMessage(DWORD error) {
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   error, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    std::wstring message = text ? text : L"";
    LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L'.' ||
                                message.back() == L' '))
        message.pop_back();
    return message.empty() ? "system error " + std::to_string(error) : Utf8FromWide(message);
}

bool IsMissing(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_DRIVE ||
           error == ERROR_INVALID_NAME || error == ERROR_BAD_NETPATH;
}

// The file opened for reading; the handle, or INVALID_HANDLE_VALUE with the
// system's error in error. The caller may hold it open for writing (the
// program keeps its attachment files open from one item to the next).
HANDLE TryOpen(const std::wstring& path, DWORD& error) {
    const HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    error = handle == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
    return handle;
}

// Why a file could not be opened, as the error a caller sees.
[[noreturn]] void Refuse(const std::wstring& path, DWORD error) {
    const std::string name = "The attachment file " + Utf8FromWide(path);
    if (path.empty()) throw CallError(E_INVALIDARG, "An attachment file has an empty path.");
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        throw CallError(HRESULT_FROM_WIN32(ERROR_DIRECTORY), name + " is a folder, not a file.");
    if (attributes == INVALID_FILE_ATTRIBUTES && IsMissing(error))
        throw CallError(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), name + " does not exist.");
    throw CallError(HRESULT_FROM_WIN32(error), name + " cannot be read: " + SystemMessage(error) + ".");
}

// A file's bytes through a handle opened already, read in large pieces
// (the store asks for a block at a time). Closed when all is read.
class HandleSource : public writer::DataSource {
public:
    explicit HandleSource(HANDLE handle) : handle_(handle) {
        LARGE_INTEGER size;
        size_ = GetFileSizeEx(handle_, &size) ? static_cast<uint64_t>(size.QuadPart) : 0;
    }
    ~HandleSource() override { Close(); }
    HandleSource(const HandleSource&) = delete;
    HandleSource& operator=(const HandleSource&) = delete;

    uint64_t Size() const override { return size_; }
    size_t Read(uint8_t* out, size_t size) override {
        size_t done = 0;
        while (done < size) {
            if (at_ == buffer_.size()) {
                const uint64_t left = size_ - read_;
                if (left == 0 || handle_ == INVALID_HANDLE_VALUE) break;
                buffer_.resize(static_cast<size_t>(std::min<uint64_t>(left, kPiece)));
                DWORD got = 0;
                if (!ReadFile(handle_, buffer_.data(), static_cast<DWORD>(buffer_.size()), &got, nullptr)) got = 0;
                buffer_.resize(got);
                at_ = 0;
                read_ += got;
                if (got == 0) {
                    Close();     // shorter than it was: the store fills the rest
                    break;
                }
            }
            const size_t n = std::min(size - done, buffer_.size() - at_);
            std::memcpy(out + done, buffer_.data() + at_, n);
            at_ += n;
            done += n;
        }
        if (read_ >= size_ && at_ == buffer_.size()) {
            Close();             // all read: the file is free now, not with the source
            std::vector<uint8_t>().swap(buffer_);
            at_ = 0;
        }
        return done;
    }

private:
    static constexpr size_t kPiece = size_t(256) << 10;
    void Close() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }

    HANDLE handle_;
    uint64_t size_ = 0;
    uint64_t read_ = 0;
    std::vector<uint8_t> buffer_;
    size_t at_ = 0;
};

HANDLE OpenChecked(const std::wstring& path) {
    DWORD error;
    const HANDLE handle = path.empty() ? INVALID_HANDLE_VALUE : TryOpen(path, error);
    if (handle == INVALID_HANDLE_VALUE) Refuse(path, path.empty() ? ERROR_INVALID_NAME : error);
    return handle;
}
}  // namespace

HeldAttachments::HeldAttachments(const std::vector<std::wstring>& paths, bool joinPieces) {
    try {
        for (size_t i = 0; i < paths.size(); ++i) {
            if (!joinPieces) {
                Add(paths[i], OpenChecked(paths[i]));
                continue;
            }
            DWORD error, ignored;
            HANDLE handle = TryOpen(paths[i], error);
            std::wstring joined = paths[i];
            size_t last = i;
            while (handle == INVALID_HANDLE_VALUE && IsMissing(error) && last + 1 < paths.size()) {
                joined += L';' + paths[++last];
                handle = TryOpen(joined, ignored);
            }
            if (handle == INVALID_HANDLE_VALUE) Refuse(paths[i], error);
            Add(joined, handle);
            i = last;
        }
    } catch (...) {
        files_.clear();          // their handles close
        throw;
    }
}

void HeldAttachments::Add(const std::wstring& path, HANDLE handle) {
    std::shared_ptr<writer::DataSource> source;
    try {
        source = std::make_shared<HandleSource>(handle);
    } catch (...) {
        CloseHandle(handle);
        throw;
    }
    files_.push_back({U16(FileNameOf(path)), std::filesystem::path(path), std::move(source)});
}

void CheckAttachmentFile(const std::wstring& path) { CloseHandle(OpenChecked(path)); }

}  // namespace components
