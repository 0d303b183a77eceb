// The program's entry point: everything else happens in the application
// object (AfxWinMain). Programs with their own main (the test programs)
// never pull this object file from the library.
#include "framework/fwapp.h"

extern "C" int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR, int nCmdShow) {
    // The command line after the program's name, in UTF-16.
    LPWSTR p = ::GetCommandLineW();
    if (*p == L'"') {
        ++p;
        while (*p && *p != L'"') ++p;
        if (*p) ++p;
    } else {
        while (*p && *p != L' ' && *p != L'\t') ++p;
    }
    while (*p == L' ' || *p == L'\t') ++p;
    return AfxWinMain(hInstance, hPrevInstance, p, nCmdShow);
}
