// The save's own folder under the temporary folder. The attachment files and
// the mail header file are written there and nowhere else; every file the
// save writes is noted, and when the save ends the noted files and the folder
// go. A folder that a killed save left behind is removed when the next save
// begins: a save writes its mark into a lock file in its folder and holds it
// unshared while it lives; only a folder whose lock file holds the mark and
// is held by no one is removed.
#pragma once
#include "framework/framework.h"

// A new folder of the save's own under tempRoot (which ends in "\"), after
// the folders of ended saves are removed. Its path, ending in "\"; empty
// when it cannot be made, with the system's error in *error.
CString BeginSaveTempFolder(const CString& tempRoot, DWORD* error);
// The folder of the save in progress (ends in "\"), empty when there is none.
const CString& SaveTempFolder();
// A file or a sub-folder that the save made in its folder.
void NoteSaveFile(const CString& path);
void NoteSaveSubfolder(const CString& path);
// Deletes a file the save wrote, its read-only attribute cleared if need be.
void DeleteOwnFile(const std::wstring& path);
// Deletes the noted files and sub-folders, then the folder itself.
void EndSaveTempFolder();
