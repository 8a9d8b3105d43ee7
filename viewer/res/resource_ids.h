// Resource and command identifiers of the viewer.
#pragma once

// Frame: title string, icon, menu, menu bar, toolbar, accelerators.
#define IDR_MAINFRAME 128
#define IDD_ABOUTBOX 100
#define IDD_SELECT_FOLDER 131
#define IDC_FOLDER_TREE 1000
#define IDC_ABOUT_ICON 1001
#define IDC_ABOUT_VERSION 1002
#define IDC_ABOUT_NOTICE 1003
#define IDC_ABOUT_CONTACT 1004

// The desktop's file actions: their menu and keys, and their dialogs.
#define IDR_FILE_ACTIONS 140
#define IDD_FILE_MESSAGE 141
#define IDD_FILE_QUESTION 142
#define IDD_FILE_RENAME 143
#define IDD_FILE_CONFLICT 144
#define IDC_FILE_TEXT 1010
#define IDC_FILE_NAME 1011
#define IDC_FILE_REPLACE 1012
#define IDC_FILE_KEEP_BOTH 1013

// Icons of the folder tree.
#define IDI_FOLDER_OPEN 133
#define IDI_FOLDER_CLOSED 135
#define IDI_PICTURE_FOLDER_CLOSED 136
#define IDI_PICTURE_FOLDER_OPEN 137

// Commands.
#define ID_APP_EXIT 32771
#define ID_BROWSER 32773
#define ID_ZOOM_IN 32775
#define ID_ZOOM_OUT 32776
#define ID_BACK 32777
#define ID_VIEW_FULLSCREEN 32778
#define ID_VIEW_SLIDESHOW 32779
#define ID_FILE_TRASH 32800
#define ID_FILE_DELETE 32801
#define ID_FILE_UNDO_TRASH 32802
#define ID_FILE_ROTATE_LEFT 32803
#define ID_FILE_ROTATE_RIGHT 32804
#define ID_FILE_RENAME 32805
#define ID_FILE_COPY_TO 32806
#define ID_FILE_MOVE_TO 32807
// The desktop's sort orders: one item a key, checked when it is the list's,
// and the reversal of whichever it is.
#define ID_SORT_BY_NAME 32810
#define ID_SORT_BY_DATE_TAKEN 32811
#define ID_SORT_BY_MODIFIED 32812
#define ID_SORT_BY_SIZE 32813
#define ID_SORT_REVERSED 32814
#define ID_APP_ABOUT 57664
#define IDM_TOOLS 106

// Strings.
#define IDS_TOOLS 103
#define IDS_TIP_FILE 65001
#define IDS_TIP_BROWSER 65009
#define IDS_TIP_BACK 32776
#define IDS_TIP_ZOOM_IN 32774
#define IDS_TIP_ZOOM_OUT 32775
#define IDS_TIP_ABOUT 65007
#define IDS_DEFAULT_FOLDER 65008
#define IDS_NO_MEMORY 65010
#define IDS_NO_PICTURES 65011
#define IDS_FILE_NOT_FOUND 65012
// The file actions' messages: "%1" is the file's name, "%2" the system's
// reason or a folder.
#define IDS_CONFIRM_DELETE 65100
#define IDS_NO_TRASH 65101
#define IDS_ASK_TRIM 65102
#define IDS_CANNOT_TRASH 65103
#define IDS_CANNOT_DELETE 65104
#define IDS_CANNOT_TURN 65105
#define IDS_CANNOT_RENAME 65106
#define IDS_CANNOT_COPY 65107
#define IDS_CANNOT_MOVE 65108
#define IDS_CANNOT_RESTORE 65109
#define IDS_NAME_EMPTY 65110
#define IDS_NAME_SEPARATOR 65111
#define IDS_NAME_INVALID 65112
#define IDS_NAME_EXISTS 65113
#define IDS_CONFLICT 65114
#define IDS_DELETE_BUTTON 65115
#define IDS_TRIM_BUTTON 65116

// Installs the viewer's resource tables (strings, icons, bitmaps, menus,
// toolbar, accelerators, dialogs) as the program's resources.
void InstallViewerResources();
