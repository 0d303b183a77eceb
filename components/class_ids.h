// The two components' class ids and ProgIDs, known to the shared module
// (which makes the objects) and to each component file (which registers
// its class and hands out the shared module's class object).
#pragma once
#include <windows.h>

namespace components {

// {35920421-FA55-48BB-BB8D-3EDE7E82E64B}
constexpr CLSID kClsidItemWriter = {0x35920421, 0xfa55, 0x48bb, {0xbb, 0x8d, 0x3e, 0xde, 0x7e, 0x82, 0xe6, 0x4b}};
// {C34AE189-4A51-4309-BB27-B21D79917762}
constexpr CLSID kClsidSessionLibrary = {0xc34ae189, 0x4a51, 0x4309, {0xbb, 0x27, 0xb2, 0x1d, 0x79, 0x91, 0x77, 0x62}};

constexpr wchar_t kProgIdItemWriter[] = L"loomcraft.Class1";
constexpr wchar_t kProgIdSessionLibrary[] = L"CorvaneRedmp.RDOSessionCorvane";

// The shared module beside the component files, and its two entry points
// (plain C calling convention, undecorated names).
constexpr wchar_t kSharedModuleFile[] = L"ComponentCore.dll";
using SharedGetClassObject = HRESULT (*)(const CLSID* clsid, const IID* iid, void** object);
using SharedCanUnloadNow = HRESULT (*)();
// Writes the type library of a class to the file and registers it (or, with
// unregister, undoes both); libid receives the library's id.
using SharedRegisterTypeLibrary = HRESULT (*)(const CLSID* clsid, const wchar_t* file, GUID* libid, BOOL unregister);

}  // namespace components
