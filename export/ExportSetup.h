// The setup of a save, on the saving worker: COM for this thread, the test
// that the session library can be created, the item writer bound (each
// component registered with the system's registration tool when it cannot be
// created), and the new personal store under a time-stamped name.
#pragma once
#include "framework/framework.h"

enum PstExportSetupResult {
    kSetupReady = 0,
    kSetupNoSessionLibrary = 1,   // message shown
    kSetupNoItemWriter = 2,       // message shown
    kSetupStoreNotCreated = 3,    // the item writer failed to create the store; no message yet
    kSetupRefused = 4,            // destination or temporary folder unusable; SetupRefusal() says why
};

extern const wchar_t kSessionLibraryProgId[];   // "CorvaneRedmp.RDOSessionCorvane"
extern const wchar_t kItemWriterProgId[];       // "loomcraft.Class1"

// Runs the setup for the destination folder (empty: g_strDefaultDest).
int BeginPstExport(CString destination);

// "day-month-year hour-minute-second", plain decimals ("8-12-2026 7-5-44").
CString ExportTimeStamp(const SYSTEMTIME& time);
// The store file's name with every ".ost" (in any case) replaced by the
// stamp and ".pst".
CString PstFileNameFor(const CString& ostFileName, const CString& stamp);
// Runs "regsvr32.exe /s <short path>" from the system folder for a component
// file of the installation folder ("\Loomcraft.dll"), waiting for it; nothing
// when the file does not exist.
void RegisterComponent(const wchar_t* componentFile);
// The closing message of the last kSetupRefused (the reason, before anything
// was written) or kSetupStoreNotCreated ("Saving not completed." and why).
const CString& SetupRefusal();
