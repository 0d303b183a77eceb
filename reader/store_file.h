// The one open store file: exclusive read-only open and reads at absolute
// 64-bit offsets, on Windows through a file handle, elsewhere through POSIX.
#pragma once
#include <cstdint>
#include <exception>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

struct StoreContext;

// A failed positioning, read or close of the store file, with the operating
// system's error code. The Windows build knows it as CFileException, the
// application framework's file exception.
class StoreFileException : public std::exception {
public:
    explicit StoreFileException(long osError) : m_lOsError(osError) {}
    const char* what() const noexcept override { return "store file error"; }
    long m_lOsError;
};
#ifdef _WIN32
using CFileException = StoreFileException;
#endif

class CFile64 {
public:
#ifdef _WIN32
    using Handle = HANDLE;
#else
    using Handle = int;
#endif
    static const Handle kInvalidHandle;

    CFile64() = default;
    ~CFile64() noexcept(false);
    CFile64(const CFile64&) = delete;
    CFile64& operator=(const CFile64&) = delete;

    // Opens for reading with no sharing; 1 on success, 0 on failure (nothing changes).
    int Open(const std::wstring& name);
    // Closes an owned handle; raises StoreFileException when the close fails.
    void Close();
    bool IsOpen() const { return m_hFile != kInvalidHandle; }
    const std::wstring& GetFileName() const { return m_strFileName; }
    // A number no other open of this process shares (0 while closed): what
    // was read from one open file is never taken for another's.
    uint64_t OpenId() const { return m_nOpenId; }

    // Reads up to count bytes at the absolute offset; returns the bytes read.
    // A short read is not an error; a positioning or read failure raises.
    // Reads never move a shared file position, so threads may read at once.
    uint64_t ReadAt(uint64_t offset, void* buffer, uint32_t count);
    // The file's size when it was opened (no one else may write it while it
    // is open); raises StoreFileException when it could not be had.
    uint64_t Size() const;

    // The header read: opens the store and fills the context's header values.
    // 0 when open and read, -1 when the file cannot be opened.
    static int OpenStore(StoreContext* context, const std::wstring& path);
    // A root block id read again from the header: 4 bytes zero-extended
    // (8-bit variant) or 8 bytes (UTF-16 variant) at the offset.
    static uint64_t ReadHeaderValue(StoreContext* context, uint64_t offset);

private:
    Handle m_hFile = kInvalidHandle;
    int m_bOwned = 0;
    uint64_t m_nOpenId = 0;
    uint64_t m_nSize = 0;
    long m_lSizeError = 0;   // why the size is unknown, or 0
    std::wstring m_strFileName;
};
