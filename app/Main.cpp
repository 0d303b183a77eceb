// The one application object of Tarnwell.exe; the framework's entry point
// runs its InitInstance and then the message loop.
#include "app/TarnwellApp.h"

CTarnwellApp theApp;
