// The program's modal questions and shell calls, each one call of the
// framework's replaceable functions, so that tests can script the answers.
#pragma once
#include "framework/framework.h"

// A message box; the answer (IDYES, IDOK, ...).
int AppMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);
// The shell's folder browser with the title given: the chosen folder's path,
// or empty when the user cancels or the choice has no file-system path.
// `cancelled` tells the two apart.
CString BrowseForFolder(const wchar_t* title, bool& cancelled);
// Opens a file or link with the shell's verb "open".
void ShellOpen(const wchar_t* file);
