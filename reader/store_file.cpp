#include "reader/store_file.h"

#include <atomic>

#ifdef _WIN32
const CFile64::Handle CFile64::kInvalidHandle = INVALID_HANDLE_VALUE;
namespace {
constexpr long kBadHandleError = ERROR_INVALID_HANDLE;

// The system's own read at a position. ReadFile given an OVERLAPPED hands it
// on as a completion value, and Wine then tells its server of every read
// (one round trip per block read); with no completion value the read is a
// plain positioned read of the file.
struct IoStatus {
    union {
        LONG status;
        void* pointer;
    };
    ULONG_PTR information;
};
using NtReadFileFunction = LONG(WINAPI*)(HANDLE file, HANDLE event, void* apc, void* apcContext, IoStatus* io,
                                         void* buffer, ULONG length, LARGE_INTEGER* offset, ULONG* key);
using NtStatusToErrorFunction = ULONG(WINAPI*)(LONG status);
constexpr LONG kStatusEndOfFile = static_cast<LONG>(0xC0000011);
constexpr LONG kStatusPending = 0x103;

struct NtRead {
    NtReadFileFunction read = nullptr;
    NtStatusToErrorFunction toError = nullptr;
    NtRead() {
        if (HMODULE ntdll = GetModuleHandleW(L"ntdll.dll")) {
            read = reinterpret_cast<NtReadFileFunction>(reinterpret_cast<void*>(GetProcAddress(ntdll, "NtReadFile")));
            toError = reinterpret_cast<NtStatusToErrorFunction>(
                reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlNtStatusToDosError")));
        }
        if (toError == nullptr) read = nullptr;
    }
};
const NtRead& SystemRead() {
    static const NtRead functions;
    return functions;
}
}  // namespace
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "reader/store_text.h"  // WideToUtf8: the file system takes UTF-8
const CFile64::Handle CFile64::kInvalidHandle = -1;
namespace {
constexpr long kBadHandleError = EBADF;
}
#endif

CFile64::~CFile64() noexcept(false) { Close(); }

int CFile64::Open(const std::wstring& name) {
#ifdef _WIN32
    HANDLE h = CreateFileW(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 0;
#else
    int h = ::open(WideToUtf8(name).c_str(), O_RDONLY | O_CLOEXEC);
    if (h < 0) return 0;
    // No sharing: a second exclusive open of the same file fails, as on Windows.
    if (::flock(h, LOCK_EX | LOCK_NB) != 0) {
        ::close(h);
        return 0;
    }
#endif
    if (m_hFile != kInvalidHandle && m_bOwned) {
        // A store still open from before is released first.
        Close();
    }
    static std::atomic<uint64_t> opens{0};
    m_hFile = h;
    m_bOwned = 1;
    m_nOpenId = ++opens;
    m_nSize = 0;
    m_lSizeError = 0;
#ifdef _WIN32
    LARGE_INTEGER size;
    if (GetFileSizeEx(h, &size))
        m_nSize = static_cast<uint64_t>(size.QuadPart);
    else
        m_lSizeError = static_cast<long>(GetLastError());
#else
    struct stat info;
    if (::fstat(h, &info) == 0)
        m_nSize = static_cast<uint64_t>(info.st_size);
    else
        m_lSizeError = errno != 0 ? errno : EIO;
#endif
    m_strFileName = name;
    return 1;
}

void CFile64::Close() {
    bool failed = false;
    long error = 0;
    if (m_hFile != kInvalidHandle && m_bOwned) {
#ifdef _WIN32
        if (!CloseHandle(m_hFile)) {
            failed = true;
            error = static_cast<long>(GetLastError());
        }
#else
        if (::close(m_hFile) != 0) {
            failed = true;
            error = errno;
        }
#endif
    }
    m_hFile = kInvalidHandle;
    m_bOwned = 0;
    m_nOpenId = 0;
    m_strFileName.clear();
    if (failed) throw StoreFileException(error);
}

uint64_t CFile64::ReadAt(uint64_t offset, void* buffer, uint32_t count) {
#ifdef _WIN32
    if (m_hFile == kInvalidHandle) throw StoreFileException(ERROR_INVALID_HANDLE);
    // A negative position is what positioning the file there would refuse.
    if (offset > static_cast<uint64_t>(INT64_MAX)) throw StoreFileException(ERROR_NEGATIVE_SEEK);
    // The offset travels with the read (one call, no shared file position);
    // at or past the end such a read fails (end of file).
    const NtRead& system = SystemRead();
    if (system.read != nullptr) {
        IoStatus io = {};
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(offset);
        const LONG status = system.read(m_hFile, nullptr, nullptr, nullptr, &io, buffer, count, &at, nullptr);
        if (status == kStatusEndOfFile) return 0;
        // The handle is synchronous: the read is done when the call returns.
        if (status < 0 || status == kStatusPending) throw StoreFileException(static_cast<long>(system.toError(status)));
        return io.information;
    }
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD read = 0;
    if (!ReadFile(m_hFile, buffer, count, &read, &at)) {
        const DWORD error = GetLastError();
        if (error == ERROR_HANDLE_EOF) return 0;
        throw StoreFileException(static_cast<long>(error));
    }
    return read;
#else
    if (m_hFile == kInvalidHandle) throw StoreFileException(EBADF);
    if (offset > static_cast<uint64_t>(INT64_MAX)) throw StoreFileException(EINVAL);
    uint64_t total = 0;
    auto* out = static_cast<uint8_t*>(buffer);
    while (total < count) {
        ssize_t n = ::pread(m_hFile, out + total, count - total, static_cast<off_t>(offset + total));
        if (n < 0) {
            if (errno == EINTR) continue;
            throw StoreFileException(errno);
        }
        if (n == 0) break;
        total += static_cast<uint64_t>(n);
    }
    return total;
#endif
}

uint64_t CFile64::Size() const {
    if (m_hFile == kInvalidHandle) throw StoreFileException(kBadHandleError);
    if (m_lSizeError) throw StoreFileException(m_lSizeError);
    return m_nSize;
}
