// The folder drawn in a folder cell of the desktop grid: the Select Folder
// dialog's closed folder at the cell's size, yellow, or green when the
// folder holds pictures.
#pragma once

#include "platform/draw/gdi.h"

// The fill of the folder's body, which tests look for.
constexpr COLORREF kFolderFill = RGB(0xF0, 0xC8, 0x40);
constexpr COLORREF kPictureFolderFill = RGB(0x48, 0xB0, 0x48);

// Draws the folder into the square box (x, y) to (x + side, y + side) on
// the window's colour.
void DrawFolderCell(HDC dc, int x, int y, int side, bool pictures);
