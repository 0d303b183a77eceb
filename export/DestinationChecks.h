// Checks of the save's destination before and while the new store is
// written: a name that replaces no file, the store being read never written
// over, and whether a folder takes new files.
#pragma once
#include "framework/framework.h"

// The name itself when folder + name names no file, else the first free one
// with " (2)", " (3)", ... before a final ".pst" (any case), or at its end.
CString FreeFileName(const CString& folder, const CString& name);
// True when the two paths name the same file (full paths compared without
// regard to case, short names made long).
bool SameFile(const CString& a, const CString& b);
// 0 when a new file can be made and written in the folder (a file of the
// save's own, deleted again at once), else the system's error.
DWORD FolderWriteError(const CString& folder);
