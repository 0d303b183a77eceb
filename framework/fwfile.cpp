#include "framework/fwfile.h"

IMPLEMENT_DYNAMIC(CFile, CObject)

BOOL CFile::Open(LPCWSTR lpszFileName, UINT nOpenFlags) {
    Close();
    if (!lpszFileName) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    DWORD access = 0;
    switch (nOpenFlags & 3) {
    case modeRead: access = GENERIC_READ; break;
    case modeWrite: access = GENERIC_WRITE; break;
    case modeReadWrite: access = GENERIC_READ | GENERIC_WRITE; break;
    default: ::SetLastError(ERROR_INVALID_PARAMETER); return FALSE;
    }
    DWORD share = 0;
    switch (nOpenFlags & 0x70) {
    case shareCompat:
    case shareExclusive: share = 0; break;
    case shareDenyWrite: share = FILE_SHARE_READ; break;
    case shareDenyRead: share = FILE_SHARE_WRITE; break;
    case shareDenyNone: share = FILE_SHARE_READ | FILE_SHARE_WRITE; break;
    default: ::SetLastError(ERROR_INVALID_PARAMETER); return FALSE;
    }
    DWORD disposition = OPEN_EXISTING;
    if (nOpenFlags & modeCreate) disposition = (nOpenFlags & modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;
    SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, (nOpenFlags & modeNoInherit) ? FALSE : TRUE};
    HANDLE h = ::CreateFileW(lpszFileName, access, share, &sa, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return FALSE;
    m_hFile = h;
    return TRUE;
}

UINT CFile::Read(void* lpBuf, UINT nCount) {
    if (m_hFile == INVALID_HANDLE_VALUE || !lpBuf || nCount == 0) return 0;
    DWORD got = 0;
    if (!::ReadFile(m_hFile, lpBuf, nCount, &got, nullptr)) return 0;
    return got;
}

BOOL CFile::Write(const void* lpBuf, UINT nCount) {
    if (nCount == 0) return TRUE;
    if (m_hFile == INVALID_HANDLE_VALUE || !lpBuf) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    DWORD written = 0;
    if (!::WriteFile(m_hFile, lpBuf, nCount, &written, nullptr)) return FALSE;
    if (written != nCount) {
        ::SetLastError(ERROR_DISK_FULL);
        return FALSE;
    }
    return TRUE;
}

ULONGLONG CFile::Seek(LONGLONG lOff, UINT nFrom) {
    LARGE_INTEGER dist, pos;
    dist.QuadPart = lOff;
    DWORD method = nFrom == current ? FILE_CURRENT : nFrom == end ? FILE_END : FILE_BEGIN;
    if (m_hFile == INVALID_HANDLE_VALUE || !::SetFilePointerEx(m_hFile, dist, &pos, method)) return (ULONGLONG)-1;
    return (ULONGLONG)pos.QuadPart;
}

ULONGLONG CFile::GetLength() const {
    LARGE_INTEGER size{};
    if (m_hFile == INVALID_HANDLE_VALUE || !::GetFileSizeEx(m_hFile, &size)) return 0;
    return (ULONGLONG)size.QuadPart;
}

void CFile::Close() {
    if (m_hFile != INVALID_HANDLE_VALUE) ::CloseHandle(m_hFile);
    m_hFile = INVALID_HANDLE_VALUE;
}

