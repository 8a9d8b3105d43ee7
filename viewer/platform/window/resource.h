// Resources of the running program: the string table with the loader's
// capacity rules, icons and bitmaps as pixels, menus, toolbars, accelerators
// and dialog templates. The program installs its tables once at start-up.
#pragma once

#include <cstddef>

#include "platform/base/wintypes.h"

struct StringResource {
  UINT id;
  const WCHAR* text;
};

// An icon or bitmap: width × height pixels, 0xAARRGGBB, alpha 0 = transparent.
struct ImageResource {
  UINT id;
  int width;
  int height;
  const uint32_t* pixels;
};

struct MenuItemResource {
  UINT id;  // command id
  const WCHAR* text;
};

struct MenuResource {
  UINT id;
  const WCHAR* popupText;  // the pop-up that the menu button opens
  const MenuItemResource* items;
  size_t itemCount;
};

// A menu bar definition: one drop-down button with a label string that
// opens the first pop-up of a menu.
struct MenuBarResource {
  UINT id;
  UINT command;  // the button's command (it only opens its menu)
  UINT labelStringId;
  UINT menuId;
};

struct ToolbarResource {
  UINT id;
  int buttonWidth;
  int buttonHeight;
  UINT bitmapId;  // strip of buttonWidth × buttonHeight images, in button order
  const UINT* commands;
  size_t commandCount;
};

enum : UINT { FCONTROL = 0x08, FSHIFT = 0x04, FVIRTKEY = 0x01 };
struct AccelResource {
  UINT flags;
  UINT key;  // virtual-key code (upper-case letter for letters)
  UINT command;
};

struct AccelTableResource {
  UINT id;
  const AccelResource* entries;
  size_t count;
};

// A control of a dialog template, in dialog units.
struct DialogControlResource {
  int id;
  const char* className;  // "BUTTON", "STATIC", "EDIT", "SysTreeView32", "ICON"
  const WCHAR* text;
  UINT iconId;  // for "ICON" controls
  int x, y, cx, cy;
  DWORD style;
  DWORD exStyle;
};

struct DialogResource {
  UINT id;
  const WCHAR* title;
  DWORD style;
  DWORD exStyle;  // 0x80000000: an OK button in the caption
  const char* fontName;
  int fontPoints;
  int cx, cy;  // dialog units
  const DialogControlResource* controls;
  size_t controlCount;
};

struct ResourceTables {
  const StringResource* strings;
  size_t stringCount;
  const ImageResource* icons;
  size_t iconCount;
  const ImageResource* bitmaps;
  size_t bitmapCount;
  const MenuResource* menus;
  size_t menuCount;
  const MenuBarResource* menuBars;
  size_t menuBarCount;
  const ToolbarResource* toolbars;
  size_t toolbarCount;
  const AccelTableResource* accelerators;
  size_t acceleratorCount;
  const DialogResource* dialogs;
  size_t dialogCount;
};

void SetResourceTables(const ResourceTables* tables);

// Copies string `id` into `buffer`: at most capacity - 1 characters and a
// terminating zero. Returns the number of characters copied, 0 when the
// string does not exist (the buffer then holds "") or capacity is below 1.
int LoadString(UINT id, WCHAR* buffer, int capacity);
// The whole string, or null.
const WCHAR* FindStringResource(UINT id);

const ImageResource* FindIconResource(UINT id);
const ImageResource* FindBitmapResource(UINT id);
const MenuResource* FindMenuResource(UINT id);
const MenuBarResource* FindMenuBarResource(UINT id);
const ToolbarResource* FindToolbarResource(UINT id);
const AccelTableResource* FindAccelResource(UINT id);
const DialogResource* FindDialogResource(UINT id);
