#include "export/ExportText.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "reader/store_text.h"

CString WidenStoreText(const StoreText& text) {
    if (text.pData == nullptr) return CString();
    const uint32_t length = StoreStringLength(text.pData);
    if (length == 0) return CString();
    StoreWChar* wide = StoreStringToWide(static_cast<int32_t>(2 * length), text.pData);
    if (wide == nullptr) return CString();
    CString result(wide);
    std::free(wide);
    return result;
}

CString WidenAnsi(const char* text) {
    if (text == nullptr) return CString();
    return WidenAnsiBytes(text, std::strlen(text));
}

CString WidenAnsiBytes(const char* bytes, size_t count) {
    if (bytes == nullptr || count == 0) return CString();
    std::vector<wchar_t> wide(count + 1, L'\0');
    const size_t units = AnsiToWide(bytes, count, wide.data(), count);
    return CString(wide.data(), static_cast<int>(units));
}

std::string AnsiText(const CString& text) {
    const int units = text.GetLength();
    if (units == 0) return std::string();
    const int bytes = WideCharToMultiByte(CP_ACP, 0, text.GetString(), units, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return std::string();
    std::string ansi(static_cast<size_t>(bytes), '\0');
    const int written = WideCharToMultiByte(CP_ACP, 0, text.GetString(), units, &ansi[0], bytes, nullptr, nullptr);
    ansi.resize(written > 0 ? static_cast<size_t>(written) : 0);
    return ansi;
}
