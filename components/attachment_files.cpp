#include "components/attachment_files.h"

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

// The file opened for reading, shared only with readers; throws when it is
// no readable file.
HANDLE OpenChecked(const std::wstring& path) {
    const std::string name = "The attachment file " + Utf8FromWide(path);
    if (path.empty()) throw CallError(E_INVALIDARG, "An attachment file has an empty path.");
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (IsMissing(error)) throw CallError(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), name + " does not exist.");
        throw CallError(HRESULT_FROM_WIN32(error), name + " cannot be read: " + SystemMessage(error) + ".");
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        throw CallError(HRESULT_FROM_WIN32(ERROR_DIRECTORY), name + " is a folder, not a file.");
    const HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        throw CallError(HRESULT_FROM_WIN32(error), name + " cannot be read: " + SystemMessage(error) + ".");
    }
    return handle;
}
}  // namespace

HeldAttachments::HeldAttachments(const std::vector<std::wstring>& paths) {
    try {
        for (const std::wstring& p : paths) Add(p);
    } catch (...) {
        for (HANDLE h : handles_) CloseHandle(h);
        throw;
    }
}

HeldAttachments::~HeldAttachments() {
    for (HANDLE h : handles_) CloseHandle(h);
}

void HeldAttachments::Add(const std::wstring& path) {
    handles_.push_back(OpenChecked(path));
    files_.push_back({U16(FileNameOf(path)), std::filesystem::path(path)});
}

void CheckAttachmentFile(const std::wstring& path) { CloseHandle(OpenChecked(path)); }

}  // namespace components
