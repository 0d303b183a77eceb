// Store text: 8-bit text in the system's ANSI code page (older stores) or
// UTF-16LE (newer stores), measured and widened by the store string mode
// g_nStringMode (1 = 8-bit, 2 = UTF-16LE), never by a record's wide flag.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// One UTF-16 unit: wchar_t on Windows, char16_t where wchar_t is wider.
#ifdef _WIN32
using StoreWChar = wchar_t;
#else
using StoreWChar = char16_t;
#endif

// Mode 1: bytes before the first zero byte; mode 2: 16-bit units before the
// first zero unit. Null text, or any other mode: 0.
uint32_t StoreStringLength(const uint8_t* text);

// A new zero-terminated UTF-16 copy of the first byteCount / 2 characters of
// text (byteCount is always 2 x the characters to take, in both modes), or
// null for a count of 0, an unknown mode or no memory. Free it with free().
StoreWChar* StoreStringToWide(int32_t byteCount, const uint8_t* text);

// The ANSI code page seam: the system's code page on Windows, Windows-1252
// elsewhere. Both convert exactly the given input and write at most the
// given output; they return the units (bytes) written, 0 when it does not fit.
size_t AnsiToWide(const char* ansi, size_t bytes, StoreWChar* out, size_t maxUnits);
size_t WideToAnsi(const StoreWChar* wide, size_t units, char* out, size_t maxBytes);

// Convenience for tools and tests: a store text as a std::wstring
// (through StoreStringLength and StoreStringToWide; empty for null).
std::wstring StoreTextToWString(const uint8_t* text);
// UTF-16 units up to the first zero unit as a std::wstring.
std::wstring WideUnitsToWString(const StoreWChar* units);
// A wide text as UTF-8 (for file names outside Windows, tools and tests).
std::string WideToUtf8(const std::wstring& text);
