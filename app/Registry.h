// Reads one text value from the registry.
#pragma once
#include "framework/framework.h"

// The text of `valueName` under root\subkey; empty when the key cannot be
// opened or the value is missing or longer than 260 units. The text ends at
// its first zero unit, and is always terminated even when stored without one.
CString ReadRegistryString(HKEY root, const wchar_t* subkey, const wchar_t* valueName);
