// Test helper for Cradlet's Wine runs: loads the program icon of an .exe as
// Windows does for each size it shows, and records what it got.
//
// Usage: icon_probe.exe PROGRAM RECORD
// RECORD receives one line per size S of 16, 24, 32, 48 and 256:
// "iconS=WIDTHxHEIGHT bits=B transparent=T partial=P opaque=O", counting
// the pixels by their alpha (0, between, 255); "iconS=<none>" when no icon
// of that size could be loaded. Written under a temporary name, then renamed.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// The icon resource of the program, as the shell reads it.
constexpr int kIconId = 128;

std::string Probe(HMODULE hModule, int nSize) {
  HICON hIcon = static_cast<HICON>(LoadImageA(hModule, MAKEINTRESOURCEA(kIconId), IMAGE_ICON, nSize, nSize, 0));
  ICONINFO info = {};
  if (!hIcon || !GetIconInfo(hIcon, &info) || !info.hbmColor) return "<none>";
  BITMAP bitmap = {};
  GetObjectA(info.hbmColor, sizeof bitmap, &bitmap);
  BITMAPINFO format = {};
  format.bmiHeader.biSize = sizeof format.bmiHeader;
  format.bmiHeader.biWidth = bitmap.bmWidth;
  format.bmiHeader.biHeight = -bitmap.bmHeight;
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  format.bmiHeader.biCompression = BI_RGB;
  std::vector<DWORD> pixels(static_cast<std::size_t>(bitmap.bmWidth) * bitmap.bmHeight);
  HDC hdc = CreateCompatibleDC(nullptr);
  GetDIBits(hdc, info.hbmColor, 0, bitmap.bmHeight, pixels.data(), &format, DIB_RGB_COLORS);
  DeleteDC(hdc);
  int nCounts[3] = {};
  for (DWORD pixel : pixels) {
    DWORD dwAlpha = pixel >> 24;
    ++nCounts[dwAlpha == 0 ? 0 : dwAlpha == 255 ? 2 : 1];
  }
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  DestroyIcon(hIcon);
  return std::to_string(bitmap.bmWidth) + "x" + std::to_string(bitmap.bmHeight) +
         " bits=" + std::to_string(bitmap.bmBitsPixel) + " transparent=" + std::to_string(nCounts[0]) +
         " partial=" + std::to_string(nCounts[1]) + " opaque=" + std::to_string(nCounts[2]);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: icon_probe PROGRAM RECORD\n");
    return 2;
  }
  HMODULE hModule = LoadLibraryExA(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!hModule) return 2;
  std::string record;
  for (int nSize : {16, 24, 32, 48, 256}) record += "icon" + std::to_string(nSize) + "=" + Probe(hModule, nSize) + "\n";
  std::string temp = std::string(argv[2]) + ".tmp";
  FILE* file = std::fopen(temp.c_str(), "wb");
  if (!file) return 3;
  bool bWritten = std::fwrite(record.data(), 1, record.size(), file) == record.size();
  if (std::fclose(file) != 0 || !bWritten) return 3;
  return MoveFileExA(temp.c_str(), argv[2], MOVEFILE_REPLACE_EXISTING) ? 0 : 3;
}
