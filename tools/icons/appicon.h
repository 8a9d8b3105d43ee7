// The desktop icon of the viewer: the landscape photo of the program icon,
// standing in front of a yellow folder, drawn at any pixel size.
#pragma once

#include "iconpainter.h"

// Draws the icon on a size × size surface. Every edge of the frame and the
// folder lands on a whole pixel at every size; below 32 pixels the folder is
// left out so that the photo stays readable.
void DrawAppIcon(IconPainter& painter, int size);
