// CFile: a Win32 file handle. Failures are reported by return values (FALSE,
// 0, or (ULONGLONG)-1) and GetLastError(): this framework raises no file
// exception of its own; the store reader has its own exception type.
#pragma once
#include <windows.h>
#include "fwobject.h"
#include "fwstring.h"

class CFile : public CObject {
    DECLARE_DYNAMIC(CFile)
public:
    enum OpenFlags {
        modeRead = 0x0000, modeWrite = 0x0001, modeReadWrite = 0x0002,
        shareCompat = 0x0000, shareExclusive = 0x0010, shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030, shareDenyNone = 0x0040, modeNoInherit = 0x0080,
        modeCreate = 0x1000, modeNoTruncate = 0x2000, typeText = 0x4000, typeBinary = 0x8000
    };
    enum SeekPosition { begin = 0, current = 1, end = 2 };

    HANDLE m_hFile = INVALID_HANDLE_VALUE;

    CFile() = default;
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
    ~CFile() override { Close(); }

    // pError is accepted for familiarity and ignored; see GetLastError().
    virtual BOOL Open(LPCWSTR lpszFileName, UINT nOpenFlags, void* pError = nullptr);
    virtual UINT Read(void* lpBuf, UINT nCount);            // bytes read; 0 at end or on failure
    virtual BOOL Write(const void* lpBuf, UINT nCount);     // FALSE unless every byte was written
    virtual ULONGLONG Seek(LONGLONG lOff, UINT nFrom);       // new position, or (ULONGLONG)-1
    void SeekToBegin() { Seek(0, begin); }
    ULONGLONG SeekToEnd() { return Seek(0, end); }
    ULONGLONG GetPosition() const;
    ULONGLONG GetLength() const;
    BOOL SetLength(ULONGLONG dwNewLen);
    BOOL Flush() { return m_hFile != INVALID_HANDLE_VALUE && ::FlushFileBuffers(m_hFile); }
    void Close();
    void Abort() { Close(); }
    BOOL IsOpen() const { return m_hFile != INVALID_HANDLE_VALUE; }
    const CString& GetFilePath() const { return m_strFileName; }
    CString GetFileName() const;
    DWORD GetLastError() const { return m_dwLastError; }
    operator HANDLE() const { return m_hFile; }

    static BOOL Remove(LPCWSTR lpszFileName) { return ::DeleteFileW(lpszFileName); }
    static BOOL Rename(LPCWSTR lpszOldName, LPCWSTR lpszNewName) { return ::MoveFileW(lpszOldName, lpszNewName); }
private:
    CString m_strFileName;
    DWORD m_dwLastError = 0;
    BOOL Fail() { m_dwLastError = ::GetLastError(); return FALSE; }
};
