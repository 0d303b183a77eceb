#include "components/text_convert.h"

#include <windows.h>

namespace components {

namespace {
std::wstring WideFrom(UINT codePage, const std::string& bytes) {
    if (bytes.empty()) return {};
    const int n = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), &out[0], n);
    return out;
}
}  // namespace

std::wstring WideFromUtf8(const std::string& text) { return WideFrom(CP_UTF8, text); }
std::wstring WideFromAnsi(const std::string& bytes) { return WideFrom(CP_ACP, bytes); }

std::string Utf8FromWide(const std::wstring& text) {
    if (text.empty()) return {};
    const int len = static_cast<int>(text.size());
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), len, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), len, &out[0], n, nullptr, nullptr);
    return out;
}

std::u16string U16(const std::wstring& text) { return std::u16string(text.begin(), text.end()); }

bool AnsiFromWide(const std::wstring& text, std::string& bytes) {
    bytes.clear();
    if (text.empty()) return true;
    const int len = static_cast<int>(text.size());
    BOOL lost = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, 0, text.data(), len, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return false;
    bytes.assign(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), len, &bytes[0], n, nullptr, nullptr);
    // Exactness: the same conversion without best-fit replacements.
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), len, nullptr, 0, nullptr, &lost);
    return !lost;
}

std::wstring FoldCase(const std::wstring& text) {
    std::wstring out = text;
    if (!out.empty()) CharUpperBuffW(&out[0], static_cast<DWORD>(out.size()));
    return out;
}

}  // namespace components
