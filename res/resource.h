// Resource ids of Tarnwell: templates, menus, strings, icons, bitmaps,
// control ids and command ids. Included by the resource script and the app.
#pragma once

// Framework-standard ids (menu, accelerators, status bar, strings).
#include "framework/fwres.h"

// Shared resource id of the main frame: menu, accelerators, toolbar,
// document template string and application icon.
#define IDR_MAINFRAME           128
#define IDR_TarnwellTYPE        129

// Strings.
#define IDP_OLE_INIT_FAILED     100
#define ID_INDICATOR_PROGRESS   101   // five blanks: sets the width of the last status pane

// Dialog templates.
#define IDD_ABOUTBOX            100
#define IDD_TARNWELL_FORM       101   // item list pane
#define IDD_OSTREPAIR           313   // the reader's host form (never shown)
#define IDD_BROWSE_OST          316   // store dialog
#define IDD_MAIL_BODY           317   // item view pane
#define IDD_OST_SAVING          318   // saving dialog
#define IDD_ABOUT_US            319   // About dialog
#define IDD_SPLASH              339   // hidden host of the splash screen

// Bitmaps.
#define IDB_TOOLBAR_STRIP       311

// Icons (folder tree and item list images).
#define IDI_FOLDER_OPEN         320
#define IDI_FOLDER              321
#define IDI_CALENDAR            322
#define IDI_CONTACTS            323
#define IDI_DELETED_ITEMS       324
#define IDI_DRAFTS              325
#define IDI_INBOX               326
#define IDI_JOURNAL             327
#define IDI_JUNK_MAIL           328
#define IDI_MAIL_ITEM           329
#define IDI_MAIL                330
#define IDI_NOTES               331
#define IDI_OUTBOX              332
#define IDI_STORE               333
#define IDI_SENT_ITEMS          334
#define IDI_TASKS               335
#define IDI_ATTACHMENT          336

// Controls.
#define IDC_PATH_LABEL          1000
#define IDC_SELECT_OST          1001
#define IDC_SEARCH_OST          1002
#define IDC_START               1003
#define IDC_CANCEL_BUTTON       1004
#define IDC_LOAD_PROGRESS       1005
#define IDC_SPARE_LABEL         1006
#define IDC_ITEM_LIST           1012
#define IDC_SUBJECT_LABEL       1013
#define IDC_TO_LABEL            1014
#define IDC_FROM_LABEL          1015
#define IDC_CC_LABEL            1016
#define IDC_BROWSER             1018
#define IDC_PAUSE               1019
#define IDC_STATUS_TEXT         1020
#define IDC_FOLDER_CAPTION      1021
#define IDC_VALUE_LIST          1022
#define IDC_RTF_BODY            1023
#define IDC_TO_VALUE            1024
#define IDC_FROM_VALUE          1025
#define IDC_SUBJECT_VALUE       1026
#define IDC_BODY_LABEL          1027
#define IDC_DEST_LABEL          1028
#define IDC_FOLDER_LABEL        1029
#define IDC_COUNT_LABEL         1030
#define IDC_SAVE_PAUSE          1032
#define IDC_DEST_VALUE          1033
#define IDC_FOLDER_VALUE        1034
#define IDC_COUNT_VALUE         1035
#define IDC_SAVE_STATUS         1036
#define IDC_PROGRESS_TOTAL      1037
#define IDC_PROGRESS_FOLDER     1038
#define IDC_NOTICE              1039
#define IDC_WEBSITE_LINK        1040
#define IDC_SECOND_WEBSITE_LINK 1041
#define IDC_SALES_LINK          1042
#define IDC_SUPPORT_LINK        1043
#define IDC_WEBSITE_LABEL       1044
#define IDC_SALES_LABEL         1045
#define IDC_SUPPORT_LABEL       1046
#define IDC_VERSION             1059
#define IDC_ATTACHMENT_LABEL    1060
#define IDC_ATTACHMENT_VALUE    1061
#define IDC_BROWSE_PICTURE      1062
#define IDC_SAVE_PICTURE        1063
#define IDC_ABOUT_PICTURE       1064

// Commands: toolbar buttons, then the menu items that run the same handlers.
#define ID_TOOL_STOP            32771
#define ID_TOOL_OPEN            32772
#define ID_TOOL_SAVE            32773
#define ID_TOOL_HELP            32774
#define ID_TOOL_ABOUT_US        32775
#define ID_TOOL_EXIT            32778
#define ID_MENU_SELECT_OST      32779
#define ID_MENU_STOP            32781
#define ID_MENU_SAVE            32782
#define ID_MENU_HELP            32788
#define ID_MENU_ABOUT_US        32789
#define ID_MENU_EXIT            32791

// Resource type of the toolbar layout (version, image size, button ids).
#ifndef RT_TOOLBAR_ID
#define RT_TOOLBAR_ID           241
#endif
