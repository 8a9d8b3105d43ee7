// The wx window and command ids of the host, in one enum. Buttons, menu items
// and dialog controls are numbered by their index in the layer's model; the
// handlers turn the index back into the model's command or control id.
#pragma once

#include <wx/defs.h>

enum {
  ID_MENU_BUTTON = wxID_HIGHEST + 1,
  ID_TOOL_FIRST,
  ID_TOOL_LAST = ID_TOOL_FIRST + 31,
  ID_MENU_ITEM_FIRST,
  ID_MENU_ITEM_LAST = ID_MENU_ITEM_FIRST + 31,
  ID_VIEWER_AREA,
  ID_VIEWER_CANVAS,
  ID_VIEWER_SCROLLBAR,
  ID_DIALOG_CONTROL_FIRST,
  ID_DIALOG_CONTROL_LAST = ID_DIALOG_CONTROL_FIRST + 63,
  ID_DIALOG_CAPTION_OK,
};
