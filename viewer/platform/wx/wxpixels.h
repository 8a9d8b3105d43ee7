// Our own pixel art (icons, the toolbar strip, the tree's image list: rows of
// 0xAARRGGBB words) turned into wx images, bitmaps and icons.
#pragma once

#include <wx/bitmap.h>
#include <wx/icon.h>
#include <wx/image.h>

#include <cstdint>

struct ImageResource;

// A width × height image with alpha; rows of 0xAARRGGBB, alpha 0 transparent.
wxImage ImageFromArgb(const uint32_t* pixels, int width, int height);
// Cell `index` of a strip of cells `cellWidth` × `cellHeight` laid side by
// side (the toolbar bitmap). An empty bitmap when the cell lies outside.
wxBitmap BitmapFromStrip(const ImageResource* strip, int index, int cellWidth, int cellHeight);
// The whole resource as an icon or bitmap; empty when the resource is null.
wxIcon IconFromResource(const ImageResource* icon);
wxBitmap BitmapFromResource(const ImageResource* image);
