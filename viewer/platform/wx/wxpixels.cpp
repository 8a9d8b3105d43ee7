// Conversion of ARGB pixel art into wx images.
#include "wxpixels.h"

#include <algorithm>
#include <vector>

#include "platform/window/resource.h"

wxImage ImageFromArgb(const uint32_t* pixels, int width, int height) {
  wxImage image(width, height, false);
  image.InitAlpha();
  unsigned char* rgb = image.GetData();
  unsigned char* alpha = image.GetAlpha();
  const size_t count = (size_t)width * (size_t)height;
  for (size_t i = 0; i < count; ++i) {
    const uint32_t p = pixels[i];
    rgb[3 * i] = (unsigned char)(p >> 16);
    rgb[3 * i + 1] = (unsigned char)(p >> 8);
    rgb[3 * i + 2] = (unsigned char)p;
    alpha[i] = (unsigned char)(p >> 24);
  }
  return image;
}

wxBitmap BitmapFromStrip(const ImageResource* strip, int index, int cellWidth, int cellHeight) {
  if (strip == nullptr || index < 0 || cellWidth <= 0 || cellHeight <= 0) return wxBitmap();
  const int left = index * cellWidth;
  if (left + cellWidth > strip->width || cellHeight > strip->height) return wxBitmap();
  // Copy the cell's rows out of the strip, then convert as one image.
  std::vector<uint32_t> cell((size_t)cellWidth * (size_t)cellHeight);
  for (int y = 0; y < cellHeight; ++y) {
    const uint32_t* row = strip->pixels + (size_t)y * (size_t)strip->width + (size_t)left;
    std::copy(row, row + cellWidth, cell.begin() + (ptrdiff_t)y * cellWidth);
  }
  return wxBitmap(ImageFromArgb(cell.data(), cellWidth, cellHeight));
}

wxBitmap BitmapFromResource(const ImageResource* image) {
  if (image == nullptr || image->pixels == nullptr) return wxBitmap();
  return wxBitmap(ImageFromArgb(image->pixels, image->width, image->height));
}

wxIcon IconFromResource(const ImageResource* icon) {
  wxIcon result;
  const wxBitmap bitmap = BitmapFromResource(icon);
  if (bitmap.IsOk()) result.CopyFromBitmap(bitmap);
  return result;
}
