// Lookup in the program's resource tables.
#include "resource.h"

#include "platform/base/wstr.h"

namespace {

const ResourceTables* g_tables = nullptr;

template <typename T>
const T* FindById(const T* items, size_t count, UINT id) {
  for (size_t i = 0; i < count; ++i) {
    if (items[i].id == id) return &items[i];
  }
  return nullptr;
}

}  // namespace

void SetResourceTables(const ResourceTables* tables) {
  g_tables = tables;
}

const WCHAR* FindStringResource(UINT id) {
  if (g_tables == nullptr) return nullptr;
  const StringResource* s = FindById(g_tables->strings, g_tables->stringCount, id);
  return s != nullptr ? s->text : nullptr;
}

int LoadString(UINT id, WCHAR* buffer, int capacity) {
  if (buffer == nullptr || capacity < 1) return 0;
  const WCHAR* text = FindStringResource(id);
  if (text == nullptr) {
    buffer[0] = 0;
    return 0;
  }
  return (int)WStrCopy(buffer, (size_t)capacity, std::u16string_view(text, WStrLen(text)));
}

const ImageResource* FindIconResource(UINT id) {
  return g_tables ? FindById(g_tables->icons, g_tables->iconCount, id) : nullptr;
}
const ImageResource* FindBitmapResource(UINT id) {
  return g_tables ? FindById(g_tables->bitmaps, g_tables->bitmapCount, id) : nullptr;
}
const MenuResource* FindMenuResource(UINT id) {
  return g_tables ? FindById(g_tables->menus, g_tables->menuCount, id) : nullptr;
}
const MenuBarResource* FindMenuBarResource(UINT id) {
  return g_tables ? FindById(g_tables->menuBars, g_tables->menuBarCount, id) : nullptr;
}
const ToolbarResource* FindToolbarResource(UINT id) {
  return g_tables ? FindById(g_tables->toolbars, g_tables->toolbarCount, id) : nullptr;
}
const AccelTableResource* FindAccelResource(UINT id) {
  return g_tables ? FindById(g_tables->accelerators, g_tables->acceleratorCount, id) : nullptr;
}
const DialogResource* FindDialogResource(UINT id) {
  return g_tables ? FindById(g_tables->dialogs, g_tables->dialogCount, id) : nullptr;
}
