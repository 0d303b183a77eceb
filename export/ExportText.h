// Store texts as the exporters use them.
#pragma once
#include "framework/framework.h"

#include <string>

#include "reader/item_record.h"

// True when the record holds the text (it may still be empty).
inline bool HasText(const StoreText& text) { return text.pData != nullptr; }
// The text widened by the store string mode; empty when absent.
CString WidenStoreText(const StoreText& text);
// 8-bit text of the system's ANSI code page, widened (up to its first zero).
CString WidenAnsi(const char* text);
// The same for `bytes` bytes, zero bytes included.
CString WidenAnsiBytes(const char* bytes, size_t count);
// A UTF-16 text in the system's ANSI code page (best fit, then the default
// character), the buffer sized by the conversion itself: a character may
// take more than two bytes (UTF-8 as the system code page).
std::string AnsiText(const CString& text);
