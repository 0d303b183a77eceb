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
    if (text == nullptr || *text == 0) return CString();
    const size_t bytes = std::strlen(text);
    std::vector<wchar_t> wide(bytes + 1, L'\0');
    const size_t units = AnsiToWide(text, bytes, wide.data(), bytes);
    return CString(wide.data(), static_cast<int>(units));
}
