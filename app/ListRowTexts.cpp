#include "app/ListRowTexts.h"

std::wstring JoinListLines(const std::wstring& text, const std::wstring& lineBreak, bool crBelongsToBreak) {
    if (lineBreak.empty() || text.find(lineBreak) == std::wstring::npos) return text;
    std::wstring joined;
    size_t start = 0;
    for (;;) {
        const size_t at = text.find(lineBreak, start);
        size_t end = at == std::wstring::npos ? text.size() : at;
        if (crBelongsToBreak && at != std::wstring::npos && end > start && text[end - 1] == L'\r') --end;
        joined += L' ';
        joined.append(text, start, end - start);
        if (at == std::wstring::npos) return joined;
        start = at + lineBreak.size();
    }
}

bool AddressIsShown(const std::wstring& address) {
    const size_t at = address.find(L'@');
    return at != std::wstring::npos && at > 0;
}

std::wstring MailFromText(const std::wstring& name, const std::wstring& address) {
    std::wstring from = !name.empty() && name[0] == L'>' ? std::wstring() : name;
    if (AddressIsShown(address)) from += L"<" + address + L">";
    return from;
}

std::wstring MailToText(const std::wstring& displayTo, const std::wstring& receivedByAddress) {
    std::wstring to = displayTo;
    const size_t cut = to.find(L"</O");
    if (cut != std::wstring::npos && cut > 0) to.erase(cut);
    if (AddressIsShown(receivedByAddress)) to += L"<" + receivedByAddress + L">";
    return to;
}
