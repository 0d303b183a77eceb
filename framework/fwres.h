// Framework-standard resource and command ids. Plain #defines only, so that
// resource scripts may include this file too. Each is guarded: a resource
// header that defines the same id with the same value is fine either way.
#pragma once

#ifndef ID_SEPARATOR
#define ID_SEPARATOR            0
#endif
#ifndef ID_FILE_NEW
#define ID_FILE_NEW             0xE100
#endif
#ifndef ID_FILE_OPEN
#define ID_FILE_OPEN            0xE101
#endif
#ifndef ID_EDIT_COPY
#define ID_EDIT_COPY            0xE122
#endif
#ifndef ID_EDIT_CUT
#define ID_EDIT_CUT             0xE123
#endif
#ifndef ID_EDIT_PASTE
#define ID_EDIT_PASTE           0xE125
#endif
#ifndef ID_EDIT_UNDO
#define ID_EDIT_UNDO            0xE12B
#endif
#ifndef ID_WINDOW_SPLIT
#define ID_WINDOW_SPLIT         0xE135
#endif
#ifndef ID_APP_ABOUT
#define ID_APP_ABOUT            0xE140
#endif
#ifndef ID_NEXT_PANE
#define ID_NEXT_PANE            0xE150
#endif
#ifndef ID_PREV_PANE
#define ID_PREV_PANE            0xE151
#endif
#ifndef ID_INDICATOR_CAPS
#define ID_INDICATOR_CAPS       0xE700
#endif
#ifndef ID_INDICATOR_NUM
#define ID_INDICATOR_NUM        0xE701
#endif
#ifndef ID_INDICATOR_SCRL
#define ID_INDICATOR_SCRL       0xE702
#endif
#ifndef ID_VIEW_TOOLBAR
#define ID_VIEW_TOOLBAR         0xE800
#endif
#ifndef ID_VIEW_STATUS_BAR
#define ID_VIEW_STATUS_BAR      0xE801
#endif
#ifndef AFX_IDS_APP_TITLE
#define AFX_IDS_APP_TITLE       0xE000
#endif
#ifndef AFX_IDS_IDLEMESSAGE
#define AFX_IDS_IDLEMESSAGE     0xE001
#endif
#ifndef AFX_IDW_TOOLBAR
#define AFX_IDW_TOOLBAR         0xE800
#endif
#ifndef AFX_IDW_STATUS_BAR
#define AFX_IDW_STATUS_BAR      0xE801
#endif
#ifndef AFX_IDW_PANE_FIRST
#define AFX_IDW_PANE_FIRST      0xE900
#endif
