#include "reader/store_file.h"

#ifdef _WIN32
const CFile64::Handle CFile64::kInvalidHandle = INVALID_HANDLE_VALUE;
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "reader/store_text.h"  // WideToUtf8: the file system takes UTF-8
const CFile64::Handle CFile64::kInvalidHandle = -1;
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
    m_hFile = h;
    m_bOwned = 1;
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
    m_strFileName.clear();
    if (failed) throw StoreFileException(error);
}

uint64_t CFile64::ReadAt(uint64_t offset, void* buffer, uint32_t count) {
#ifdef _WIN32
    LONG high = static_cast<LONG>(offset >> 32);
    DWORD low = SetFilePointer(m_hFile, static_cast<LONG>(offset & 0xFFFFFFFFu), &high, FILE_BEGIN);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR)
        throw StoreFileException(static_cast<long>(GetLastError()));
    DWORD read = 0;
    if (!ReadFile(m_hFile, buffer, count, &read, nullptr))
        throw StoreFileException(static_cast<long>(GetLastError()));
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
