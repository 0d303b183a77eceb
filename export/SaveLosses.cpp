#include "export/SaveLosses.h"

#include <cwctype>
#include <string>
#include <vector>

SaveLosses g_saveLosses;

namespace {

CString Counted(int n, const wchar_t* one, const wchar_t* many) {
    CString text;
    text.Format(L"%d %s", n, n == 1 ? one : many);
    return text;
}

}  // namespace

void SaveLosses::Reason(DWORD error, const CString& text) {
    if (systemError != 0 || !description.IsEmpty()) return;   // the first reason stays
    if (error != 0) systemError = error;
    else description = text;
}

CString SaveLosses::Summary() const {
    std::vector<CString> counts;
    if (items > 0) counts.push_back(Counted(items, L"item", L"items"));
    if (attachments > 0) counts.push_back(Counted(attachments, L"attachment", L"attachments"));
    if (parts > 0) counts.push_back(Counted(parts, L"other part of an item", L"other parts of items"));
    CString text;
    for (size_t i = 0; i < counts.size(); ++i) {
        if (i > 0) text += i + 1 == counts.size() ? L" and " : L", ";
        text += counts[i];
    }
    text += items + attachments + parts == 1 ? L" was not saved." : L" were not saved.";
    const CString reason = systemError != 0 ? SystemErrorText(systemError) : description;
    if (!reason.IsEmpty()) text += L"\r\nReason: " + reason;
    return text;
}

CString SystemErrorText(DWORD error) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    std::wstring line = length > 0 && buffer != nullptr ? std::wstring(buffer, length) : std::wstring();
    if (buffer != nullptr) LocalFree(buffer);
    while (!line.empty() && iswspace(line.back())) line.pop_back();
    CString text(line);
    if (text.IsEmpty()) text.Format(L"System error %lu.", error);
    return text;
}

CString CurrentFailureText() {
    try {
        throw;
    } catch (const COleDispatchException& e) {
        return e.m_strDescription;
    } catch (const COleException& e) {
        return e.m_sc != S_OK ? SystemErrorText(static_cast<DWORD>(e.m_sc)) : CString();
    } catch (...) {
        return CString();
    }
}
