// Conversions between the texts COM hands over (UTF-16), the store writer
// takes (UTF-16 as char16_t, paths in UTF-8) and the bytes the exporters put
// in files (the system's ANSI code page).
#pragma once
#include <string>

namespace components {

std::wstring WideFromUtf8(const std::string& text);
std::string Utf8FromWide(const std::wstring& text);
std::u16string U16(const std::wstring& text);
std::wstring WideFromAnsi(const std::string& bytes);
// The text in the ANSI code page; false (and best-fit bytes) when a
// character has no exact form there.
bool AnsiFromWide(const std::wstring& text, std::string& bytes);
// Upper case by the system's rules, for names compared without regard to case.
std::wstring FoldCase(const std::wstring& text);

}  // namespace components
