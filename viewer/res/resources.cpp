// The viewer's resources: string table, icons, toolbar strip, menu, menu bar,
// toolbar, accelerators and the two dialog templates.
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
const MenuResource kMenus[] = {{IDR_MAINFRAME, u"Tools", kToolsMenuItems, 3}};
const MenuBarResource kMenuBars[] = {{IDR_MAINFRAME, IDM_TOOLS, IDS_TOOLS, IDR_MAINFRAME}};

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
const AccelTableResource kAccelTables[] = {{IDR_MAINFRAME, kAccels, 9}};

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
const DialogResource kDialogs[] = {
    {IDD_ABOUTBOX, u"About Vimbra", 0x80C800C0, 0x80000000, "System", 8, 140, 157, kAboutControls, 4},
    {IDD_SELECT_FOLDER, u"Select Folder", 0x80C800C0, 0, "System", 10, 134, 150, kSelectFolderControls, 3},
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
      kMenus,         1,
      kMenuBars,      1,
      kToolbars,      1,
      kAccelTables,   1,
      kDialogs,       2,
  };
  SetResourceTables(&tables);
}
