// The pixels of a window's client area, kept between paints like a window's
// pixels: an RGB image (one 32-bit word per pixel, 0x00RRGGBB) that the
// device context draws into and the host shows.
#pragma once

#include <cstdint>
#include <string>

#include "platform/base/wintypes.h"

class Canvas {
 public:
  Canvas();
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  // Changes the size; pixels that stay inside keep their colour, new ones
  // are white. FALSE when the image cannot be made (then the size is 0 × 0).
  BOOL Resize(int width, int height);
  int Width() const { return m_width; }
  int Height() const { return m_height; }
  int StrideBytes() const { return m_stride; }
  uint32_t* Row(int y) { return (uint32_t*)(m_data + (size_t)y * (size_t)m_stride); }
  const uint32_t* Row(int y) const { return (const uint32_t*)(m_data + (size_t)y * (size_t)m_stride); }

  // The colour at (x, y) as RGB(r, g, b); 0xFFFFFFFF outside the canvas.
  COLORREF PixelAt(int x, int y) const;
  void Fill(COLORREF colour);
  BOOL WritePng(const std::string& path) const;

  // The host's drawing surface (a cairo image surface), for the platform's
  // own drawing code and the hosts; the system's code never sees it.
  void* NativeSurface() const { return m_surface; }
  // Direct pixel writes must be followed by MarkDirty, library drawing by Flush.
  void MarkDirty();
  void Flush();

 private:
  void* m_surface = nullptr;
  unsigned char* m_data = nullptr;
  int m_width = 0;
  int m_height = 0;
  int m_stride = 0;
};
