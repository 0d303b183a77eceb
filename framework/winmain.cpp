// The program's entry point: everything else happens in the application
// object (AfxWinMain). Programs with their own main (the test programs)
// never pull this object file from the library.
#include "framework/fwapp.h"

extern "C" int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int nCmdShow) {
    return AfxWinMain(hInstance, nCmdShow);
}
