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

// Installs the viewer's resource tables (strings, icons, bitmaps, menus,
// toolbar, accelerators, dialogs) as the program's resources.
void InstallViewerResources();
