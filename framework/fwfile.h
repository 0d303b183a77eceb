// CFile: a Win32 file handle. Failures are reported by return values (FALSE,
// 0, or (ULONGLONG)-1) and ::GetLastError(): this framework raises no file
// exception of its own; the store reader has its own exception type.
#pragma once
#include <windows.h>
#include "fwobject.h"

class CFile : public CObject {
    DECLARE_DYNAMIC(CFile)
public:
    enum OpenFlags {
        modeRead = 0x0000, modeWrite = 0x0001, modeReadWrite = 0x0002,
        shareCompat = 0x0000, shareExclusive = 0x0010, shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030, shareDenyNone = 0x0040, modeNoInherit = 0x0080,
        modeCreate = 0x1000, modeNoTruncate = 0x2000
    };
    enum SeekPosition { begin = 0, current = 1, end = 2 };

    HANDLE m_hFile = INVALID_HANDLE_VALUE;

    CFile() = default;
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
    ~CFile() override { Close(); }

    virtual BOOL Open(LPCWSTR lpszFileName, UINT nOpenFlags);
    virtual UINT Read(void* lpBuf, UINT nCount);            // bytes read; 0 at end or on failure
    virtual BOOL Write(const void* lpBuf, UINT nCount);     // FALSE unless every byte was written
    virtual ULONGLONG Seek(LONGLONG lOff, UINT nFrom);       // new position, or (ULONGLONG)-1
    ULONGLONG GetLength() const;
    void Close();
};
