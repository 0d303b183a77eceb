#include "reader/store_text.h"

#include <cstdlib>
#include <cstring>

#include "reader/ndb.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

#ifndef _WIN32
// Windows-1252 in 0x80..0x9F; the five unassigned bytes map to the C1
// control of the same value, as the system's conversion does.
const char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char16_t Cp1252ToUnit(uint8_t b) {
    return (b >= 0x80 && b < 0xA0) ? kCp1252High[b - 0x80] : static_cast<char16_t>(b);
}

char UnitToCp1252(char16_t u) {
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return static_cast<char>(u);
    for (int i = 0; i < 32; ++i) {
        if (kCp1252High[i] == u) return static_cast<char>(0x80 + i);
    }
    return '?';
}
#endif

}  // namespace

size_t AnsiToWide(const char* ansi, size_t bytes, StoreWChar* out, size_t maxUnits) {
    if (!ansi || !out || bytes == 0 || maxUnits == 0) return 0;
#ifdef _WIN32
    if (bytes > 0x7FFFFFFF || maxUnits > 0x7FFFFFFF) return 0;
    int n = MultiByteToWideChar(CP_ACP, 0, ansi, static_cast<int>(bytes), out,
                                static_cast<int>(maxUnits));
    return n > 0 ? static_cast<size_t>(n) : 0;
#else
    if (bytes > maxUnits) return 0;
    for (size_t i = 0; i < bytes; ++i) out[i] = Cp1252ToUnit(static_cast<uint8_t>(ansi[i]));
    return bytes;
#endif
}

size_t WideToAnsi(const StoreWChar* wide, size_t units, char* out, size_t maxBytes) {
    if (!wide || !out || units == 0 || maxBytes == 0) return 0;
#ifdef _WIN32
    if (units > 0x7FFFFFFF || maxBytes > 0x7FFFFFFF) return 0;
    int n = WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(units), out,
                                static_cast<int>(maxBytes), nullptr, nullptr);
    return n > 0 ? static_cast<size_t>(n) : 0;
#else
    if (units > maxBytes) return 0;
    for (size_t i = 0; i < units; ++i) out[i] = UnitToCp1252(wide[i]);
    return units;
#endif
}

uint32_t StoreStringLength(const uint8_t* text) {
    if (!text) return 0;
    if (g_nStringMode == 1) return static_cast<uint32_t>(std::strlen(reinterpret_cast<const char*>(text)));
    if (g_nStringMode == 2) {
        uint32_t n = 0;
        while (text[2 * n] != 0 || text[2 * n + 1] != 0) ++n;
        return n;
    }
    return 0;
}

StoreWChar* StoreStringToWide(int32_t byteCount, const uint8_t* text) {
    if (byteCount <= 0 || !text) return nullptr;
    const size_t units = static_cast<size_t>(byteCount) / 2;
    if (g_nStringMode == 1) {
        // 2k + 4 zero-filled bytes: the fill ends the converted text.
        auto* out = static_cast<StoreWChar*>(std::calloc(units + 2, sizeof(StoreWChar)));
        if (!out) return nullptr;
        AnsiToWide(reinterpret_cast<const char*>(text), units, out, units);
        return out;
    }
    if (g_nStringMode == 2) {
        auto* out = static_cast<StoreWChar*>(std::calloc(units + 1, sizeof(StoreWChar)));
        if (!out) return nullptr;
        for (size_t i = 0; i < units; ++i) {
            out[i] = static_cast<StoreWChar>(text[2 * i] | (text[2 * i + 1] << 8));
        }
        return out;
    }
    return nullptr;
}

std::wstring WideUnitsToWString(const StoreWChar* units) {
    std::wstring out;
    if (!units) return out;
#ifdef _WIN32
    out = units;
#else
    // wchar_t holds whole code points here: join surrogate pairs.
    for (size_t i = 0; units[i]; ++i) {
        uint32_t c = units[i];
        if (c >= 0xD800 && c < 0xDC00 && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        }
        out += static_cast<wchar_t>(c);
    }
#endif
    return out;
}

std::wstring StoreTextToWString(const uint8_t* text) {
    uint32_t n = StoreStringLength(text);
    StoreWChar* w = StoreStringToWide(static_cast<int32_t>(2 * n), text);
    std::wstring out = WideUnitsToWString(w);
    std::free(w);
    return out;
}

std::string WideToUtf8(const std::wstring& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t c = static_cast<uint32_t>(text[i]);
        // Where wchar_t is 16 bits wide, join surrogate pairs.
        if (sizeof(wchar_t) == 2 && c >= 0xD800 && c < 0xDC00 && i + 1 < text.size()) {
            const uint32_t low = static_cast<uint32_t>(text[i + 1]);
            if (low >= 0xDC00 && low < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}
