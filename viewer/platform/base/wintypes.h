// Types, constants and records of the handheld's API, as the viewer uses them.
// Values are the platform's own numbers so that messages, codes and records
// mean exactly what they meant on the device.
#pragma once

#include <cstddef>
#include <cstdint>

typedef int BOOL;
typedef unsigned int UINT;
typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef char16_t WCHAR;
typedef intptr_t INT_PTR;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef uint32_t COLORREF;
typedef void* HANDLE;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

#define INVALID_HANDLE_VALUE ((HANDLE)(intptr_t)-1)
#define MAX_PATH 260

struct POINT {
  LONG x;
  LONG y;
};

struct SIZE {
  LONG cx;
  LONG cy;
};

struct RECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};

inline constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
  return (COLORREF)r | ((COLORREF)g << 8) | ((COLORREF)b << 16);
}
inline constexpr BYTE GetRValue(COLORREF c) {
  return (BYTE)(c & 0xFF);
}
inline constexpr BYTE GetGValue(COLORREF c) {
  return (BYTE)((c >> 8) & 0xFF);
}
inline constexpr BYTE GetBValue(COLORREF c) {
  return (BYTE)((c >> 16) & 0xFF);
}

inline constexpr WORD LOWORD(uintptr_t v) {
  return (WORD)(v & 0xFFFF);
}
inline constexpr WORD HIWORD(uintptr_t v) {
  return (WORD)((v >> 16) & 0xFFFF);
}
inline constexpr WPARAM MAKEWPARAM(WORD lo, WORD hi) {
  return (WPARAM)((DWORD)lo | ((DWORD)hi << 16));
}
inline constexpr LPARAM MAKELPARAM(WORD lo, WORD hi) {
  return (LPARAM)(DWORD)((DWORD)lo | ((DWORD)hi << 16));
}
// Stylus coordinates travel as signed 16-bit halves of the message's LPARAM.
inline constexpr int GET_X_LPARAM(LPARAM lp) {
  return (int)(int16_t)LOWORD((uintptr_t)lp);
}
inline constexpr int GET_Y_LPARAM(LPARAM lp) {
  return (int)(int16_t)HIWORD((uintptr_t)lp);
}

// Window messages.
enum : UINT {
  WM_CREATE = 0x0001,
  WM_DESTROY = 0x0002,
  WM_SIZE = 0x0005,
  WM_SETFOCUS = 0x0007,
  WM_CLOSE = 0x0010,
  WM_PAINT = 0x000F,
  WM_ERASEBKGND = 0x0014,
  WM_NOTIFY = 0x004E,
  WM_KEYDOWN = 0x0100,
  WM_KEYUP = 0x0101,
  WM_CHAR = 0x0102,
  WM_DEADCHAR = 0x0103,
  WM_INITDIALOG = 0x0110,
  WM_COMMAND = 0x0111,
  WM_TIMER = 0x0113,
  WM_HSCROLL = 0x0114,
  WM_VSCROLL = 0x0115,
  WM_MOUSEMOVE = 0x0200,
  WM_LBUTTONDOWN = 0x0201,
  WM_LBUTTONUP = 0x0202,
  WM_LBUTTONDBLCLK = 0x0203,
  WM_MOUSEWHEEL = 0x020A,
};

// Virtual-key codes.
enum : UINT {
  VK_BACK = 0x08,
  VK_RETURN = 0x0D,
  VK_ESCAPE = 0x1B,
  VK_SPACE = 0x20,
  VK_PRIOR = 0x21,
  VK_NEXT = 0x22,
  VK_END = 0x23,
  VK_HOME = 0x24,
  VK_LEFT = 0x25,
  VK_UP = 0x26,
  VK_RIGHT = 0x27,
  VK_DOWN = 0x28,
  VK_ADD = 0x6B,
  VK_SUBTRACT = 0x6D,
  VK_OEM_PLUS = 0xBB,
  VK_OEM_MINUS = 0xBD,
};

// Key-state flags of stylus and wheel messages.
enum : UINT { MK_LBUTTON = 0x0001, MK_CONTROL = 0x0008 };
// Key messages: the high word of lParam has this bit while Alt is held.
enum : UINT { KF_ALTDOWN = 0x2000 };

// WM_MOUSEWHEEL: the key state in the low word of wParam, the signed
// rotation in the high word, WHEEL_DELTA of it a notch (positive: away from
// the user).
constexpr int WHEEL_DELTA = 120;
inline constexpr UINT GET_KEYSTATE_WPARAM(WPARAM wp) {
  return LOWORD(wp);
}
inline constexpr int GET_WHEEL_DELTA_WPARAM(WPARAM wp) {
  return (int)(int16_t)HIWORD(wp);
}

// Scroll-bar codes and bars.
enum : UINT {
  SB_LINEUP = 0,
  SB_LINEDOWN = 1,
  SB_PAGEUP = 2,
  SB_PAGEDOWN = 3,
  SB_THUMBPOSITION = 4,
  SB_THUMBTRACK = 5,
  SB_TOP = 6,
  SB_BOTTOM = 7,
  SB_ENDSCROLL = 8,
};
enum : int { SB_HORZ = 0, SB_VERT = 1 };

enum : UINT {
  SIF_RANGE = 0x0001,
  SIF_PAGE = 0x0002,
  SIF_POS = 0x0004,
  SIF_DISABLENOSCROLL = 0x0008,
  SIF_TRACKPOS = 0x0010,
  SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS,
};

struct SCROLLINFO {
  UINT cbSize;
  UINT fMask;
  int nMin;
  int nMax;
  UINT nPage;
  int nPos;
  int nTrackPos;
};

// Mapping mode of the scroll sizes: one unit is one pixel.
enum : int { MM_TEXT = 1 };

// Toolbar button states.
enum : UINT {
  TBSTATE_CHECKED = 0x01,
  TBSTATE_PRESSED = 0x02,
  TBSTATE_ENABLED = 0x04,
  TBSTATE_HIDDEN = 0x08,
};
enum : UINT { TB_SETSTATE = 0x0411, TB_SETTOOLTIPS = 0x0451 };

// Text drawing formats.
enum : UINT {
  DT_TOP = 0x0000,
  DT_LEFT = 0x0000,
  DT_CENTER = 0x0001,
  DT_RIGHT = 0x0002,
  DT_VCENTER = 0x0004,
  DT_BOTTOM = 0x0008,
  DT_WORDBREAK = 0x0010,
  DT_SINGLELINE = 0x0020,
  DT_NOCLIP = 0x0100,
  DT_END_ELLIPSIS = 0x8000,
};

// Pens.
enum : int { PS_SOLID = 0 };

// Raster operation of the block transfer.
enum : DWORD { SRCCOPY = 0x00CC0020 };

// Colour table usage of a device-independent bitmap.
enum : UINT { DIB_RGB_COLORS = 0 };

enum : DWORD { BI_RGB = 0 };

// Dialog results and standard control ids.
enum : int { IDOK = 1, IDCANCEL = 2 };

// Show states.
enum : int { SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_SHOW = 5 };

// File attributes.
enum : DWORD {
  FILE_ATTRIBUTE_READONLY = 0x00000001,
  FILE_ATTRIBUTE_HIDDEN = 0x00000002,
  FILE_ATTRIBUTE_SYSTEM = 0x00000004,
  FILE_ATTRIBUTE_DIRECTORY = 0x00000010,
  FILE_ATTRIBUTE_ARCHIVE = 0x00000020,
  FILE_ATTRIBUTE_NORMAL = 0x00000080,
};

struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};

// The handheld's directory-entry record: 560 bytes, laid out as the device's
// enumeration returns it. The picture list stores these records verbatim.
struct WIN32_FIND_DATA {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwOID;
  WCHAR cFileName[MAX_PATH];
};
static_assert(sizeof(WIN32_FIND_DATA) == 560, "directory-entry record is 560 bytes");
static_assert(offsetof(WIN32_FIND_DATA, ftCreationTime) == 4);
static_assert(offsetof(WIN32_FIND_DATA, ftLastAccessTime) == 12);
static_assert(offsetof(WIN32_FIND_DATA, ftLastWriteTime) == 20);
static_assert(offsetof(WIN32_FIND_DATA, nFileSizeHigh) == 28);
static_assert(offsetof(WIN32_FIND_DATA, nFileSizeLow) == 32);
static_assert(offsetof(WIN32_FIND_DATA, dwOID) == 36);
static_assert(offsetof(WIN32_FIND_DATA, cFileName) == 40);

// Packed device-independent bitmap header (little-endian on every host we build for).
#pragma pack(push, 1)
struct BITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
};
struct RGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
};
struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
};
#pragma pack(pop)
static_assert(sizeof(BITMAPINFOHEADER) == 40, "bitmap header is 40 bytes");
static_assert(sizeof(RGBQUAD) == 4);
static_assert(offsetof(BITMAPINFOHEADER, biSizeImage) == 20);
static_assert(offsetof(BITMAPINFOHEADER, biClrUsed) == 32);
