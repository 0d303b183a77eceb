// The type library of each component, made from its objects' member tables:
// in memory for GetTypeInfo, and as a file beside the component file that
// registration writes and registers, so that scripting tools and object
// browsers see the members and their arguments.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <string>

#include "components/dispatch_table.h"

namespace components {

// The description of one object's interface; the caller releases it.
HRESULT TypeInfoOf(const InterfaceInfo& iface, ITypeInfo** info);

// Writes the library to path and registers it; UnregisterTypeLibrary undoes both.
HRESULT RegisterTypeLibrary(const LibraryInfo& library, const std::wstring& path);
HRESULT UnregisterTypeLibrary(const LibraryInfo& library, const std::wstring& path);

}  // namespace components
