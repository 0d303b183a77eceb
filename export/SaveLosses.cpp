#include "export/SaveLosses.h"

#include <cwctype>
#include <stdexcept>
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

const wchar_t kReasonUnknown[] = L"The cause is not known.";
const wchar_t kReasonStoreDamaged[] = L"The store being saved is damaged here.";
const wchar_t kReasonNotReady[] = L"An item could not be made ready for the item writer.";

SaveLosses::Cause& SaveLosses::Of(DWORD error, const CString& text) {
    if (error != 0) systemError = error;
    CString reason = error != 0 ? SystemErrorText(error) : text;
    if (reason.IsEmpty()) reason = kReasonUnknown;
    for (Cause& cause : causes)
        if (cause.reason == reason) return cause;
    causes.push_back(Cause{reason});
    return causes.back();
}

void SaveLosses::Refused(const CString& text) {
    ++refused;
    description = text;
    Item(0, text);
    m_lastRefusal = static_cast<int>(&Of(0, text) - causes.data());
}

void SaveLosses::RetellLastRefusal(DWORD error, const CString& text) {
    if (m_lastRefusal < 0 || causes[m_lastRefusal].items == 0) return;
    --causes[m_lastRefusal].items;
    ++Of(error, text).items;
    m_lastRefusal = -1;
}

namespace {

CString CountsText(int items, int attachments, int parts) {
    std::vector<CString> counts;
    if (items > 0) counts.push_back(Counted(items, L"item", L"items"));
    if (attachments > 0) counts.push_back(Counted(attachments, L"attachment", L"attachments"));
    if (parts > 0) counts.push_back(Counted(parts, L"other part of an item", L"other parts of items"));
    CString text;
    for (size_t i = 0; i < counts.size(); ++i) {
        if (i > 0) text += i + 1 == counts.size() ? L" and " : L", ";
        text += counts[i];
    }
    return text;
}

}  // namespace

CString SaveLosses::Summary() const {
    CString text;
    if (items + attachments + parts > 0) {
        text = CountsText(items, attachments, parts);
        text += items + attachments + parts == 1 ? L" was not saved." : L" were not saved.";
    }
    if (damaged > 0) {
        if (!text.IsEmpty()) text += L"\r\n";
        text += Counted(damaged, L"item was", L"items were") + L" saved with damaged parts.";
    }
    std::vector<const Cause*> shown;
    for (const Cause& cause : causes)
        if (cause.items + cause.attachments + cause.parts + cause.damaged > 0) shown.push_back(&cause);
    if (shown.size() == 1) return text + L"\r\nReason: " + shown[0]->reason;
    for (const Cause* cause : shown) {
        CString what = CountsText(cause->items, cause->attachments, cause->parts);
        if (cause->damaged > 0) {
            if (!what.IsEmpty()) what += L", ";
            what += Counted(cause->damaged, L"item saved with damaged parts", L"items saved with damaged parts");
        }
        text += L"\r\n" + what + L": " + cause->reason;
    }
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
    // An automation failure without a text of its own is an HRESULT: shown
    // as the code its documentation lists.
    if (text.IsEmpty()) text.Format((error & 0x80000000u) != 0 ? L"Error 0x%08lX." : L"System error %lu.", error);
    return text;
}

CString CurrentFailureText() {
    try {
        throw;
    } catch (const COleDispatchException& e) {
        return e.m_strDescription;
    } catch (const COleException& e) {
        return e.m_sc != S_OK ? SystemErrorText(static_cast<DWORD>(e.m_sc)) : CString();
    } catch (const std::exception& e) {
        return CString(e.what());
    } catch (...) {
        return CString();
    }
}
