// The viewer's resources: string table, icons, toolbar strip, menus, menu
// bars, toolbar, accelerators and the dialog templates.
#include <cstring>
#include <vector>

#include "images_art.inc"
#include "platform/window/resource.h"
#include "resource_ids.h"

namespace {

const StringResource kStrings[] = {
    {IDR_MAINFRAME, u"Vimbra\n\nVimbra\n\n\nVimbra.Document\nVimbra Document"},
    {IDS_TOOLS, u"Tools"},
    {IDS_TIP_FILE, u"File"},
    {IDS_TIP_BROWSER, u"Browser"},
    {IDS_TIP_BACK, u"Back"},
    {IDS_TIP_ZOOM_IN, u"Zoom In"},
    {IDS_TIP_ZOOM_OUT, u"Zoom Out"},
    {IDS_TIP_ABOUT, u"About"},
    {IDS_DEFAULT_FOLDER, u"\\My Documents"},
    {IDS_NO_MEMORY, u"No enough memory to open image. "},
    {IDS_NO_PICTURES,
     u"There is no support file in current folder. \nPlease use browser button to change \ncurrent folder."},
    {IDS_FILE_NOT_FOUND, u"Cannot open file. File not found."},
    {IDS_CONFIRM_DELETE, u"Delete \u201C%1\u201D for good? It cannot be brought back."},
    {IDS_NO_TRASH, u"\u201C%1\u201D cannot go to the Trash: %2. Delete it for good instead?"},
    {IDS_ASK_TRIM,
     u"\u201C%1\u201D is not a whole number of blocks wide or high: a lossless turn cuts off its partial "
     u"edge. Turn it and cut the edge?"},
    {IDS_CANNOT_TRASH, u"Cannot move \u201C%1\u201D to the Trash: %2."},
    {IDS_CANNOT_DELETE, u"Cannot delete \u201C%1\u201D: %2."},
    {IDS_CANNOT_TURN, u"Cannot turn \u201C%1\u201D: %2."},
    {IDS_CANNOT_RENAME, u"Cannot rename \u201C%1\u201D: %2."},
    {IDS_CANNOT_COPY, u"Cannot copy \u201C%1\u201D: %2."},
    {IDS_CANNOT_MOVE, u"Cannot move \u201C%1\u201D: %2."},
    {IDS_CANNOT_RESTORE, u"Cannot bring \u201C%1\u201D back from the Trash: %2."},
    {IDS_NAME_EMPTY, u"A name cannot be empty."},
    {IDS_NAME_SEPARATOR, u"A name cannot hold \u201C/\u201D or \u201C\\\u201D."},
    {IDS_NAME_INVALID, u"\u201C%1\u201D cannot be a name on the device."},
    {IDS_NAME_EXISTS, u"There is already a file named \u201C%1\u201D."},
    {IDS_CONFLICT, u"There is already a file named \u201C%1\u201D in %2."},
    {IDS_DELETE_BUTTON, u"Delete"},
    {IDS_TRIM_BUTTON, u"Turn and Cut"},
};

// Palette of the pixel art.
uint32_t ArtColour(char c) {
  switch (c) {
    case 'k':
      return 0xFF000000;
    case 'w':
      return 0xFFFFFFFF;
    case 'S':
      return 0xFFC0C0C0;
    case 's':
      return 0xFF808080;
    case 'Y':
      return 0xFF9C7418;
    case 'y':
      return 0xFFF0C840;
    case 'o':
      return 0xFFFFE48C;
    case 'G':
      return 0xFF1E6E28;
    case 'g':
      return 0xFF48B048;
    case 'l':
      return 0xFFA8E8A0;
    case 'b':
      return 0xFF2850B4;
    case 'B':
      return 0xFF98C8F0;
    case 'r':
      return 0xFFC03030;
    default:
      return 0x00000000;  // transparent
  }
}

std::vector<uint32_t> FromArt(const char* const* rows, int width, int height) {
  std::vector<uint32_t> pixels((size_t)width * (size_t)height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) pixels[(size_t)y * (size_t)width + (size_t)x] = ArtColour(rows[y][x]);
  }
  return pixels;
}

// Full Screen is the desktop's: it comes after the handheld's two items.
const MenuItemResource kToolsMenuItems[] = {
    {ID_APP_ABOUT, u"About Vimbra..."},
    {ID_APP_EXIT, u"Quit"},
    {ID_VIEW_FULLSCREEN, u"Full Screen"},
};
// The desktop's Tools menu with the file actions and the sort orders; the
// handheld's stays as it was.
const MenuItemResource kFileActionsMenuItems[] = {
    {ID_APP_ABOUT, u"About Vimbra..."},
    {ID_APP_EXIT, u"Quit"},
    {ID_VIEW_FULLSCREEN, u"Full Screen"},
    {ID_VIEW_SLIDESHOW, u"Slideshow"},
    {ID_FILE_ROTATE_LEFT, u"Rotate Left"},
    {ID_FILE_ROTATE_RIGHT, u"Rotate Right"},
    {ID_FILE_RENAME, u"Rename..."},
    {ID_FILE_COPY_TO, u"Copy to..."},
    {ID_FILE_MOVE_TO, u"Move to..."},
    {ID_FILE_TRASH, u"Move to Trash"},
    {ID_FILE_UNDO_TRASH, u"Undo Move to Trash"},
    {ID_FILE_DELETE, u"Delete for Good..."},
    {ID_SORT_BY_NAME, u"Sort by Name"},
    {ID_SORT_BY_DATE_TAKEN, u"Sort by Date Taken"},
    {ID_SORT_BY_MODIFIED, u"Sort by Modification Time"},
    {ID_SORT_BY_SIZE, u"Sort by File Size"},
    {ID_SORT_REVERSED, u"Reverse Order"},
};
const MenuResource kMenus[] = {
    {IDR_MAINFRAME, u"Tools", kToolsMenuItems, 3},
    {IDR_FILE_ACTIONS, u"Tools", kFileActionsMenuItems, 17},
};
const MenuBarResource kMenuBars[] = {
    {IDR_MAINFRAME, IDM_TOOLS, IDS_TOOLS, IDR_MAINFRAME},
    {IDR_FILE_ACTIONS, IDM_TOOLS, IDS_TOOLS, IDR_FILE_ACTIONS},
};

const UINT kToolbarCommands[] = {ID_BROWSER, ID_BACK, ID_ZOOM_IN, ID_ZOOM_OUT, ID_APP_ABOUT};
const ToolbarResource kToolbars[] = {{IDR_MAINFRAME, 16, 16, IDR_MAINFRAME, kToolbarCommands, 5}};

// The handheld's table named the framework's own exit command for Ctrl+Q,
// which nothing here handles: it quits through the Quit item's command.
// F11 is the desktop's full screen.
constexpr UINT kVkF11 = 0x7A;
const AccelResource kAccels[] = {
    {FVIRTKEY | FCONTROL, 'C', 57634},       {FVIRTKEY | FCONTROL, 'N', 57600}, {FVIRTKEY | FCONTROL, 'O', 57601},
    {FVIRTKEY | FCONTROL, 'Q', ID_APP_EXIT}, {FVIRTKEY | FCONTROL, 'S', 57603}, {FVIRTKEY | FCONTROL, 'V', 57637},
    {FVIRTKEY | FCONTROL, 'X', 57635},       {FVIRTKEY | FCONTROL, 'Z', 57643}, {FVIRTKEY, kVkF11, ID_VIEW_FULLSCREEN},
};
// The desktop's keys for the file actions and the slideshow, looked at
// before the frame's.
constexpr UINT kVkDelete = 0x2E;
constexpr UINT kVkF2 = 0x71;
constexpr UINT kVkF5 = 0x74;
const AccelResource kFileActionAccels[] = {
    {FVIRTKEY, kVkDelete, ID_FILE_TRASH},
    {FVIRTKEY | FSHIFT, kVkDelete, ID_FILE_DELETE},
    {FVIRTKEY | FCONTROL, 'Z', ID_FILE_UNDO_TRASH},
    {FVIRTKEY | FCONTROL, 'L', ID_FILE_ROTATE_LEFT},
    {FVIRTKEY | FCONTROL, 'R', ID_FILE_ROTATE_RIGHT},
    {FVIRTKEY, kVkF2, ID_FILE_RENAME},
    {FVIRTKEY, kVkF5, ID_VIEW_SLIDESHOW},
};
const AccelTableResource kAccelTables[] = {
    {IDR_MAINFRAME, kAccels, 9},
    {IDR_FILE_ACTIONS, kFileActionAccels, 7},
};

constexpr DWORD kChildVisible = 0x50000000;
constexpr DWORD kTabStop = 0x00010000;
const DialogControlResource kAboutControls[] = {
    {IDC_ABOUT_ICON, "ICON", nullptr, IDR_MAINFRAME, 59, 18, 20, 20, kChildVisible, 0},
    {IDC_ABOUT_VERSION, "STATIC", u"Vimbra Version 2.0", 0, 38, 46, 62, 8, kChildVisible, 0},
    {IDC_ABOUT_NOTICE, "STATIC", u"(c) 2026 The Vimbra developers", 0, 22, 64, 94, 9, kChildVisible, 0},
    {IDC_ABOUT_CONTACT, "STATIC", u"vimbra@example.org", 0, 61, 142, 72, 8, kChildVisible, 0},
};
const DialogControlResource kSelectFolderControls[] = {
    {IDC_FOLDER_TREE, "SysTreeView32", u"Tree1", 0, 7, 7, 120, 116, 0x5081002B, 0},
    {1, "BUTTON", u"OK", 0, 7, 129, 50, 14, kChildVisible | kTabStop, 0},
    {2, "BUTTON", u"Cancel", 0, 77, 129, 50, 14, kChildVisible | kTabStop, 0},
};
// The file actions' dialogs; their texts are set as each opens.
const DialogControlResource kFileMessageControls[] = {
    {IDC_FILE_TEXT, "STATIC", u"", 0, 7, 7, 206, 40, kChildVisible, 0},
    {1, "BUTTON", u"OK", 0, 163, 54, 50, 14, kChildVisible | kTabStop, 0},
};
const DialogControlResource kFileQuestionControls[] = {
    {IDC_FILE_TEXT, "STATIC", u"", 0, 7, 7, 206, 40, kChildVisible, 0},
    {1, "BUTTON", u"OK", 0, 107, 54, 50, 14, kChildVisible | kTabStop, 0},
    {2, "BUTTON", u"Cancel", 0, 163, 54, 50, 14, kChildVisible | kTabStop, 0},
};
const DialogControlResource kFileRenameControls[] = {
    {IDC_FILE_TEXT, "STATIC", u"New name:", 0, 7, 7, 206, 9, kChildVisible, 0},
    {IDC_FILE_NAME, "EDIT", u"", 0, 7, 19, 206, 14, kChildVisible | kTabStop, 0},
    {1, "BUTTON", u"Rename", 0, 107, 40, 50, 14, kChildVisible | kTabStop, 0},
    {2, "BUTTON", u"Cancel", 0, 163, 40, 50, 14, kChildVisible | kTabStop, 0},
};
const DialogControlResource kFileConflictControls[] = {
    {IDC_FILE_TEXT, "STATIC", u"", 0, 7, 7, 206, 40, kChildVisible, 0},
    {IDC_FILE_REPLACE, "BUTTON", u"Replace", 0, 51, 54, 50, 14, kChildVisible | kTabStop, 0},
    {IDC_FILE_KEEP_BOTH, "BUTTON", u"Keep Both", 0, 107, 54, 50, 14, kChildVisible | kTabStop, 0},
    {2, "BUTTON", u"Skip", 0, 163, 54, 50, 14, kChildVisible | kTabStop, 0},
};
const DialogResource kDialogs[] = {
    {IDD_ABOUTBOX, u"About Vimbra", 0x80C800C0, 0x80000000, "System", 8, 140, 157, kAboutControls, 4},
    {IDD_SELECT_FOLDER, u"Select Folder", 0x80C800C0, 0, "System", 10, 134, 150, kSelectFolderControls, 3},
    {IDD_FILE_MESSAGE, u"Vimbra", 0x80C800C0, 0, "System", 9, 220, 75, kFileMessageControls, 2},
    {IDD_FILE_QUESTION, u"Vimbra", 0x80C800C0, 0, "System", 9, 220, 75, kFileQuestionControls, 3},
    {IDD_FILE_RENAME, u"Rename", 0x80C800C0, 0, "System", 9, 220, 61, kFileRenameControls, 4},
    {IDD_FILE_CONFLICT, u"File Exists", 0x80C800C0, 0, "System", 9, 220, 75, kFileConflictControls, 4},
};

struct Images {
  std::vector<uint32_t> folderClosed = FromArt(kFolderClosedArt, 32, 32);
  std::vector<uint32_t> folderOpen = FromArt(kFolderOpenArt, 16, 16);
  std::vector<uint32_t> pictureClosed = FromArt(kPictureFolderClosedArt, 16, 16);
  std::vector<uint32_t> pictureOpen = FromArt(kPictureFolderOpenArt, 16, 16);
  std::vector<uint32_t> toolbar = FromArt(kToolbarArt, 80, 16);
  std::vector<uint32_t> appIcon = FromArt(kAppIconArt, 32, 32);
  ImageResource icons[5] = {
      {IDR_MAINFRAME, 32, 32, appIcon.data()},
      {IDI_FOLDER_OPEN, 16, 16, folderOpen.data()},
      // The closed folder resource holds only a 32 × 32 image; lists of
      // 16 × 16 images scale it down.
      {IDI_FOLDER_CLOSED, 32, 32, folderClosed.data()},
      {IDI_PICTURE_FOLDER_CLOSED, 16, 16, pictureClosed.data()},
      {IDI_PICTURE_FOLDER_OPEN, 16, 16, pictureOpen.data()},
  };
  ImageResource bitmaps[1] = {{IDR_MAINFRAME, 80, 16, toolbar.data()}};
};

}  // namespace

void InstallViewerResources() {
  static const Images images;
  static const ResourceTables tables = {
      kStrings,       sizeof(kStrings) / sizeof(kStrings[0]),
      images.icons,   5,
      images.bitmaps, 1,
      kMenus,         2,
      kMenuBars,      2,
      kToolbars,      1,
      kAccelTables,   2,
      kDialogs,       6,
  };
  SetResourceTables(&tables);
}
