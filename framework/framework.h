// The application framework: include this one header.
//
// A thin framework over Win32 with the familiar class names: application
// and threads (fwapp.h), windows and message maps (fwwnd.h), dialogs
// (fwdlg.h), documents and views (fwdoc.h), frame, bars and splitters
// (fwframe.h), controls (fwctrls.h), GDI (fwgdi.h), text and lists
// (fwstring.h, fwcoll.h), files (fwfile.h), automation (fwole.h), ActiveX
// controls (fwocc.h) and the
// test seams (seams.h).
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <richedit.h>
#include <shellapi.h>
#include <shlobj.h>
#include <ole2.h>
#include <oleauto.h>

#include "fwres.h"
#include "fwobject.h"
#include "fwtypes.h"
#include "fwstring.h"
#include "fwcoll.h"
#include "fwgdi.h"
#include "fwwnd.h"
#include "fwctrls.h"
#include "fwdlg.h"
#include "fwdoc.h"
#include "fwframe.h"
#include "fwapp.h"
#include "fwfile.h"
#include "fwole.h"
#include "fwocc.h"
#include "seams.h"
