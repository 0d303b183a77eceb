// The texts the shell makes from paths: the store path as the store dialog
// shows it, and the folder a save writes into.
#pragma once
#include "framework/framework.h"

// Upper-cases the letters a to z only (other characters stay as they are).
CString UpperAsciiLetters(const CString& text);
// The store dialog's path label: one blank, then the upper-cased path, cut
// to its first 40 characters followed by "..." when it is longer.
CString ShownStorePath(const CString& upperPath);
// The folder "QMRecoveredPst" inside the chosen destination, ending in "\";
// no doubled separator when the destination already ends in one (D:\).
CString RecoveryFolderFor(const CString& destination);
