#include "app/PathTexts.h"

CString UpperAsciiLetters(const CString& text) {
    CString upper(text);
    for (int i = 0; i < upper.GetLength(); ++i) {
        wchar_t c = upper[i];
        if (c >= L'a' && c <= L'z') upper.SetAt(i, static_cast<wchar_t>(c - L'a' + L'A'));
    }
    return upper;
}

CString ShownStorePath(const CString& upperPath) {
    const int kShownLength = 40;
    CString shown = upperPath;
    if (shown.GetLength() > kShownLength) shown = shown.Left(kShownLength) + L"...";
    return L" " + shown;
}

CString RecoveryFolderFor(const CString& destination) {
    CString folder = destination;
    if (folder.IsEmpty() || folder[folder.GetLength() - 1] != L'\\') folder += L"\\";
    folder += L"QMRecoveredPst";
    folder += L"\\";
    return folder;
}
